#include "Expectations.h"

#include <fstream>
#include <ostream>
#include <stdexcept>

Expectations Expectations::load(const std::string& path)
{
    Expectations result;
    std::ifstream in(path);
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        if (line.empty() || line[0] == '#')
            continue;
        const std::size_t first = line.find('\t');
        const std::size_t second = first == std::string::npos ? first : line.find('\t', first + 1);
        if (second == std::string::npos)
            throw std::runtime_error(path + ":" + std::to_string(number) + ": expected ID<TAB>outcome<TAB>reason");
        result.add(line.substr(0, first), line.substr(first + 1, second - first - 1), line.substr(second + 1));
    }
    return result;
}

void Expectations::save(const std::string& path, const std::string& header) const
{
    std::ofstream out(path, std::ios::binary);
    std::size_t start = 0;
    while (start < header.size()) {
        const std::size_t end = header.find('\n', start);
        const std::string line = header.substr(start, end == std::string::npos ? std::string::npos : end - start);
        out << (line.empty() ? "#" : "# " + line) << '\n';
        start = end == std::string::npos ? header.size() : end + 1;
    }
    for (const auto& [id, entry] : entries)
        out << id << '\t' << entry.outcome << '\t' << entry.reason << '\n';
    if (!out)
        throw std::runtime_error("cannot write " + path);
}

void Expectations::add(const std::string& id, const std::string& outcome, const std::string& reason)
{
    entries[id] = Entry{outcome, reason};
}

int Expectations::compare(const Expectations& expected, const Expectations& actual, std::ostream& report)
{
    int differences = 0;
    for (const auto& [id, entry] : actual.entries) {
        const auto known = expected.entries.find(id);
        if (known == expected.entries.end()) {
            report << "NEW DIFFERENCE\t" << id << '\t' << entry.outcome << '\t' << entry.reason << '\n';
            ++differences;
        } else if (known->second.outcome != entry.outcome) {
            report << "CHANGED\t" << id << '\t' << known->second.outcome << " -> " << entry.outcome << '\n';
            ++differences;
        }
    }
    for (const auto& [id, entry] : expected.entries) {
        if (actual.entries.count(id) == 0) {
            report << "NOW AGREES\t" << id << "\twas " << entry.outcome << " (" << entry.reason << ")\n";
            ++differences;
        }
    }
    return differences;
}

void Expectations::keepReasons(const Expectations& earlier)
{
    for (auto& [id, entry] : entries) {
        const auto known = earlier.entries.find(id);
        if (known != earlier.entries.end() && known->second.outcome == entry.outcome)
            entry.reason = known->second.reason;
    }
}

int Expectations::settle(const std::string& path, const std::string& header, bool update, std::ostream& report)
{
    const Expectations expected = load(path);
    if (update) {
        keepReasons(expected);
        save(path, header);
        report << "wrote " << entries.size() << " entries to " << path << '\n';
        return 0;
    }
    const int differences = compare(expected, *this, report);
    report << entries.size() << " known differences; " << differences << " changes against " << path << '\n';
    return differences == 0 ? 0 : 1;
}
