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
    // With skippedEntities the parser has a skipped-entity callback set, which must change
    // none of the results. Answers the process's exit status.
    static int run(const std::string& suiteDir, const std::string& expectedPath, bool update, bool secure,
                   bool skippedEntities, std::ostream& out);
    // Prints the outcome, canonical form and log of one test, for writing its reason, and
    // with skippedEntities the entities reported as skipped.
    static int show(const std::string& suiteDir, const std::string& id, bool secure, bool skippedEntities,
                    std::ostream& out);
};

#endif
