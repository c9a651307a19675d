#include "TestSupport.h"

#include "ZOLSAX2ContentHandler.h"

#include <xercesc/sax/Locator.hpp>
#include <xercesc/sax2/Attributes.hpp>

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

using Pairs = std::vector<std::pair<std::u16string, std::u16string>>;

// Attributes as the reader would hand them over: qualified names and values by index.
class FakeAttributes : public xercesc::Attributes {
public:
    explicit FakeAttributes(std::vector<std::pair<std::u16string, std::u16string>> attributes)
        : attributes(std::move(attributes))
    {}
    XMLSize_t getLength() const override { return attributes.size(); }
    const XMLCh* getURI(const XMLSize_t) const override { return u""; }
    const XMLCh* getLocalName(const XMLSize_t) const override { return u"unused"; }
    const XMLCh* getQName(const XMLSize_t index) const override { return attributes[index].first.c_str(); }
    const XMLCh* getType(const XMLSize_t) const override { return u"CDATA"; }
    const XMLCh* getValue(const XMLSize_t index) const override { return attributes[index].second.c_str(); }
    bool getIndex(const XMLCh* const, const XMLCh* const, XMLSize_t&) const override { return false; }
    int getIndex(const XMLCh* const, const XMLCh* const) const override { return -1; }
    bool getIndex(const XMLCh* const, XMLSize_t&) const override { return false; }
    int getIndex(const XMLCh* const) const override { return -1; }
    const XMLCh* getType(const XMLCh* const, const XMLCh* const) const override { return nullptr; }
    const XMLCh* getType(const XMLCh* const) const override { return nullptr; }
    const XMLCh* getValue(const XMLCh* const, const XMLCh* const) const override { return nullptr; }
    const XMLCh* getValue(const XMLCh* const) const override { return nullptr; }

private:
    std::vector<std::pair<std::u16string, std::u16string>> attributes;
};

// Counts the entries of an attribute array up to its two terminating nulls.
struct ArrayShape {
    static void onStart(void* userData, const char*, const char** attributes)
    {
        auto* shape = static_cast<std::string*>(userData);
        std::size_t n = 0;
        while (attributes[n] != nullptr)
            ++n;
        *shape = std::to_string(n) + (attributes[n + 1] == nullptr ? " then null null" : " then null only");
    }
};

ZOLSAX2ContentHandler traceHandler(testsupport::Trace& trace)
{
    return ZOLSAX2ContentHandler(&trace, testsupport::Trace::onStart, testsupport::Trace::onEnd,
                                 testsupport::Trace::onCharacters, testsupport::Trace::onPI);
}

void* seenUserData = reinterpret_cast<void*>(0x1);

} // namespace

TEST(ZOLSAX2ContentHandler, ForwardsEventsWithAttributeArraysInIndexOrder)
{
    testsupport::Trace trace;
    ZOLSAX2ContentHandler handler(&trace, testsupport::Trace::onStart, testsupport::Trace::onEnd,
                                  testsupport::Trace::onCharacters, testsupport::Trace::onPI);
    handler.startElement(u"urn:x", u"a", u"p:a", FakeAttributes(Pairs{{u"a", u"1"}, {u"b", u"2"}}));
    handler.characters(u"t\u00E9xt", 4);
    handler.processingInstruction(u"pi", u"data here");
    handler.startElement(u"", u"e", u"e", FakeAttributes(Pairs{}));
    handler.endElement(u"", u"e", u"e");
    handler.endElement(u"urn:x", u"a", u"p:a");
    EXPECT_EQ("(p:a a=1 b=2 \"t\xC3\xA9xt\"?pi data here(e )e)p:a", trace.str());
}

TEST(ZOLSAX2ContentHandler, AttributeArrayHasTwoNEntriesThenTwoNulls)
{
    std::string shape;
    ZOLSAX2ContentHandler handler(&shape, ArrayShape::onStart, nullptr, nullptr, nullptr);
    for (std::size_t n : {0u, 1u, 8u, 9u, 100u}) {
        std::vector<std::pair<std::u16string, std::u16string>> attributes;
        for (std::size_t i = 0; i < n; ++i) {
            std::u16string name = u"attribute-with-a-long-name-";
            name += static_cast<char16_t>(u'a' + i % 26);
            attributes.emplace_back(name, u"value");
        }
        handler.startElement(u"", u"e", u"e", FakeAttributes(attributes));
        EXPECT_EQ(std::to_string(2 * n) + " then null null", shape);
    }
}

TEST(ZOLSAX2ContentHandler, NamesAndTextsOfEveryLengthArriveWhole)
{
    // Lengths on both sides of what a string holds without the heap, in ASCII and in
    // characters of two, three and four bytes; with no attributes, and with attributes
    // whose strings are partly on the heap.
    const std::vector<std::pair<std::u16string, std::string>> units = {
        {u"x", "x"}, {u"\u00E9", "\xC3\xA9"}, {u"\u4E2D", "\xE4\xB8\xAD"}, {u"\U0001F600", "\xF0\x9F\x98\x80"}};
    for (const auto& unit : units) {
        for (std::size_t count : {1u, 15u, 16u, 21u, 31u, 32u, 33u, 63u, 64u, 200u, 3000u}) {
            std::u16string wide;
            std::string narrow;
            for (std::size_t i = 0; i < count; ++i) {
                wide += unit.first;
                narrow += unit.second;
            }
            testsupport::Trace trace;
            ZOLSAX2ContentHandler handler = traceHandler(trace);
            handler.startElement(u"", u"", wide.c_str(), FakeAttributes(Pairs{}));
            handler.startElement(u"", u"", u"e", FakeAttributes(Pairs{{wide, u"v"}, {u"a", wide}}));
            handler.characters(wide.c_str(), wide.size());
            handler.processingInstruction(wide.c_str(), wide.c_str());
            handler.endElement(u"", u"", wide.c_str());
            EXPECT_EQ("(" + narrow + " (e " + narrow + "=v a=" + narrow + " \"" + narrow + "\"?" + narrow + " " +
                          narrow + ")" + narrow,
                      trace.str())
                << count << " units";
        }
    }
}

