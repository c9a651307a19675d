// The escapes of the tool's output: what may reach a terminal and what may not.
#include <Escape.h>
#include <EventWriter.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>

using zolsax2::Escape;

TEST(Escape, ControlCharactersAndBytesThatAreNotUtf8BecomeHex)
{
    EXPECT_EQ(Escape::text(std::string("a\tb\nc\rd\x1b[0m\x7f\x01", 14)), "a\\tb\\nc\\rd\\x1b[0m\\x7f\\x01\\x00");
    // C1 controls are two bytes in UTF-8; each is written.
    EXPECT_EQ(Escape::text("\xc2\x85\xc2\x9b\xc2\xa0"), "\\xc2\\x85\\xc2\\x9b\xc2\xa0");
    // A lone byte, a truncated sequence, an overlong form, a surrogate, beyond U+10FFFF.
    EXPECT_EQ(Escape::text("\xff|\xe2\x82|\xc0\xaf|\xed\xa0\x80|\xf4\x90\x80\x80"),
              "\\xff|\\xe2\\x82|\\xc0\\xaf|\\xed\\xa0\\x80|\\xf4\\x90\\x80\\x80");
    // Bidirectional overrides, isolates and marks, and the line and paragraph separators,
    // would reorder or break the line: "x.xml: ok" written backwards after U+202E.
    EXPECT_EQ(Escape::text("\xe2\x80\xaeko :lmx.x|\xe2\x81\xa6|\xe2\x81\xa9|\xe2\x80\x8f|\xd8\x9c|\xe2\x80\xa8"),
              "\\xe2\\x80\\xaeko :lmx.x|\\xe2\\x81\\xa6|\\xe2\\x81\\xa9|\\xe2\\x80\\x8f|\\xd8\\x9c|\\xe2\\x80\\xa8");
    // Their neighbours are ordinary text: U+202F, U+2065 (unassigned), U+2070, U+061B.
    EXPECT_EQ(Escape::text("\xe2\x80\xaf\xe2\x81\xa5\xe2\x81\xb0\xd8\x9b"),
              "\xe2\x80\xaf\xe2\x81\xa5\xe2\x81\xb0\xd8\x9b");
    // Valid UTF-8 of every length stays.
    EXPECT_EQ(Escape::text("K\xc3\xb6ln \xe2\x82\xac \xf0\x9f\x98\x80"), "K\xc3\xb6ln \xe2\x82\xac \xf0\x9f\x98\x80");
}

TEST(Escape, OnlyEventFieldsDoubleBackslash)
{
    EXPECT_EQ(Escape::text("\\d{3}\\n"), "\\d{3}\\n");
    EXPECT_EQ(Escape::field("\\d{3}\n"), "\\\\d{3}\\n");
}

TEST(EventWriter, StreamsCharacterDataAsItArrives)
{
    std::ostringstream out;
    zolsax2::EventWriter writer(out, false);
    const char* none[] = {nullptr, nullptr};
    zolsax2::EventWriter::characters(&writer, "", 0);
    EXPECT_EQ(out.str(), "");
    zolsax2::EventWriter::characters(&writer, "one\n", 4);
    // Written before the run ends, so a text node of any size needs no buffer.
    EXPECT_EQ(out.str(), "chars\tone\\n");
    zolsax2::EventWriter::characters(&writer, "", 0);
    zolsax2::EventWriter::characters(&writer, "\x1btwo", 4);
    zolsax2::EventWriter::startElement(&writer, "e", none);
    zolsax2::EventWriter::characters(&writer, "three", 5);
    writer.finish();
    writer.finish();
    EXPECT_EQ(out.str(), "chars\tone\\n\\x1btwo\nstart\te\nchars\tthree\n");
}

namespace {

// Keeps what is written and the size of the largest single write.
class WriteSizes : public std::stringbuf {
public:
    std::streamsize largest = 0;

protected:
    std::streamsize xsputn(const char* s, std::streamsize n) override
    {
        largest = std::max(largest, n);
        return std::stringbuf::xsputn(s, n);
    }
};

} // namespace

TEST(EventWriter, LongRunGoesOutInSlicesThatNeverSplitACharacter)
{
    // One run of 300,000 bytes, as a CDATA section arrives: two- and three-byte characters,
    // a C1 control and a backslash fall across every slice boundary.
    std::string run = "x";
    while (run.size() < 300000)
        run += "\xc3\xa9\xe2\x82\xac\xc2\x85\\";
    WriteSizes sizes;
    std::ostream out(&sizes);
    zolsax2::EventWriter writer(out, false);
    zolsax2::EventWriter::characters(&writer, run.c_str(), static_cast<int>(run.size()));
    writer.finish();
    EXPECT_EQ(sizes.str(), "chars\t" + Escape::field(run) + "\n");
    EXPECT_LE(sizes.largest, 4 * 65536);
}
