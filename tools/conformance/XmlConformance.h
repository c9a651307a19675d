#ifndef XMLCONFORMANCE_H
#define XMLCONFORMANCE_H

#include <iosfwd>
#include <string>

// Runs the W3C XML conformance suite through ZOLSAX2Parser: not-wf documents must be
// rejected, valid and invalid ones accepted (the parser does not validate), and the
// canonical form written from the callbacks must equal the suite's out/ file. Results that
// differ from that are held against an expectations file.
class XmlConformance {
public:
    // suiteDir holds xmlconf/. Prints the figures and every change against expectedPath
    // to out; with update, rewrites that file instead. secure parses with secure processing.
    // Answers the process's exit status.
    static int run(const std::string& suiteDir, const std::string& expectedPath, bool update, bool secure,
                   std::ostream& out);
    // Prints the outcome, canonical form and log of one test, for writing its reason.
    static int show(const std::string& suiteDir, const std::string& id, bool secure, std::ostream& out);
};

#endif