TEST(ZOLSAX2ContentHandler, NullCallbacksDropTheirEventsOnly)
{
    testsupport::Trace trace;
    ZOLSAX2ContentHandler handler(&trace, testsupport::Trace::onStart, testsupport::Trace::onEnd, nullptr, nullptr);
    handler.startElement(u"", u"a", u"a", FakeAttributes(Pairs{}));
    handler.characters(u"dropped", 7);
    handler.processingInstruction(u"dropped", u"too");
    handler.endElement(u"", u"a", u"a");
    EXPECT_EQ("(a )a", trace.str());

    ZOLSAX2ContentHandler silent(nullptr, nullptr, nullptr, nullptr, nullptr);
    silent.startElement(u"", u"a", u"a", FakeAttributes(Pairs{{u"x", u"y"}}));
    silent.characters(u"x", 1);
    silent.processingInstruction(u"p", u"d");
    silent.endElement(u"", u"a", u"a");
}

TEST(ZOLSAX2ContentHandler, IgnoresEveryOtherEvent)
{
    testsupport::Trace trace;
    ZOLSAX2ContentHandler handler = traceHandler(trace);
    handler.startDocument();
    handler.ignorableWhitespace(u"  \n", 3);
    handler.startPrefixMapping(u"p", u"urn:p");
    handler.skippedEntity(u"ent");
    handler.endPrefixMapping(u"p");
    handler.endDocument();
    EXPECT_EQ("", trace.str());
}

TEST(ZOLSAX2ContentHandler, CharacterLengthsAreNarrowByteCounts)
{
    std::string lengths;
    auto onCharacters = [](void* userData, const char* text, int length) {
        *static_cast<std::string*>(userData) += std::to_string(length) + (text[length] == '\0' ? "; " : "!; ");
    };
    ZOLSAX2ContentHandler handler(&lengths, nullptr, nullptr, onCharacters, nullptr);
    handler.characters(u"plain", 5);
    handler.characters(u"\u00E9\u20AC\U0001F600", 4);
    handler.characters(u"", 0);
    EXPECT_EQ("5; 9; 0; ", lengths);
}

TEST(ZOLSAX2ContentHandler, PassesUserDataUnchangedNullIncluded)
{
    std::string seen;
    static std::string* out;
    out = &seen;
    auto record = [](void* userData) { *out += userData == seenUserData ? "u" : userData == nullptr ? "0" : "?"; };
    static void (*recordFn)(void*);
    recordFn = record;
    auto onStart = [](void* u, const char*, const char**) { recordFn(u); };
    auto onEnd = [](void* u, const char*) { recordFn(u); };
    auto onChars = [](void* u, const char*, int) { recordFn(u); };
    auto onPI = [](void* u, const char*, const char*) { recordFn(u); };
    for (void* userData : {seenUserData, static_cast<void*>(nullptr)}) {
        ZOLSAX2ContentHandler handler(userData, onStart, onEnd, onChars, onPI);
        handler.startElement(u"", u"a", u"a", FakeAttributes(Pairs{}));
        handler.characters(u"x", 1);
        handler.processingInstruction(u"p", u"");
        handler.endElement(u"", u"a", u"a");
    }
    EXPECT_EQ("uuuu0000", seen);
}

TEST(ZOLSAX2ContentHandler, KeepsTheLocatorAndLeavesParsingToItsOwner)
{
    ZOLSAX2ContentHandler handler(nullptr, nullptr, nullptr, nullptr, nullptr);
    EXPECT_EQ(nullptr, handler.getLocator());
    EXPECT_FALSE(handler.isParsing());
    const auto* fake = reinterpret_cast<const xercesc::Locator*>(&handler);
    handler.setDocumentLocator(fake);
    handler.endDocument();
    EXPECT_EQ(fake, handler.getLocator());
}

TEST(ZOLSAX2ContentHandler, CallbackExceptionsPassOutUnchanged)
{
    auto throwing = [](void*, const char* name, const char**) { throw ZOLException(ZOLString(name)); };
    ZOLSAX2ContentHandler handler(nullptr, throwing, nullptr, nullptr, nullptr);
    EXPECT_EQ("boom", testsupport::thrownMessage([&] {
                  // One value on the heap, which has to be released on the way out.
                  handler.startElement(u"", u"x", u"boom",
                                       FakeAttributes(Pairs{{u"a", u"1"}, {u"b", std::u16string(100, u'2')}}));
              }));
}

TEST(LongToString, GivesDecimalText)
{
    EXPECT_STREQ("0", longToString(0).chars());
    EXPECT_STREQ("42", longToString(42).chars());
    EXPECT_STREQ("-1", longToString(-1).chars());
}
