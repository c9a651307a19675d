#ifndef EXPECTATIONS_H
#define EXPECTATIONS_H

#include <iosfwd>
#include <map>
#include <string>

// The tests of a conformance run whose outcome differs from what the suite asks for, each
// with its outcome and the reason. Stored as text: '#' comment lines, then one
// "ID<TAB>outcome<TAB>reason" line per test, sorted by ID.
class Expectations {
public:
    struct Entry {
        std::string outcome;
        std::string reason;
    };

    // The entries of the file at path; an absent file gives none. Throws std::runtime_error
    // on a malformed line.
    static Expectations load(const std::string& path);
    // Writes the entries, after the header lines (each written with "# " in front).
    void save(const std::string& path, const std::string& header) const;

    void add(const std::string& id, const std::string& outcome, const std::string& reason);
    const std::map<std::string, Entry>& getEntries() const noexcept { return entries; }
    // Writes one line per test whose outcome differs between expected and actual, in either
    // direction, and answers their number.
    static int compare(const Expectations& expected, const Expectations& actual, std::ostream& report);
    // Takes the reason from earlier for every entry whose outcome did not change, so that
    // written reasons survive a regeneration.
    void keepReasons(const Expectations& earlier);
    // Ends a run whose differences are these: with update, rewrites the file at path
    // (keeping its reasons) and answers 0; otherwise compares with it and answers 0 when
    // nothing changed, 1 otherwise.
    int settle(const std::string& path, const std::string& header, bool update, std::ostream& report);

private:
    std::map<std::string, Entry> entries;
};

#endif
