#include "TestSupport.h"

#include <ZOLSAX2Parser.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <type_traits>
#include <unistd.h>
#include <vector>

using testsupport::ScratchDir;
using testsupport::thrownMessage;
using testsupport::Trace;
using testsupport::Traced;

static_assert(!std::is_copy_constructible<ZOLSAX2Parser>::value, "parsers must not be copied");
static_assert(!std::is_copy_assignable<ZOLSAX2Parser>::value, "parsers must not be copied");

namespace {

// parseString over raw bytes, which may contain NULs (UTF-16).
std::string traceOfBytes(const std::string& bytes)
{
    Traced t;
    ZOLString text;
    text.init(bytes.data(), static_cast<long>(bytes.size()));
    t.parser.parseString(text);
    return t.trace.str();
}

std::string traceOfFile(const std::string& bytes)
{
    ScratchDir dir;
    Traced t;
    t.parser.parseFile(ZOLFile(dir.write("doc.xml", bytes).c_str()));
    return t.trace.str();
}

// Runs parse with bytes as the process's standard input, and answers what it answers or the
// message of the ZOLException it throws.
template <typename Parse>
std::string withStdIn(const std::string& bytes, Parse parse)
{
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0)
        return "<pipe failed>";
    // Small enough for the pipe's buffer, so writing all of it first cannot block.
    const bool sent = write(pipeEnds[1], bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
    close(pipeEnds[1]);
    const int savedStdIn = dup(0);
    dup2(pipeEnds[0], 0);
    close(pipeEnds[0]);
    std::string result;
    try {
        result = parse();
    } catch (const ZOLException& e) {
        result = std::string("exception: ") + e.getMessage().chars();
    }
    dup2(savedStdIn, 0);
    close(savedStdIn);
    return sent ? result : "<write failed>";
}

std::string traceOfStdIn(const std::string& bytes)
{
    return withStdIn(bytes, [] {
        Traced t;
        t.parser.parseStdIn();
        return t.trace.str();
    });
}

// text, which is UTF-8, in UTF-16 with a byte order mark.
std::string utf16(const std::string& text, bool bigEndian)
{
    std::string bytes = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    const ZOLString wide(text.c_str());
    for (const char16_t* c = wide.wchars(); *c != 0; ++c) {
        const char high = static_cast<char>(*c >> 8);
        const char low = static_cast<char>(*c & 0xFF);
        bytes += bigEndian ? std::string{high, low} : std::string{low, high};
    }
    return bytes;
}

// text, which is UTF-8 of characters up to U+00FF, in ISO-8859-1.
std::string latin1(const std::string& text)
{
    std::string bytes;
    const ZOLString wide(text.c_str());
    for (const char16_t* c = wide.wchars(); *c != 0; ++c)
        bytes += static_cast<char>(*c);
    return bytes;
}

// One document in several encodings; every form must give the same trace.
const std::string EXPECTED_TRACE = "?app mode=\"fast\"(doc lang=fr note=caf\xC3\xA9 & cr\xC3\xA8me "
                                   "\"\n  \"(item n=1 )item\"\n  \"(text \"\xC3\x87\xC3\xA0 et l\xC3\xA0 <>\")text"
                                   "\"\n  \"?pi \"\n\")doc";

const std::string DOCUMENT_BODY = "<?app mode=\"fast\"?>\n"
                                  "<doc lang='fr' note='caf\xC3\xA9 &amp; cr\xC3\xA8me'>\n"
                                  "  <item n='1'/>\n"
                                  "  <text>\xC3\x87\xC3\xA0 et <![CDATA[l\xC3\xA0 <>]]></text>\n"
                                  "  <?pi?>\n"
                                  "</doc>\n";

} // namespace

