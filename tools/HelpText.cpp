#include "HelpText.h"

#include "CommandLine.h"

#include <vector>

namespace zolsax2 {

namespace {

// One command: its usage line, what it does and examples.
struct CommandHelp {
    const char* name;
    const char* usage;
    const char* summary;
    const char* description;
    const char* examples;
};

const std::vector<CommandHelp> commandHelp = {
    {"events", "events [FILE|-]...", "print the parser's events of each input, one line each",
     R"(Prints the parser's events of each input, one line each, with tabs between
fields; standard input when no FILE is given. Problems go to standard error.
  start<TAB>QNAME[<TAB>NAME=VALUE]...     end<TAB>QNAME
  chars<TAB>TEXT                          pi<TAB>TARGET<TAB>DATA
Adjacent character data is one chars line, written as it arrives (a text of
any size takes little memory); empty character data gives no line.
Attributes keep the order the parser delivers them in. Fields are escaped
(see Escapes in 'zolsax2 --help'); backslash is written \\.
)",
     R"(  zolsax2 events order.xml
  cat order.xml | zolsax2 events --positions
)"},
    {"check", "check FILE|-...", "report whether each input is well-formed",
     R"(Reports whether each input is well-formed XML: its problems, then one verdict
line, "FILE: ok" or "FILE: failed", on standard output; a count at the end
when there are several files or a --files-from list.
)",
     R"(  zolsax2 check *.xml
  find . -name '*.xml' -print0 | zolsax2 check -q -0 --files-from -
)"},
    {"validate", "validate [--schema NAMESPACE LOCATION]... [--dtd] FILE|-...",
     "validate each input against the XML Schema at\n                        LOCATION for the target namespace "
     "NAMESPACE, and only\n                        against it",
     R"(Validates each input against the schemas named by --schema, its DTD with
--dtd, or both (valid means valid against all of them): each file's
problems, then one verdict line, "FILE validates" or "FILE fails to
validate", on standard output; a count at the end when there are several
files or a --files-from list. Standard input is validated as it arrives,
never copied.
)",
     R"(  zolsax2 validate --schema urn:example:purchase-order po.xsd order.xml
  zolsax2 validate --schema '' note.xsd note.xml
  zolsax2 validate -q -j 4 --schema urn:x x.xsd --files-from list.txt
  zolsax2 validate --dtd --secure article.xml
)"},
    {"count", "count FILE|-...",
     "count elements, attributes, bytes of character data\n"
     "                        and processing instructions; time the parse",
     R"(Counts each input's elements, attributes, bytes of character data (UTF-8) and
processing instructions, and times its parse (MB/s from the file's size). A
file that fails gets a row with "failed" where the numbers would be, and its
problems on standard error; a total row follows when there are several files.
)",
     R"(  zolsax2 count big.xml
  zolsax2 count -q -j 2 *.xml
)"},
    {"messages", "messages [ID]",
     "print the message catalogue, or the one message ID\n"
     "                        (5 or ZSAX_F0005)",
     R"(Prints the library's message catalogue, one message a line: identifier, code,
severity and text, separated by tabs; or the one message ID, given by
identifier (5) or code (ZSAX_F0005).
)",
     R"(  zolsax2 messages
  zolsax2 messages ZSAX_F0005
)"},
    {"resolve", "resolve ID...",
     "print what each public identifier, system identifier\n"
     "                        or URI resolves to through the XML catalogs",
     R"(Prints what each ID resolves to through the OASIS XML catalogs, one line each:
the URI an entry maps it to, as xmlcatalog prints it, or "No entry for
PUBLIC ID" or "No entry for SYSTEM or URI ID". An ID with a blank or another
character a URI cannot hold is a public identifier; any other is looked up
as a system identifier, then as a URI. The catalogs are read from local
files only; a catalog that cannot be read is a warning on standard error.
)",
     R"(  zolsax2 resolve '-//OASIS//DTD DocBook XML V4.5//EN'
  zolsax2 resolve --catalog my-catalog.xml http://example.com/a.dtd
)"},
};

// One option: its long name (for CommandLine::accepts), its help block and its group in
// the full help.
struct OptionHelp {
    const char* name;
    const char* group;
    const char* text;
};

