#ifndef ZOLSAX2SCHEMAPAIRS_H
#define ZOLSAX2SCHEMAPAIRS_H

#include <ZOLString.h>

#include <cstddef>
#include <vector>

// The namespace and location pairs of the schemas in force, in the order first given, at
// most one per namespace, and the one text the reader receives them in. Internal to the
// library.
class ZOLSAX2SchemaPairs {
public:
    struct Pair {
        ZOLString targetNamespace;
        ZOLString location;
    };

    // Adds the pair, or replaces the location of the pair already there for its namespace.
    void set(const ZOLString& targetNamespace, const ZOLString& location);
    void clear() noexcept { pairs.clear(); }
    bool isEmpty() const noexcept { return pairs.empty(); }
    std::size_t size() const noexcept { return pairs.size(); }
    const Pair& operator[](std::size_t i) const noexcept { return pairs[i]; }
    std::vector<Pair>::const_iterator begin() const noexcept { return pairs.begin(); }
    std::vector<Pair>::const_iterator end() const noexcept { return pairs.end(); }
    // True when a pair is for targetNamespace.
    bool covers(const ZOLString& targetNamespace) const;
    // "namespace location namespace location ...", as written: nothing is escaped.
    ZOLString text() const;

private:
    std::vector<Pair> pairs;
};

#endif