TEST(ZOLSAX2Parser, SameTraceFromEverySourceAndEncoding)
{
    const std::string utf8 = "<?xml version='1.0' encoding='UTF-8'?>\n" + DOCUMENT_BODY;
    const std::string utf8Bom = "\xEF\xBB\xBF" + DOCUMENT_BODY;
    const std::string iso = latin1("<?xml version='1.0' encoding='ISO-8859-1'?>\n" + DOCUMENT_BODY);
    const std::string utf16le = utf16("<?xml version='1.0' encoding='UTF-16'?>\n" + DOCUMENT_BODY, false);
    const std::string utf16be = utf16("<?xml version='1.0' encoding='UTF-16'?>\n" + DOCUMENT_BODY, true);
    ASSERT_EQ(std::string::npos, iso.find('\xC3'));

    for (const std::string& bytes : {utf8, utf8Bom, iso, utf16le, utf16be}) {
        EXPECT_EQ(EXPECTED_TRACE, traceOfBytes(bytes));
        EXPECT_EQ(EXPECTED_TRACE, traceOfFile(bytes));
    }
    EXPECT_EQ(EXPECTED_TRACE, traceOfStdIn(utf8));
    EXPECT_EQ(EXPECTED_TRACE, traceOfStdIn(utf16le));
}

TEST(ZOLSAX2Parser, NamesAsWrittenAndSupplementaryCharactersInFourBytes)
{
    const std::string smiley = "(t a=\xF0\x9F\x98\x80 \"x\xF0\x90\x80\x80y\xF0\x9F\x98\x80\")t";
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"<p:a xmlns:p='urn:x' p:b='1'><p:c/></p:a>", "(p:a xmlns:p=urn:x p:b=1 (p:c )p:c)p:a"},
        {"<a xmlns='urn:d'></a>", "(a xmlns=urn:d )a"},
        {"<t a='&#x1F600;'>x\xF0\x90\x80\x80y&#128512;</t>", smiley},
    };
    for (const auto& [document, trace] : cases)
        EXPECT_EQ(trace, traceOfBytes(document));
    EXPECT_EQ(smiley, traceOfBytes(utf16("<t a='\xF0\x9F\x98\x80'>x\xF0\x90\x80\x80y&#128512;</t>", false)));
}

TEST(ZOLSAX2Parser, ErrorsAreLoggedAndThrownAfterTheEventsWarningsAloneAreNot)
{
    // One parser for all: each parse starts from a cleared error state.
    Traced t;
    const auto outcome = [&t](const char* document) {
        t.trace = Trace();
        t.log.clear();
        const std::string thrown = thrownMessage([&] { t.parser.parseString(document); });
        return t.trace.str() + " | " + thrown + " | " + testsupport::render(t.log);
    };
    const std::string failed = " | [ZSAX_F0005] Failed to parse XML file: memory | ";
    EXPECT_EQ("(order (item \"x\"" + failed + "WARNING ZSAX_W0001 (1:17): expected end of tag 'item'\n",
              outcome("<order><item>x</order>"));
    // Input that is not XML is reported once, at its first character.
    EXPECT_EQ(failed + "ERROR ZSAX_E0006 An XML format error occurred during parsing the file (1:1): Please make "
                       "sure the file is in the XML format\n",
              outcome("This is plain text."));
    EXPECT_EQ("(a )a | <no exception> | WARNING ZSAX_W0001 (1:44): attribute 'x' has already been declared for "
              "element 'a'\n",
              outcome("<!DOCTYPE a [<!ATTLIST a x CDATA #IMPLIED x CDATA #IMPLIED>]><a/>"));
}

TEST(ZOLSAX2Parser, NamesTheCompletedPathOfAFailedFile)
{
    ScratchDir dir;
    const std::string path = dir.write("broken.xml", "<a>");
    Traced t;
    const testsupport::WorkingDirectory here(dir.getPath());
    EXPECT_EQ("[ZSAX_F0005] Failed to parse XML file: " + path,
              thrownMessage([&] { t.parser.parseFile(ZOLFile("broken.xml")); }));
    EXPECT_EQ("[ZSAX_F0005] Failed to parse XML file: " + dir.file("no-such-file.xml"),
              thrownMessage([&] { t.parser.parseFile(ZOLFile("no-such-file.xml")); }));
}

