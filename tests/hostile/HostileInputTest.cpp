// Malformed and unusual inputs, each through parseString, parseFile and the validator, in
// both modes: accepted ones give the expected trace, rejected ones a record and then the
// catalogue's exception or false.

#include "HostileSupport.h"

#include <string>
#include <vector>

using hostile::Outcome;

namespace {

const std::string PARSE_FAILED_MEMORY = "[ZSAX_F0005] Failed to parse XML file: memory";

std::string utf16le(const std::string& ascii)
{
    std::string out;
    for (char c : ascii) {
        out += c;
        out += '\0';
    }
    return out;
}

struct Case {
    const char* name;
    std::string bytes;
    const char* trace; // the trace of an accepted document, or nullptr when it is rejected
};

std::vector<Case> cases()
{
    return {
        {"empty", "", nullptr},
        {"bom-only", "\xEF\xBB\xBF", nullptr},
        {"utf16le-declared-no-bom", utf16le("<?xml version='1.0' encoding='UTF-16'?><r>x</r>"), "(r \"x\")r"},
        {"utf16le-undeclared-no-bom", utf16le("<r>x</r>"), nullptr},
        {"unknown-encoding", "<?xml version='1.0' encoding='X-NO-SUCH-CODEC'?><r/>", nullptr},
        {"nul-in-text", std::string("<r>a\0b</r>", 10), nullptr},
        {"truncated-utf8-in-text", "<r>\xC3</r>", nullptr},
        {"overlong-utf8", "<r>\xC0\xAF</r>", nullptr},
        {"surrogate-reference", "<r>&#xD800;</r>", nullptr},
        {"unclosed", "<r><a>", nullptr},
        {"two-roots", "<r/><r/>", nullptr},
        {"undeclared-entity", "<r>&nope;</r>", nullptr},
        {"recursive-entity", "<!DOCTYPE r [<!ENTITY a '&b;'><!ENTITY b '&a;'>]><r>&a;</r>", nullptr},
        {"huge-character-reference", "<r>&#99999999999999999999;</r>", nullptr},
    };
}

// A rejected document: at least one record, each carrying a position, and the failure.
void expectRejected(const Outcome& o, bool validator, const std::string& where)
{
    if (validator)
        EXPECT_FALSE(o.valid) << where;
    else
        EXPECT_NE("", o.exception) << where;
    EXPECT_NE("", o.log) << where;
    // Every record is positioned: "(line:column)" or the not-XML record that carries it.
    std::size_t start = 0;
    while (start < o.log.size()) {
        const std::size_t end = o.log.find('\n', start);
        const std::string line = o.log.substr(start, end - start);
        EXPECT_TRUE(line.find("ZSAX_W0001 (") != std::string::npos || line.find("ZSAX_E0006") != std::string::npos ||
                    line.find("ZSAX_F0004") != std::string::npos)
            << where << ": " << line;
        start = end + 1;
    }
}

} // namespace

TEST(HostileInput, EveryCaseThroughStringFileAndValidator)
{
    testsupport::ScratchDir dir;
    for (const Case& c : cases()) {
        const std::string path = dir.write(std::string(c.name) + ".xml", c.bytes);
        for (bool secure : {false, true}) {
            const std::string where = std::string(c.name) + (secure ? " (secure)" : "");
            const Outcome s = hostile::parseString(c.bytes, secure);
            const Outcome f = hostile::parseFile(path, secure);
            const Outcome v = hostile::validate(path, secure);
            if (c.trace != nullptr) {
                EXPECT_EQ("", s.exception) << where << "\n" << s.log;
                EXPECT_EQ(c.trace, s.trace) << where;
                EXPECT_EQ("", f.exception) << where << "\n" << f.log;
                EXPECT_EQ(c.trace, f.trace) << where;
                EXPECT_TRUE(v.valid) << where << "\n" << v.log;
                EXPECT_EQ("", s.log + f.log + v.log) << where;
            } else {
                expectRejected(s, false, where + " string");
                expectRejected(f, false, where + " file");
                expectRejected(v, true, where + " validator");
                // The string and the file fail the same way, under their own names.
                if (s.exception == PARSE_FAILED_MEMORY) {
                    EXPECT_EQ("[ZSAX_F0005] Failed to parse XML file: " + path, f.exception) << where;
                }
                EXPECT_EQ(s.log, f.log) << where;
            }
        }
    }
}

TEST(HostileInput, UnopenableFilesFailWithTheirPath)
{
    testsupport::ScratchDir dir;
    const std::string missing = dir.file("missing.xml");
    const std::string directory = dir.getPath();
    const std::string empty = dir.write("empty.xml", "");
    for (const std::string& path : {missing, directory, empty}) {
        for (bool secure : {false, true}) {
            const Outcome f = hostile::parseFile(path, secure);
            EXPECT_EQ("[ZSAX_F0005] Failed to parse XML file: " + path, f.exception) << path;
            EXPECT_NE("", f.log) << path;
            EXPECT_EQ("", f.trace) << path;
            const Outcome v = hostile::validate(path, secure);
            EXPECT_FALSE(v.valid) << path;
            EXPECT_NE("", v.log) << path;
        }
    }
    // The reader names the missing file in its record.
    EXPECT_NE(std::string::npos, hostile::parseFile(missing, false).log.find("missing.xml"));
}
