#ifndef ZOLSAX2_TOOLS_COMMANDLINE_H
#define ZOLSAX2_TOOLS_COMMANDLINE_H

#include <stdexcept>
#include <string>
#include <vector>

namespace zolsax2 {

// The arguments of one zolsax2 invocation, checked for shape but not against the file system.
// Options may stand before or after the command.
class CommandLine {
public:
    // A malformed command line; the message is one line without the program name.
    class UsageError : public std::runtime_error {
    public:
        using std::runtime_error::runtime_error;
    };

    // Reads args (without the program name); throws UsageError.
    static CommandLine parse(const std::vector<std::string>& arguments);
    // True when command takes option (its long name, such as "--secure").
    static bool accepts(const std::string& command, const std::string& option);

    // "events", "check", "validate", "count", "messages", "resolve"; empty with a bare
    // --help/--version.
    std::string command;
    // The FILE arguments in the order given; "-" is standard input.
    std::vector<std::string> inputs;
    // -h/--help and --version.
    bool help = false;
    bool version = false;
    // events --positions / --canonical.
    bool positions = false;
    bool canonical = false;
    // --secure: setSecureProcessing(true) on the parser or validator.
    bool secure = false;
    // --huge: no amplification limit unless --secure, and no cap even then.
    bool huge = false;
    // -q/--quiet: only problems, failed files and the final count.
    bool quiet = false;
    // -j/--jobs N; 0 when not given (the processors available).
    unsigned jobs = 0;
    // --files-from LIST ("-" for standard input), empty when not given; -0/--null ends
    // its names with NUL instead of newline.
    std::string filesFrom;
    bool nullSeparated = false;
    // One --schema of validate: the target namespace (empty for a schema without one) and
    // the location as given.
    struct Schema {
        std::string targetNamespace;
        std::string location;
    };
    // The schemas of validate, one per namespace (the last given), in the order first given.
    std::vector<Schema> schemas;
    // --allow-empty: no input at all is a normal outcome, not a failure.
    bool allowEmpty = false;
    // --format: "text" (the default), "json", "sarif" or "junit".
    std::string format = "text";
    // Namespace well-formedness checked: check and count unless --no-namespaces, events
    // with --namespaces.
    bool namespaces = true;
    // validate --follow-hints: also follow the documents' own schema hints.
    bool followHints = false;
    // validate: against each document's DTD (--dtd), or the one of --dtd-file.
    bool dtd = false;
    std::string dtdFile;
    // events, check, count: read the external DTD each input names.
    bool loadDtd = false;
    // --catalog FILE, in the order given; --no-catalogs: no catalog at all. Neither: the
    // catalogs of XML_CATALOG_FILES, else /etc/xml/catalog.
    std::vector<std::string> catalogs;
    bool noCatalogs = false;
    // --net: open http and https resources that no catalog maps.
    bool net = false;
};

} // namespace zolsax2

#endif