TEST(ZOLSAX2Parser, RecordsNameTheEntityTheProblemIsIn)
{
    ScratchDir dir;
    dir.write("part.xml", "<x>\n<y></x>");
    const std::string doc = dir.write("doc.xml", "<!DOCTYPE r [<!ENTITY part SYSTEM 'part.xml'>]>\n<r>&part;</r>");
    Traced t;
    thrownMessage([&] { t.parser.parseFile(ZOLFile(doc.c_str())); });
    EXPECT_EQ("WARNING ZSAX_W0001 (2:6): expected end of tag 'y' @ /part.xml:2:6 FATAL\n",
              testsupport::renderLocated(t.log, dir.getPath()));
}

namespace {

// A parser whose caller listens for skipped entities: the four callbacks' trace and, apart,
// each skipped entity with the position getPosition() gives inside its callback.
struct Listening {
    struct Record : Trace {
        ZOLSAX2Parser* parser = nullptr;
        // Skipped entities heard over all parses, when they are kept apart from the trace so
        // that it compares with one made without listening.
        std::string skipped;
        bool inline_ = true;
    };
    static void onSkipped(void* userData, const char* name)
    {
        auto* r = static_cast<Record*>(static_cast<Trace*>(userData));
        const std::string entry = std::string("&") + name + ";@" + r->parser->getPosition().chars();
        if (r->inline_) {
            r->flushText();
            r->events += entry;
        } else {
            r->skipped += entry;
        }
    }

    explicit Listening(bool listen = true, bool secure = false)
    {
        record.parser = &parser;
        parser.setSecureProcessing(secure);
        if (listen)
            parser.setSkippedEntityCallback(onSkipped);
    }
    // The trace of one document, or the exception's message after the trace so far.
    std::string of(const std::function<void(ZOLSAX2Parser&)>& parse)
    {
        record.events.clear();
        record.pendingText.clear();
        log.clear();
        try {
            parse(parser);
        } catch (const ZOLException& e) {
            return record.str() + " exception: " + e.getMessage().chars();
        }
        return record.str();
    }
    std::string ofString(const std::string& document)
    {
        return of([&](ZOLSAX2Parser& p) { p.parseString(ZOLString(document.c_str())); });
    }

    Record record;
    ZOLMemoryLog log;
    ZOLSAX2Parser parser{static_cast<Trace*>(&record), &log,       Trace::onStart, Trace::onEnd,
                         Trace::onCharacters,          Trace::onPI};
};

// Everything one parse gives: trace, records with their location data, how it ended.
std::string everything(Listening& l, const std::function<void(ZOLSAX2Parser&)>& parse)
{
    const std::string trace = l.of(parse);
    return trace + "\n" + testsupport::renderLocated(l.log, "");
}

} // namespace

TEST(ZOLSAX2ParserSkippedEntities, NewsFeedEntityOfTheUnreadDtdIsHeardWhereItStands)
{
    const std::string feed = "<?xml version='1.0' encoding='UTF-8'?>\n"
                             "<!DOCTYPE rss SYSTEM 'http://feeds.example.invalid/rss-0.91.dtd'>\n"
                             "<rss><title>\xD0\xB0&nbsp;\xD0\xBD\xD1\x8B\xD0\xBD\xD0\xB5</title></rss>";
    const std::string heard = "(rss (title \"\xD0\xB0\"&nbsp;@3:20\"\xD0\xBD\xD1\x8B\xD0\xBD\xD0\xB5\")title)rss";
    EXPECT_EQ("(rss (title \"\xD0\xB0\xD0\xBD\xD1\x8B\xD0\xBD\xD0\xB5\")title)rss", Listening(false).ofString(feed));
    for (bool secure : {false, true}) {
        Listening l(true, secure);
        EXPECT_EQ(heard, l.ofString(feed));
        ScratchDir dir;
        const std::string path = dir.write("feed.xml", feed);
        EXPECT_EQ(heard, l.of([&](ZOLSAX2Parser& p) { p.parseFile(ZOLFile(path.c_str())); }));
        EXPECT_EQ(heard, withStdIn(feed, [&] { return l.of([](ZOLSAX2Parser& p) { p.parseStdIn(); }); }));
        EXPECT_EQ(0u, l.log.size());
    }
}