const std::vector<OptionHelp> optionHelp = {
    {"--files-from", "Inputs (events, check, validate, count)",
     R"(  --files-from LIST     also read the names of inputs from the file LIST (-
                        for standard input), one a line, after the FILE
                        arguments; names are taken as they are (a line - is
                        the file ./-), empty ones are skipped
)"},
    {"--null", "Inputs (events, check, validate, count)",
     R"(  -0, --null            names in LIST end with a NUL byte, as find -print0
                        writes them
)"},
    {"--secure", "Inputs (events, check, validate, count)",
     R"(  --secure              parse as untrusted input (no external entities, DTDs
                        or schema hints; a limit on entity expansion)
)"},
    {"--huge", "Inputs (events, check, validate, count)",
     R"(  --huge                let entities and default attributes expand without
                        limit (by default a document may make at most 8 Mi
                        characters that way, and 20 times its size beyond 8 MiB)
)"},
    {"--quiet", "Output (check, validate, count)",
     R"(  -q, --quiet           print only the problems, the verdicts or rows of the
                        files that failed, and the final count
)"},
    {"--jobs", "Output (check, validate, count)",
     R"(  -j, --jobs N          work on N files at once, each thread with its own
                        parser or validator (default: the processors
                        available; validate's threads share one grammar of
                        the schemas); the output and the exit status are
                        those of -j 1, byte for byte
)"},
    {"--allow-empty", "Output (check, validate, count)",
     R"(  --allow-empty         no input at all (an empty list) is a normal outcome;
                        without it "no files to check" is an error (exit 1)
)"},
    {"--format", "Output (check, validate, count)",
     R"(  --format FORMAT       text (the default); json: one object a line (each
                        diagnostic, each verdict, the final count); sarif: one
                        SARIF 2.1.0 log; junit: JUnit XML, a test case a file
                        (count: text or json)
)"},
    {"--load-dtd", "Inputs (events, check, count)",
     R"(  --load-dtd            events, check and count: read the external DTD each
                        input names (through the catalogs): its entities are
                        expanded, its default attributes added
)"},
    {"--no-namespaces", "Inputs (events, check, validate, count)",
     R"(  --no-namespaces       check and count: do not check the Namespaces in XML
                        constraints (undeclared prefixes, attributes with one
                        expanded name, misused xml and xmlns prefixes)
)"},
    {"--namespaces", "events",
     R"(  --namespaces          also check the Namespaces in XML constraints
)"},
    {"--positions", "events",
     R"(  --positions           start each line with the reader's LINE:COLUMN and a
                        tab
)"},
    {"--canonical", "events",
     R"(  --canonical           write each input's canonical XML instead (the form of
                        the W3C XML conformance suite's out/ files, with
                        control characters as character references)
)"},
    {"--schema", "validate",
     R"(  --schema NAMESPACE LOCATION
                        the schema for the target namespace NAMESPACE; ''
                        for a schema without one; give it once per
                        namespace a document uses (the last one given for
                        a namespace wins); a relative LOCATION is taken from
                        the current directory, a URL is passed on unchanged
)"},
    {"--follow-hints", "validate",
     R"(  --follow-hints        also load the schemas that documents name in their
                        xsi:schemaLocation hints, for the namespaces the
                        named schemas do not cover
)"},
    {"--dtd", "validate",
     R"(  --dtd                 also validate each input against the DTD of its
                        DOCTYPE (found through the catalogs); an input
                        without a DOCTYPE fails
)"},
    {"--dtd-file", "validate",
     R"(  --dtd-file DTD        validate each input against the DTD file DTD
                        instead, whatever its DOCTYPE names (implies --dtd)
)"},
    {"--catalog", "Catalogs and the network",
     R"(  --catalog FILE        use the OASIS XML catalog FILE (a path or a file:
                        URL); give it again for more, consulted in order.
                        Without it: the catalogs that XML_CATALOG_FILES
                        lists (separated by blanks), else /etc/xml/catalog
)"},
    {"--no-catalogs", "Catalogs and the network",
     R"(  --no-catalogs         use no catalog at all
)"},
    {"--net", "Catalogs and the network",
     R"(  --net                 open http and https resources that no catalog maps
                        (without it, such a resource is an error naming it)
)"},
    {"--help", "Other",
     R"(  -h, --help            print this help (with a command: that command's) and
                        exit
)"},
    {"--version", "Other",
     R"(  --version             print the version and exit
  --                    end of options: later arguments are files
)"},
};

