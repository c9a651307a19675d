// The tool's protection against entity amplification: on by default in every command,
// off with --huge.
#include "ToolTestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace tooltest;

namespace {

std::string repeat(const std::string& text, int times)
{
    std::string out;
    for (int i = 0; i < times; ++i)
        out += text;
    return out;
}

// "refused" when the run failed with the amplification record, "accepted" when it succeeded.
std::string verdict(const Result& r)
{
    if (r.status == 0)
        return "accepted";
    const std::string all = r.out + r.err;
    return all.find("more than the amplification limit allows") != std::string::npos ? "refused" : "failed:" + all;
}

// The verdict of each command on file, with options before it, as "command=verdict ".
std::string verdicts(const std::string& file, const std::vector<std::string>& options, const std::string& schema)
{
    std::string text;
    for (const std::string command : {"check", "events", "count", "validate"}) {
        std::vector<std::string> args = with({command}, options);
        if (command == "validate")
            args = with(args, {"--schema", "", schema});
        text += command + "=" + verdict(runTool(with(args, {file}))) + " ";
    }
    return text;
}

} // namespace

TEST(ToolLimits, BombsAreRefusedWithoutOptionsAndExpandWithHuge)
{
    testsupport::ScratchDir dir;
    const std::string schema = dir.write("any.xsd", "<xs:schema xmlns:xs='http://www.w3.org/2001/XMLSchema'>"
                                                    "<xs:element name='r'><xs:complexType mixed='true'>"
                                                    "<xs:anyAttribute processContents='lax'/>"
                                                    "</xs:complexType></xs:element></xs:schema>");
    std::string laughs = "<!DOCTYPE r [<!ENTITY l0 'lol'>";
    for (int i = 1; i <= 9; ++i)
        laughs += "<!ENTITY l" + std::to_string(i) + " '" + repeat("&l" + std::to_string(i - 1) + ";", 10) + "'>";
    laughs += "]><r>&l9;</r>";
    const std::string bomb = dir.write("laughs.xml", laughs);
    const std::string quadratic = dir.write("quadratic.xml", "<!DOCTYPE r [<!ENTITY a '" + std::string(4000, 'x') +
                                                                 "'>]><r a='" + repeat("&a;", 30000) + "'/>");
    // 9 MB of text from 1 MB of entity: past the cap, within what --huge lets through quickly.
    const std::string large = dir.write("large.xml", "<!DOCTYPE r [<!ENTITY a '" + std::string(1000000, 'x') +
                                                         "'>]><r>" + repeat("&a;", 9) + "</r>");
    const std::string refused = "check=refused events=refused count=refused validate=refused ";
    EXPECT_EQ(refused, verdicts(bomb, {}, schema));
    EXPECT_EQ(refused, verdicts(quadratic, {}, schema));
    EXPECT_EQ(refused, verdicts(large, {}, schema));
    EXPECT_EQ("check=accepted events=accepted count=accepted validate=accepted ", verdicts(large, {"--huge"}, schema));
    // --secure keeps its own count of expansions; with --huge it drops only the cap.
    EXPECT_EQ(refused, verdicts(large, {"--secure"}, schema));
    EXPECT_EQ("check=accepted events=accepted count=accepted validate=accepted ",
              verdicts(large, {"--secure", "--huge"}, schema));
}
