#ifndef RANDOM_H
#define RANDOM_H

#include <cstddef>
#include <cstdint>

namespace zolbench {

// splitmix64: small, fast and the same everywhere, so the corpora are the same bytes on
// every machine (nothing from the clock or the C library's rand).
class Random {
public:
    explicit Random(std::uint64_t seed) : state(seed) {}
    std::uint64_t next()
    {
        std::uint64_t z = (state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // Uniform in [low, high].
    unsigned between(unsigned low, unsigned high) { return low + static_cast<unsigned>(next() % (high - low + 1)); }
    // Uniform in [0, 1).
    double unit() { return static_cast<double>(next() >> 11) / 9007199254740992.0; }
    template <std::size_t N>
    const char* pick(const char* const (&words)[N])
    {
        return words[next() % N];
    }

private:
    std::uint64_t state;
};

} // namespace zolbench

#endif
