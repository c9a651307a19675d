#include "TestSupport.h"

#include <ZOLSAX2Validator.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

using testsupport::ScratchDir;

namespace {

// Hands out a document a few bytes at a time, or fails after failAfter bytes.
struct Chunks {
    std::string bytes;
    std::size_t at = 0;
    std::size_t failAfter = std::string::npos;

    static long read(void* context, char* buffer, unsigned long size)
    {
        auto* c = static_cast<Chunks*>(context);
        if (c->at >= c->failAfter)
            return -1;
        const std::size_t n = std::min<std::size_t>({size, 7, c->bytes.size() - c->at});
        std::copy_n(c->bytes.data() + c->at, n, buffer);
        c->at += n;
        return static_cast<long>(n);
    }
};

std::string fileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

} // namespace

TEST(ZOLSAX2DocumentSource, MemoryAndStreamAnswerAndRecordAsTheSameBytesInTheFile)
{
    ScratchDir dir;
    const std::string schema =
        dir.write("t.xsd", "<xs:schema xmlns:xs='http://www.w3.org/2001/XMLSchema' targetNamespace='urn:t' "
                           "elementFormDefault='qualified'><xs:element name='n' type='xs:int'/></xs:schema>");
    dir.write("part.ent", "twelve");
    // Valid, invalid, not well-formed, one with an external entity resolved against the
    // document's folder and one with a schema hint relative to it.
    const std::vector<std::string> documents = {
        dir.write("good.xml", "<n xmlns='urn:t'>12</n>"),
        dir.write("bad.xml", "<?xml version='1.0' encoding='ISO-8859-1'?>\n<n xmlns='urn:t'>d\xE9j\xE0</n>"),
        dir.write("broken.xml", "<n xmlns='urn:t'>12</m>"),
        dir.write("entity.xml", "<!DOCTYPE n [<!ENTITY p SYSTEM 'part.ent'>]>\n<n xmlns='urn:t'>&p;</n>"),
        dir.write("hinted.xml", "<n xmlns='urn:t' xmlns:xsi='http://www.w3.org/2001/XMLSchema-instance' "
                                "xsi:schemaLocation='urn:t t.xsd'>x</n>"),
    };
    for (bool secure : {false, true}) {
        ZOLMemoryLog log;
        ZOLSAX2Validator validator(&log);
        validator.setSecureProcessing(secure);
        validator.addSchemaLocation("urn:t", schema.c_str());
        const auto outcome = [&](auto validate) {
            log.clear();
            const bool valid = validate();
            return std::string(valid ? "T\n" : "F\n") + testsupport::renderLocated(log, dir.getPath());
        };
        for (const std::string& path : documents) {
            const std::string bytes = fileBytes(path);
            const std::string fromFile = outcome([&] { return validator.validate(ZOLFile(path.c_str())); });
            EXPECT_EQ(fromFile,
                      outcome([&] { return validator.validateMemory(bytes.data(), bytes.size(), path.c_str()); }))
                << path;
            Chunks chunks{bytes};
            EXPECT_EQ(fromFile, outcome([&] { return validator.validateStream(Chunks::read, &chunks, path.c_str()); }))
                << path;
        }
        // A relative identifier is completed against the current directory, as a file's path.
        const testsupport::WorkingDirectory here(dir.getPath());
        const std::string bytes = fileBytes(documents[3]);
        EXPECT_EQ(outcome([&] { return validator.validate(ZOLFile("entity.xml")); }),
                  outcome([&] { return validator.validateMemory(bytes.data(), bytes.size(), "entity.xml"); }));
    }
}

TEST(ZOLSAX2DocumentSource, AFailedReadIsAFatalRecordAndTheValidatorGoesOn)
{
    ZOLMemoryLog log;
    ZOLSAX2Validator validator(&log);
    Chunks chunks{"<n xmlns='urn:t'>12</n>", 0, 14};
    EXPECT_FALSE(validator.validateStream(Chunks::read, &chunks, "stream.xml"));
    EXPECT_EQ("WARNING ZSAX_W0001 (1:15): unable to read data from file\n", testsupport::render(log));
    log.clear();
    Chunks whole{"<n>12</n>"};
    EXPECT_TRUE(validator.validateStream(Chunks::read, &whole, ""));
    EXPECT_EQ("", testsupport::render(log));
}
