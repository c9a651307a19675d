#include "TestSupport.h"

#include "ZOLSAX2ContentHandler.h"

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
    explicit FakeAttributes(Pairs attributes) : attributes(std::move(attributes)) {}
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
    Pairs attributes;
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

} // namespace

TEST(ZOLSAX2ContentHandler, AttributeArrayHasTwoNEntriesThenTwoNulls)
{
    std::string shape;
    ZOLSAX2ContentHandler handler(&shape, ArrayShape::onStart, nullptr, nullptr, nullptr);
    for (std::size_t n : {0u, 1u, 16u, 17u, 100u}) {
        Pairs attributes;
        for (std::size_t i = 0; i < n; ++i) {
            std::u16string name = u"attribute-with-a-long-name-";
            name += static_cast<char16_t>(u'a' + i % 26);
            attributes.emplace_back(name, u"value");
        }
        handler.startElement(u"", u"e", u"e", FakeAttributes(attributes));
        EXPECT_EQ(std::to_string(2 * n) + " then null null", shape);
    }
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

TEST(ZOLSAX2ContentHandler, SurrogatePairSplitBetweenRunsArrivesWhole)
{
    // The reader ends a run wherever its buffer ends, also between the halves of a pair.
    std::string text;
    auto onCharacters = [](void* userData, const char* chars, int length) {
        *static_cast<std::string*>(userData) += std::string(chars, static_cast<std::size_t>(length)) + "|";
    };
    ZOLSAX2ContentHandler handler(&text, nullptr, nullptr, onCharacters, nullptr);
    const char16_t first[] = {u'a', 0xD83D, 0};
    const char16_t second[] = {0xDE00, u'b', 0};
    const char16_t lone[] = {0xD83D, 0};
    handler.characters(first, 2);
    handler.characters(second, 2);
    handler.characters(lone, 1);
    handler.characters(second, 2);
    // A high half that nothing completes is still delivered, as U+FFFD.
    handler.characters(lone, 1);
    handler.endElement(u"", u"e", u"e");
    handler.characters(u"z", 1);
    EXPECT_EQ("a|\xF0\x9F\x98\x80"
              "b||\xF0\x9F\x98\x80"
              "b||\xEF\xBF\xBD|z|",
              text);
}