TEST(ZOLSAX2ParserSkippedEntities, HeardAfterAParameterEntityReferenceAndInAttributeValues)
{
    // An undeclared parameter entity is passed over without a report; after it the general
    // entities it might have declared are skipped, in attribute values (heard before the
    // start tag's event) as in text, and inside the text of other entities.
    const std::string document = "<!DOCTYPE r [<!ENTITY % decls '<!ENTITY known \"K&#38;inner;\">'> %decls; %none;]>\n"
                                 "<r a='x&known;&attr;y'>&known;&text;</r>";
    EXPECT_EQ("&inner;@2:15&attr;@2:21(r a=xKy \"K\"&inner;@2:31&text;@2:37)r", Listening().ofString(document));
    EXPECT_EQ("(r a=xKy \"K\")r", Listening(false).ofString(document));
}

TEST(ZOLSAX2ParserSkippedEntities, NamesArriveWholeUpToTwoThousandCharacters)
{
    // The reader hands the name over in a message it cuts at 2,047 characters.
    for (std::size_t length : {2000u, 5000u}) {
        const std::string name = "n" + std::string(length - 1, 'x');
        const std::string trace = Listening().ofString("<!DOCTYPE r SYSTEM 'r.dtd'><r>&" + name + ";</r>");
        const std::string heard = trace.substr(4, trace.find(";@") - 4);
        EXPECT_LE(2000u, heard.size());
        EXPECT_EQ(name.substr(0, heard.size()), heard);
        EXPECT_EQ(length == 2000u, heard == name);
    }
}

TEST(ZOLSAX2ParserSkippedEntities, ValidationTheyNeedChangesNothingElse)
{
    // What a validating reader does differently, each against the same document without
    // the callback: text in EMPTY and element-only content, white space there, undeclared
    // elements and attributes, missing required, wrong fixed, repeated ID and dangling
    // IDREF values, defaults and normalised values of the internal subset, standalone
    // checks, declarations after an undeclared parameter entity, a repeated attribute,
    // before and after the reader has seen it once, and an external subset named with
    // U+FFFF, which the reader takes out of the name before it asks for the subset.
    const std::string internal = "<!ELEMENT r (e,c)><!ELEMENT e EMPTY><!ELEMENT c (e*)>"
                                 "<!ATTLIST e t NMTOKENS #IMPLIED d CDATA 'dv' f CDATA #FIXED 'fv' q CDATA #REQUIRED "
                                 "i IDREF #IMPLIED x ID #IMPLIED>";
    const std::vector<std::string> documents = {
        "<!DOCTYPE r SYSTEM 'r.dtd' [" + internal +
            "]><r> <e t=' a  b ' i='nowhere' f='other' x='a'>text<?pi?></e>\n"
            "<c> <e q='1' x='a'/> &#32; <![CDATA[ ]]> x </c><u v='1'>&s;</u></r>",
        "<?xml version='1.0' standalone='yes'?><!DOCTYPE r [" + internal + "]><r><e t=' a\tb'/>\n<c> </c></r>",
        "<?xml version='1.0' standalone='yes'?><!DOCTYPE r SYSTEM 'r.dtd'><r>&e;</r>",
        "<!DOCTYPE r [%none; <!ENTITY e 'E'><!ATTLIST r d CDATA 'dv'>]><r>&e;</r>",
        "<!DOCTYPE r SYSTEM 'r.dtd'><r><p a='1' a='2'/></r>",
        "<!DOCTYPE r SYSTEM 'r.dtd'><r><p a='1'/><p b='1' a='2' a='3'/></r>",
        "<!DOCTYPE r SYSTEM 'r.dtd'><r><p>&undeclared</p></r>",
        "<!DOCTYPE r SYSTEM 'r.dtd' [<!ENTITY loop '&loop;'>]><r>&loop;</r>",
        "<!DOCTYPE r SYSTEM 'r\xEF\xBF\xBF.dtd'><r/>",
        "<!DOCTYPE r SYSTEM '\xEF\xBF\xBFr.dtd' [<!ENTITY e 'E'>]><r>&e;</r>",
    };
    for (bool secure : {false, true}) {
        Listening without(false, secure);
        Listening with(true, secure);
        with.record.inline_ = false;
        for (const std::string& document : documents) {
            const auto parse = [&](ZOLSAX2Parser& p) { p.parseString(ZOLString(document.c_str())); };
            EXPECT_EQ(everything(without, parse), everything(with, parse)) << document;
        }
        EXPECT_EQ("&s;@2:60", with.record.skipped);
        with.record.skipped.clear();
    }
}

