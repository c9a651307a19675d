#ifndef SKIPPEDENTITYEQUIVALENCE_H
#define SKIPPEDENTITYEQUIVALENCE_H

#include <iosfwd>
#include <string>
#include <utility>
#include <vector>

// Parses every document of the W3C XML conformance suite twice, without and with a
// skipped-entity callback, in the default and in the secure mode, and compares all the
// parser gives: every call of the four callbacks with its arguments as delivered (text runs
// unmerged) and the position getPosition() reports inside it, every log record with its
// location data, and how the parse ended. With the callback set the only difference allowed
// is the skipped-entity calls themselves.
class SkippedEntityEquivalence {
public:
    // suiteDir holds xmlconf/. Prints the figures and the first line of each difference to
    // out. Answers the process's exit status: 0 when every document gives the same.
    static int run(const std::string& suiteDir, std::ostream& out);
    // The same over any documents, given as (name, path) pairs.
    static int compare(const std::vector<std::pair<std::string, std::string>>& documents, std::ostream& out);
};

#endif
