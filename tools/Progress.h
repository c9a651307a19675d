#ifndef ZOLSAX2_TOOLS_PROGRESS_H
#define ZOLSAX2_TOOLS_PROGRESS_H

#include <chrono>
#include <iosfwd>
#include <string>

namespace zolsax2 {

// A one-line "done/total" indicator on a terminal's standard error, for long runs only:
// it stays silent for the first second and redraws at most ten times a second.
class Progress {
public:
    // Draws on err when enabled (err is a terminal) and total is not 1; a total of 0 means
    // not known in advance (a --files-from list).
    Progress(std::ostream& err, bool enabled, std::size_t total);
    Progress(const Progress&) = delete;
    Progress& operator=(const Progress&) = delete;
    // Erases the line.
    ~Progress();

    // Reports that done inputs are finished; the next one is named next (raw: it is escaped).
    void update(std::size_t done, const std::string& next);
    // Erases the line so other output starts at the left margin.
    void clear();

private:
    std::ostream& err;
    bool enabled;
    bool shown = false;
    std::size_t total;
    std::chrono::steady_clock::time_point start;
    std::chrono::steady_clock::time_point lastDraw;
};

} // namespace zolsax2

#endif