TEST(ZOLSAX2ParserSkippedEntities, SettingTakesEffectAtTheNextParseAlsoFromACallback)
{
    const std::string document = "<!DOCTYPE r SYSTEM 'r.dtd'><r>&e;</r>";
    Listening::Record record;
    ZOLMemoryLog log;
    const StartElementCallback startListening = [](void* u, const char* name, const char** attributes) {
        Trace::onStart(u, name, attributes);
        static_cast<Listening::Record*>(static_cast<Trace*>(u))->parser->setSkippedEntityCallback(Listening::onSkipped);
    };
    ZOLSAX2Parser parser(static_cast<Trace*>(&record), &log, startListening, Trace::onEnd, Trace::onCharacters,
                         Trace::onPI);
    record.parser = &parser;
    std::string traces;
    for (int round = 0; round < 3; ++round) {
        // The last round starts without: the callback sets it again, too late for that parse.
        if (round == 2)
            parser.setSkippedEntityCallback(nullptr);
        record.events.clear();
        parser.parseString(ZOLString(document.c_str()));
        traces += record.str() + " ";
    }
    EXPECT_EQ("(r )r (r &e;@1:34)r (r )r ", traces);
}

namespace {

// A trace whose callbacks ask the parser to stop at the callback numbered stopAt (from 1;
// 0: never), and go on recording whatever still arrives.
struct Stopping : Trace {
    ZOLSAX2Parser* parser = nullptr;
    int calls = 0;
    int stopAt = 0;

    static void count(void* userData)
    {
        auto* s = static_cast<Stopping*>(static_cast<Trace*>(userData));
        if (++s->calls == s->stopAt)
            s->parser->stopParse();
    }
    static void onStart(void* u, const char* name, const char** attributes)
    {
        Trace::onStart(u, name, attributes);
        count(u);
    }
    static void onEnd(void* u, const char* name)
    {
        Trace::onEnd(u, name);
        count(u);
    }
    static void onCharacters(void* u, const char* text, int length)
    {
        Trace::onCharacters(u, text, length);
        count(u);
    }
    static void onPI(void* u, const char* target, const char* data)
    {
        Trace::onPI(u, target, data);
        count(u);
    }
    static void onSkipped(void* u, const char* name)
    {
        Trace::onSkipped(u, name);
        count(u);
    }
};

} // namespace

