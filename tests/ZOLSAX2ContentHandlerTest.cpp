#include "TestSupport.h"

#include "ZOLSAX2ContentHandler.h"

#include <ZOLSAX2Parser.h>

#include <gtest/gtest.h>

#include <string>

TEST(ZOLSAX2ContentHandler, AttributeArrayHasTwoNEntriesThenTwoNulls)
{
    // Counts the entries of each attribute array up to its two terminating nulls.
    const auto onStart = [](void* userData, const char*, const char** attributes) {
        std::size_t n = 0;
        while (attributes[n] != nullptr)
            ++n;
        *static_cast<std::string*>(userData) += std::to_string(n) + (attributes[n + 1] == nullptr ? " " : "! ");
    };
    std::string shapes;
    ZOLMemoryLog log;
    ZOLSAX2Parser parser(&shapes, &log, onStart, nullptr, nullptr, nullptr);
    std::string document = "<r>";
    for (std::size_t n : {0u, 1u, 16u, 17u, 100u}) {
        document += "<e";
        for (std::size_t i = 0; i < n; ++i)
            document += " attribute-with-a-long-name-" + std::to_string(i) + "='value'";
        document += "/>";
    }
    parser.parseString((document + "</r>").c_str());
    EXPECT_EQ("0 0 2 32 34 200 ", shapes);
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
    auto onInstruction = [](void* userData, const char* target, const char*) {
        *static_cast<std::string*>(userData) += std::string("<?") + target + ">|";
    };
    ZOLSAX2ContentHandler handler(&text, nullptr, nullptr, onCharacters, onInstruction);
    const char16_t first[] = {u'a', 0xD83D, 0};
    const char16_t second[] = {0xDE00, u'b', 0};
    const char16_t lone[] = {0xD83D, 0};
    handler.characters(first, 2);
    handler.characters(second, 2);
    handler.characters(lone, 1);
    handler.characters(second, 2);
    // A high half that nothing completes is still delivered, as U+FFFD, before the next event.
    handler.characters(lone, 1);
    handler.endElement(u"", u"e", u"e");
    handler.characters(lone, 1);
    handler.processingInstruction(u"p", u"");
    handler.characters(u"z", 1);
    EXPECT_EQ("a|\xF0\x9F\x98\x80"
              "b||\xF0\x9F\x98\x80"
              "b||\xEF\xBF\xBD||\xEF\xBF\xBD|<?p>|z|",
              text);
}