const char* const DIAGNOSTICS = R"(Diagnostics (check and validate: standard output; events and count: standard
error), one line each, the problems of a file before its verdict:
  FILE:LINE:COLUMN: SEVERITY: TEXT [CODE]   a problem at a position
  FILE:0:0: SEVERITY: TEXT [CODE]           a problem without one
  FILE: ok | FILE: failed                   the verdict of check (events and
                                            count print "FILE: failed" only)
  FILE validates | FILE fails to validate   the verdict of validate
  N files: ...                              the count of check and validate,
                                            with several files or a list
  FILE is the file the problem is in, LINE and COLUMN are in that file,
  counted from 1. An input is named as given (<stdin> for -), a schema as
  given to --schema, and any other file (an external entity, a DTD, a file
  a schema includes) by its path from the current directory, or by its
  absolute path or URL when it lies outside the current directory's tree.
  An error in an entity of data/with-entity.xml, say:
    $ zolsax2 check data/with-entity.xml
    data/entities/first.ent:3:23: fatal error: expected end of tag 'body' [ZSAX_W0001]
    data/with-entity.xml: failed
  SEVERITY is how the reader classed the problem: warning (it read on and
  the verdict stands), error (the file fails; the reader read on) or fatal
  error (it stopped there), as a compiler writes them, so the problem
  matchers of CI services read every line; a problem without a position
  (an unreadable file) is at 0:0. A byte that does not decode is placed
  where it is ("byte 0xFF is not UTF-8"); a namespace problem is an error.
  check, events and count warn of each entity reference the parser drops
  because no declaration of it was read (one in an external DTD, which they
  never read):
    data/skipped.xml:4:17: warning: entity 'laquo' not expanded: it is not
    declared in the document, and the external DTD that may declare it is
    not read
  CODE is the library's message ('zolsax2 messages CODE'); problems zolsax2
  finds itself have none: an input it cannot read gives the system's reason
  ("FILE:0:0: fatal error: cannot read: No such file or directory"). A
  parse that fails
  ends in the library's ZSAX_F0005 (Failed to parse XML file); the verdict
  line stands for it.
)";

const char* const FORMATS = R"(Formats (--format; check and validate, count text or json), in input order
with any -j:
  text   the diagnostic and verdict lines above (the default)
  json   one object a line: each diagnostic, each verdict, then the count,
         whose "complete" is false when a --files-from list failed:
    $ zolsax2 check --format json data/bad-byte.xml data/unbound-prefix.xml
    {"type":"diagnostic","file":"data/bad-byte.xml","line":2,"column":7,"severity":"fatal error","code":"ZSAX_W0001","message":"byte 0xFF is not UTF-8"}
    {"type":"verdict","file":"data/bad-byte.xml","ok":false,"verdict":"failed"}
    {"type":"diagnostic","file":"data/unbound-prefix.xml","line":1,"column":7,"severity":"error","code":"ZSAX_W0001","message":"the prefix 'a' of element 'a:b' is not declared"}
    {"type":"verdict","file":"data/unbound-prefix.xml","ok":false,"verdict":"failed"}
    {"type":"summary","files":2,"ok":0,"failed":2,"complete":true}
  junit  one JUnit XML report, a test case per file, the diagnostics of a
         failed file as its failure:
    $ zolsax2 check --format junit data/unbound-prefix.xml
    <?xml version="1.0" encoding="UTF-8"?>
    <testsuites name="zolsax2 check" tests="1" failures="1" errors="0">
      <testsuite name="zolsax2 check" tests="1" failures="1" errors="0" skipped="0">
        <testcase classname="zolsax2.check" name="data/unbound-prefix.xml">
          <failure message="the prefix 'a' of element 'a:b' is not declared" type="ZSAX_W0001">data/unbound-prefix.xml:1:7: error: the prefix 'a' of element 'a:b' is not declared [ZSAX_W0001]
    </failure>
        </testcase>
      </testsuite>
    </testsuites>
  sarif  one SARIF 2.1.0 log: a result per diagnostic, the catalogue's codes
         (and zolsax2 for the tool's own findings) as rules, files relative to
         the current directory, columns in UTF-16 code units; its results:
    $ zolsax2 check --format sarif data/unbound-prefix.xml
          "results": [
            {
              "ruleId": "ZSAX_W0001",
              "level": "error",
              "message": {
                "text": "the prefix 'a' of element 'a:b' is not declared"
              },
              "locations": [
                {
                  "physicalLocation": {
                    "artifactLocation": {
                      "uri": "data/unbound-prefix.xml",
                      "uriBaseId": "CWD"
                    },
                    "region": {
                      "startLine": 1,
                      "startColumn": 7
                    }
                  }
                }
              ],
              "ruleIndex": 0
            }
          ]
)";