TEST(ZOLSAX2ParserStop, EndsAfterTheCallbackThatAsksAndTheNextParseRunsWhole)
{
    // Eight callbacks, one of each kind at least; stopping at each gives its prefix.
    const std::string document = "<!DOCTYPE r SYSTEM 'r.dtd'><?pi d?><r x='1'>t&nb;u<a/></r>";
    const std::string whole = "?pi d(r x=1 \"t\"&nb;\"u\"(a )a)r";
    const std::vector<std::string> prefixes = {
        "?pi d",
        "?pi d(r x=1 ",
        "?pi d(r x=1 \"t\"",
        "?pi d(r x=1 \"t\"&nb;",
        "?pi d(r x=1 \"t\"&nb;\"u\"",
        "?pi d(r x=1 \"t\"&nb;\"u\"(a ",
        "?pi d(r x=1 \"t\"&nb;\"u\"(a )a",
        whole,
    };
    ScratchDir dir;
    const std::string path = dir.write("doc.xml", document);
    for (bool secure : {false, true}) {
        Stopping s;
        ZOLMemoryLog log;
        ZOLSAX2Parser parser(static_cast<Trace*>(&s), &log, Stopping::onStart, Stopping::onEnd, Stopping::onCharacters,
                             Stopping::onPI);
        s.parser = &parser;
        parser.setSecureProcessing(secure);
        parser.setSkippedEntityCallback(Stopping::onSkipped);
        // Outside a parse the call does nothing.
        parser.stopParse();
        const auto run = [&](int stopAt, bool fromFile) {
            static_cast<Trace&>(s) = Trace();
            s.calls = 0;
            s.stopAt = stopAt;
            const std::string thrown = thrownMessage([&] {
                if (fromFile)
                    parser.parseFile(ZOLFile(path.c_str()));
                else
                    parser.parseString(ZOLString(document.c_str()));
            });
            return s.str() + " | " + thrown + " | " + testsupport::render(log) + "|" + parser.getPosition().chars();
        };
        for (std::size_t i = 0; i < prefixes.size(); ++i)
            for (bool fromFile : {false, true}) {
                EXPECT_EQ(prefixes[i] + " | <no exception> | |", run(static_cast<int>(i) + 1, fromFile))
                    << i << secure << fromFile;
                EXPECT_EQ(whole + " | <no exception> | |", run(0, fromFile)) << i << secure << fromFile;
            }
    }
}

TEST(ZOLSAX2ParserStop, AnswersForWhatWasReadBeforeTheStop)
{
    Stopping s;
    ZOLMemoryLog log;
    ZOLSAX2Parser parser(static_cast<Trace*>(&s), &log, Stopping::onStart, Stopping::onEnd, Stopping::onCharacters,
                         Stopping::onPI);
    s.parser = &parser;
    const auto run = [&](const char* document, int stopAt) {
        static_cast<Trace&>(s) = Trace();
        log.clear();
        s.calls = 0;
        s.stopAt = stopAt;
        const std::string thrown = thrownMessage([&] { parser.parseString(ZOLString(document)); });
        return s.str() + " | " + thrown + " | " + testsupport::render(log);
    };
    // The malformed rest and a second document element are never read; a warning logged
    // before the stop stays.
    EXPECT_EQ("(r  | <no exception> | ", run("<r><a></b></r>", 1));
    EXPECT_EQ("(r )r | <no exception> | ", run("<r/><r/>", 2));
    EXPECT_EQ("(a  | <no exception> | WARNING ZSAX_W0001 (1:44): attribute 'x' has already been declared for "
              "element 'a'\n",
              run("<!DOCTYPE a [<!ATTLIST a x CDATA #IMPLIED x CDATA #IMPLIED>]><a><b></c></a>", 1));
    // A callback that asks and then throws: its exception passes as usual.
    s.stopAt = 0;
    const StartElementCallback asksThenThrows = [](void* u, const char*, const char**) {
        static_cast<Stopping*>(static_cast<Trace*>(u))->parser->stopParse();
        throw std::runtime_error("own");
    };
    ZOLSAX2Parser throwing(static_cast<Trace*>(&s), &log, asksThenThrows, nullptr, nullptr, nullptr);
    s.parser = &throwing;
    EXPECT_THROW(throwing.parseString(ZOLString("<r/>")), std::runtime_error);
    EXPECT_THROW(throwing.parseString(ZOLString("<r/>")), std::runtime_error);
}
