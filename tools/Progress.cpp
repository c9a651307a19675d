#include "Progress.h"

#include "Escape.h"

#include <ostream>

namespace zolsax2 {

Progress::Progress(std::ostream& err, bool enabled, std::size_t total)
    : err(err), enabled(enabled && total != 1), total(total), start(std::chrono::steady_clock::now()), lastDraw(start)
{}

Progress::~Progress()
{
    clear();
}

void Progress::update(std::size_t done, const std::string& next)
{
    if (!enabled)
        return;
    const auto now = std::chrono::steady_clock::now();
    if (now - start < std::chrono::seconds(1) || now - lastDraw < std::chrono::milliseconds(100))
        return;
    lastDraw = now;
    shown = true;
    // \r and "erase to end of line" keep the indicator on one line of the terminal.
    err << "\r\033[K" << done;
    if (total > 0)
        err << '/' << total;
    err << ' ' << Escape::text(next) << std::flush;
}

void Progress::clear()
{
    if (!shown)
        return;
    shown = false;
    err << "\r\033[K" << std::flush;
}

} // namespace zolsax2