const char* const VALIDATION = R"(Validation answers for the named schemas only: "FILE validates" means the
file was checked against them. A file fails when it is not valid, when a
named schema cannot be used, or when its document element is in a namespace
that no named schema is for. The documents' own schema hints
(xsi:schemaLocation, xsi:noNamespaceSchemaLocation) are ignored unless
--follow-hints is given, and a hint never stands in for a named schema.
Each local schema is looked at once before the run: one that is missing,
unreadable, empty, not XML, not a schema or for another namespace than named
is reported once, against its own name, and every file fails unread. Each
job loads the schemas once for all its files. A problem inside a schema, or
in another file that the inputs share, is printed the first time only.
A schema that is missing, say:
  $ zolsax2 validate --schema urn:example:a a.xsd x.xml y.xml
  a.xsd:0:0: fatal error: cannot read: No such file or directory
  x.xml fails to validate
  y.xml fails to validate
  2 files: 0 validate, 2 fail to validate
)";

const char* const ESCAPES = R"(Escapes: no name or text reaches the output raw if a terminal could act on
it or it could start a line:
  tab, newline, carriage return        \t \n \r
  other control characters (U+0000 to U+001F, U+007F to U+009F), the
  characters that reorder or break a line unseen (bidirectional controls
  U+061C, U+200E, U+200F, U+202A to U+202E, U+2066 to U+2069; U+2028,
  U+2029), and bytes that are not UTF-8
                                       \xNN, one per byte: ESC is \x1b,
                                       U+202E is \xe2\x80\xae
  Other UTF-8 is written as it is. Event fields also write backslash as \\,
  so that they decode to the parser's bytes exactly; diagnostics and file
  names keep backslash as it is, so that messages stay readable.
  A FILE whose name is not UTF-8 is opened by zolsax2 and read through
  /proc/self/fd; references in it relative to its own folder are not found.
)";

const char* const EXIT_STATUS = R"(Exit status:
  0  every input succeeded
  1  an input was not well-formed, not valid or not readable, or a schema
     could not be used (or a message ID is unknown, or an ID of resolve has
     no catalog entry)
  2  usage error: a malformed command line, or a --files-from LIST that
     cannot be read
)";

const char* const ENVIRONMENT = R"(Environment:
  ZOLSAX2_HEAP=default  keep the C library's usual heap. Otherwise zolsax2
                        asks the system for huge pages for its heap, which
                        loads a large schema faster for a few MiB of memory.
  XML_CATALOG_FILES     the catalogs to use without --catalog, separated by
                        blanks (set and empty: none); /etc/xml/catalog when
                        it is not set.
)";

const CommandHelp& findCommand(const std::string& name)
{
    for (const CommandHelp& c : commandHelp) {
        if (name == c.name)
            return c;
    }
    return commandHelp.front();
}

} // namespace

std::string HelpText::full()
{
    std::string text = "Usage: zolsax2 COMMAND [OPTIONS] [FILE...]\n"
                       "Parses, checks and validates XML with the ZOLSAX2Parser library. Options may\n"
                       "come before or after the command; 'zolsax2 COMMAND --help' describes one.\n\nCommands:\n";
    for (const CommandHelp& c : commandHelp) {
        std::string usage = std::string("  ") + c.usage;
        usage += usage.size() < 24 ? std::string(24 - usage.size(), ' ') : "\n" + std::string(24, ' ');
        text += usage + c.summary + "\n";
    }
    std::string group;
    for (const OptionHelp& o : optionHelp) {
        if (group != o.group) {
            group = o.group;
            text += "\n" + group + ":\n";
        }
        text += o.text;
    }
    text += "\nProgress is shown on standard error when it is a terminal and a run over\n"
            "several files takes more than a second.\n\n";
    text += std::string(DIAGNOSTICS) + "\n" + FORMATS + "\n" + VALIDATION + "\n" + ESCAPES + "\n" + EXIT_STATUS + "\n" +
            ENVIRONMENT + "\nExamples:\n";
    for (const CommandHelp& c : commandHelp)
        text += c.examples;
    return text;
}

std::string HelpText::of(const std::string& command)
{
    const CommandHelp& c = findCommand(command);
    const std::string usage = c.usage;
    const std::size_t space = usage.find(' ');
    std::string text = "Usage: zolsax2 " + usage.substr(0, space) + " [OPTIONS]" + usage.substr(space) + "\n" +
                       c.description + "\nOptions:\n";
    for (const OptionHelp& o : optionHelp) {
        if (CommandLine::accepts(c.name, o.name))
            text += o.text;
    }
    // validate's own section is long: its formats are those of check.
    if (command == "check" || command == "count")
        text += std::string("\n") + FORMATS;
    if (command == "validate")
        text += std::string("\n") + VALIDATION;
    text += std::string("\nExamples:\n") + c.examples +
            "\nThe diagnostic format, the escapes and the exit status: 'zolsax2 --help'.\n";
    if (command == "validate")
        text += "The output formats (--format): 'zolsax2 check --help'.\n";
    return text;
}

} // namespace zolsax2
