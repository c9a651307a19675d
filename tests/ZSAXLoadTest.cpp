// Loads the real shared library: its catalogue must register itself while loading and the
// foundation's registry must keep answering after the library is gone.
#include <ZOLTextLiteralsCollection.h>

#include <gtest/gtest.h>

#include <dlfcn.h>

TEST(ZSAXLoad, CatalogueIsRegisteredWhenTheLibraryIsLoaded)
{
    ZOLString text;
    ASSERT_FALSE(ZOLTextLiteralsCollection::lookupText("ZOLSAX2Parser", "1", text));

    void* library = dlopen(ZOLSAX2_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(nullptr, library) << dlerror();
    EXPECT_NE(nullptr, dlsym(library, "_ZN4ZSAX15findTextLiteralERK9ZOLString"));
    ASSERT_TRUE(ZOLTextLiteralsCollection::lookupText("ZOLSAX2Parser", "6", text));
    EXPECT_STREQ("An XML format error occurred during parsing the file ({0}:{1}): Please make sure the file is in "
                 "the XML format",
                 text.chars());
    ASSERT_EQ(0, dlclose(library));

    ASSERT_TRUE(ZOLTextLiteralsCollection::lookupText("ZOLSAX2Parser", "2", text));
    EXPECT_STREQ("Xerces initialization error: {0}", text.chars());
}
