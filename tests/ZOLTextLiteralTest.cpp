#include <ZOLLogEvent.h>
#include <ZOLMessageLiteral.h>
#include <ZOLTextLiteral.h>
#include <ZOLTextLiteralsCollection.h>

#include <gtest/gtest.h>

#include <string>

namespace {

std::string format(const ZOLParameterizedTextLiteral& literal, std::initializer_list<const char*> values)
{
    void* handle = literal.prapareForParameters();
    int index = 0;
    for (const char* value : values)
        literal.setParameterValue(handle, index++, value);
    return literal.createParametrizedText(handle).chars();
}

class TwoLiterals : public ZOLTextLiteralsCollection {
public:
    TwoLiterals(const char* documentId, ZOLTextLiteral* first, ZOLTextLiteral* second)
        : documentId(documentId), literals{first, second, nullptr}
    {}

protected:
    const ZOLString& getDocumentId() const override { return documentId; }
    ZOLTextLiteral** listAllLiterals() const override { return const_cast<ZOLTextLiteral**>(literals); }

private:
    ZOLString documentId;
    ZOLTextLiteral* literals[3];
};

} // namespace

TEST(ZOLParameterizedTextLiteral, SubstitutesSetPlaceholdersOnlyAndValuesLiterally)
{
    const ZOLParameterizedTextLiteral literal("1", "{1} then {0}, {1} again; {2}");
    EXPECT_EQ("b then a, b again; c", format(literal, {"a", "b", "c"}));
    EXPECT_EQ("(:): ", format(ZOLParameterizedTextLiteral("1", "({0}:{1}): {2}"), {"", "", ""}));
    EXPECT_EQ("{1}-x", format(ZOLParameterizedTextLiteral("1", "{0}-{1}"), {"{1}", "x"}));
    EXPECT_EQ("a {1} {x} {} {12} { 0} {",
              format(ZOLParameterizedTextLiteral("1", "{0} {1} {x} {} {12} { 0} {"), {"a"}));
    // A handle never filled still formats and is released; out-of-range indexes are ignored.
    const ZOLParameterizedTextLiteral plain("1", "x{0}y");
    EXPECT_EQ("x{0}y", std::string(plain.createParametrizedText(plain.prapareForParameters()).chars()));
    void* handle = plain.prapareForParameters();
    plain.setParameterValue(handle, -1, "no");
    plain.setParameterValue(handle, 10, "no");
    EXPECT_EQ("x{0}y", std::string(plain.createParametrizedText(handle).chars()));
}

TEST(ZOLMessageLiteral, DerivesRisingLevelsFromSeverityNames)
{
    EXPECT_EQ(ZOLLogEvent::LEVEL_WARNING, ZOLMessageLiteral("1", "t", "WARNING").getLevel());
    EXPECT_EQ(ZOLLogEvent::LEVEL_ERROR, ZOLMessageLiteral("1", "t", "ERROR").getLevel());
    EXPECT_EQ(ZOLLogEvent::LEVEL_FATAL, ZOLMessageLiteral("1", "t", "FATAL").getLevel());
    EXPECT_LT(ZOLLogEvent::LEVEL_WARNING, ZOLLogEvent::LEVEL_ERROR);
    EXPECT_LT(ZOLLogEvent::LEVEL_ERROR, ZOLLogEvent::LEVEL_FATAL);
    EXPECT_EQ(ZOLLogEvent::LEVEL_UNKNOWN, ZOLMessageLiteral("1", "t", "warning").getLevel());
    EXPECT_EQ(ZOLLogEvent::LEVEL_UNKNOWN, ZOLMessageLiteral("1", "t", "").getLevel());
    EXPECT_STREQ("UNKNOWN", ZOLLogEvent::levelName(99));
}

TEST(ZOLTextLiteralsCollection, RegistryKeepsCopiesAndReplacesOnReinit)
{
    ZOLString text("untouched");
    EXPECT_FALSE(ZOLTextLiteralsCollection::lookupText("TestDoc", "1", text));
    {
        ZOLTextLiteral first("1", "first text");
        ZOLTextLiteral second("2", "second text");
        TwoLiterals(ZOLString("TestDoc").chars(), &first, &second).init();
        first.update("changed after init", nullptr);
    }
    // The literals are gone; the registry answers from its own copies.
    EXPECT_TRUE(ZOLTextLiteralsCollection::lookupText("TestDoc", "2", text));
    EXPECT_STREQ("second text", text.chars());
    EXPECT_TRUE(ZOLTextLiteralsCollection::lookupText("TestDoc", "1", text));
    EXPECT_STREQ("first text", text.chars());
    EXPECT_FALSE(ZOLTextLiteralsCollection::lookupText("TestDoc", "3", text));
    EXPECT_FALSE(ZOLTextLiteralsCollection::lookupText("OtherDoc", "1", text));

    ZOLTextLiteral replacement("9", "nine");
    TwoLiterals("TestDoc", &replacement, nullptr).init();
    EXPECT_FALSE(ZOLTextLiteralsCollection::lookupText("TestDoc", "1", text));
    EXPECT_TRUE(ZOLTextLiteralsCollection::lookupText("TestDoc", "9", text));
    EXPECT_STREQ("nine", text.chars());
}
