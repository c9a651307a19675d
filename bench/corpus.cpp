// Deterministic benchmark corpora: zolbench-corpus SHAPE MIB OUTPUT
//
// The same shape and size always give the same bytes (a fixed seed per shape and a
// private generator, nothing from the clock or the C library's rand).
//   mixed       a catalogue of items: nested markup, a few attributes, short texts
//   attributes  flat records with 1 to 16 attributes each, mostly empty elements
//   text        long runs of character data (1 to 16 KiB per paragraph)
//   unicode     mixed markup whose names, values and texts are mostly non-ASCII,
//               including 4-byte characters (surrogate pairs in UTF-16)
//   pi          a log interleaved with many processing instructions

#include "Random.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

using zolbench::Random;

const char* const WORDS[] = {
    "auction", "bidder",  "reserve", "shipping", "payment", "seller", "item",    "category", "quality",
    "the",     "of",      "and",     "a",        "to",      "in",     "is",      "for",      "with",
    "gold",    "antique", "mint",    "vintage",  "rare",    "lot",    "offer",   "price",    "condition",
    "boxed",   "signed",  "edition", "original", "first",   "print",  "collect", "bundle",   "carefully",
};

const char* const COUNTRIES[] = {"United States", "Germany", "Japan", "Brazil", "Kenya", "Norway", "India"};

// Mostly non-ASCII words: 2-byte (Latin, Greek, Cyrillic), 3-byte (CJK, Hangul) and
// 4-byte (emoji, mathematical letters, Gothic) characters, with some ASCII between.
const char* const UNICODE_WORDS[] = {
    "café",   "naïve",    "Größe",  "straße", "señor", "ελληνικά", "Αθήνα", "русский", "Москва", "日本語",
    "東京都", "中文字符", "한국어", "서울",   "😀",     "🚀🌍",       "𝒜𝒷𝒸",   "𝔘𝔫𝔦𝔠𝔬𝔡𝔢", "𐌰𐌱𐌲",    "data",
    "x",      "€100",     "½",      "→",      "∑∫√",   "ﬁn",       "𝟙𝟚𝟛",   "🎉🎊🎈",
};

const char* const UNICODE_NAMES[] = {"título", "名前", "описание", "préfixe", "δεδομένα", "항목", "Größe"};

const char* const PI_TARGETS[] = {"render", "trace", "page-break", "php", "app-hint", "cache"};

// Buffers the output and knows how much has been written.
class Output {
public:
    explicit Output(std::FILE* file) : file(file), written(0) {}
    Output(const Output&) = delete;
    Output& operator=(const Output&) = delete;
    ~Output() { flush(); }

    Output& operator<<(const char* text)
    {
        buffer += text;
        return *this;
    }
    Output& operator<<(const std::string& text)
    {
        buffer += text;
        return *this;
    }
    Output& operator<<(unsigned long long n)
    {
        buffer += std::to_string(n);
        return *this;
    }
    std::size_t size() const { return written + buffer.size(); }
    void maybeFlush()
    {
        if (buffer.size() >= (1u << 20))
            flush();
    }
    void flush()
    {
        if (!buffer.empty() && std::fwrite(buffer.data(), 1, buffer.size(), file) != buffer.size()) {
            std::perror("write");
            std::exit(1);
        }
        written += buffer.size();
        buffer.clear();
    }

private:
    std::FILE* file;
    std::string buffer;
    std::size_t written;
};

template <std::size_t N>
std::string words(Random& random, const char* const (&list)[N], unsigned count)
{
    std::string text;
    for (unsigned i = 0; i < count; ++i) {
        if (i > 0)
            text += ' ';
        text += random.pick(list);
    }
    return text;
}

void mixedRecord(Output& out, Random& r, unsigned long long n)
{
    out << "  <item id=\"item" << n << "\" featured=\"" << (r.between(0, 3) == 0 ? "yes" : "no")
        << "\" category=\"category" << static_cast<unsigned long long>(r.between(1, 500)) << "\">\n";
    out << "    <location>" << r.pick(COUNTRIES) << "</location>\n";
    out << "    <quantity>" << static_cast<unsigned long long>(r.between(1, 20)) << "</quantity>\n";
    out << "    <name>" << words(r, WORDS, r.between(2, 5)) << "</name>\n";
    out << "    <payment>Creditcard, Personal Check, Cash</payment>\n";
    out << "    <description>\n      <text>" << words(r, WORDS, r.between(5, 30)) << " <bold>" << r.pick(WORDS)
        << "</bold> " << words(r, WORDS, r.between(3, 20)) << " &amp; <keyword>" << r.pick(WORDS) << "</keyword> "
        << words(r, WORDS, r.between(3, 15)) << "</text>\n    </description>\n";
    out << "    <shipping>Will ship internationally</shipping>\n";
    for (unsigned k = r.between(1, 3); k > 0; --k)
        out << "    <incategory category=\"category" << static_cast<unsigned long long>(r.between(1, 500)) << "\"/>\n";
    out << "    <mailbox>\n";
    for (unsigned k = r.between(0, 2); k > 0; --k)
        out << "      <mail><from>" << r.pick(WORDS) << " mailto:" << r.pick(WORDS) << "@example.com</from><to>"
            << r.pick(WORDS) << "</to><date>" << static_cast<unsigned long long>(r.between(1, 28)) << "/0"
            << static_cast<unsigned long long>(r.between(1, 9)) << "/2000</date><text>"
            << words(r, WORDS, r.between(4, 25)) << "</text></mail>\n";
    out << "    </mailbox>\n  </item>\n";
}

void attributesRecord(Output& out, Random& r, unsigned long long n)
{
    static const char* const NAMES[] = {"key",   "name",  "type",    "status", "owner", "created",  "modified",
                                        "size",  "color", "weight",  "region", "code",  "priority", "lang",
                                        "class", "style", "version", "ref",    "group", "unit"};
    // Mostly a handful of attributes, sometimes more than most elements carry.
    const unsigned count = r.between(0, 6) == 0 ? r.between(9, 16) : r.between(1, 8);
    out << "<row id=\"r" << n << "\"";
    for (unsigned i = 1; i < count; ++i) {
        out << " " << NAMES[(i * 7 + n) % 20] << static_cast<unsigned long long>(i) << "=\"" << r.pick(WORDS);
        if (r.between(0, 2) == 0)
            out << "-" << static_cast<unsigned long long>(r.between(0, 99999));
        out << "\"";
    }
    if (r.between(0, 9) == 0)
        out << ">" << r.pick(WORDS) << "</row>\n";
    else
        out << "/>\n";
}

void textRecord(Output& out, Random& r, unsigned long long n)
{
    out << "<section n=\"" << n << "\">\n<para>";
    const unsigned target = r.between(1024, 16384);
    std::string text;
    unsigned line = 0;
    while (text.size() < target) {
        text += r.pick(WORDS);
        if (++line % 12 == 0)
            text += '\n';
        else
            text += ' ';
        // Now and then an entity reference, which the reader reports as its own run.
        if (r.between(0, 400) == 0)
            text += "&amp; ";
    }
    out << text << "</para>\n</section>\n";
}

void unicodeRecord(Output& out, Random& r, unsigned long long n)
{
    const char* name = r.pick(UNICODE_NAMES);
    out << "  <" << name << " n=\"" << n << "\" titre=\"" << words(r, UNICODE_WORDS, r.between(1, 3)) << "\" 名=\""
        << r.pick(UNICODE_WORDS) << "\">\n";
    out << "    <texte>" << words(r, UNICODE_WORDS, r.between(5, 40)) << "</texte>\n";
    out << "    <note lang=\"el\">" << words(r, UNICODE_WORDS, r.between(2, 10)) << "</note>\n";
    out << "  </" << name << ">\n";
}

void piRecord(Output& out, Random& r, unsigned long long n)
{
    for (unsigned k = r.between(1, 4); k > 0; --k)
        out << "<?" << r.pick(PI_TARGETS) << " id=\"" << n << "\" " << words(r, WORDS, r.between(0, 6)) << "?>\n";
    out << "<entry seq=\"" << n << "\">" << words(r, WORDS, r.between(1, 6)) << "</entry>\n";
}

struct Shape {
    const char* name;
    const char* root;
    std::uint64_t seed;
    void (*record)(Output&, Random&, unsigned long long);
};

const Shape SHAPES[] = {
    {"mixed", "site", 1, mixedRecord}, {"attributes", "table", 2, attributesRecord},
    {"text", "doc", 3, textRecord},    {"unicode", "racine", 4, unicodeRecord},
    {"pi", "log", 5, piRecord},
};

} // namespace

int main(int argc, char** argv)
{
    const Shape* shape = nullptr;
    if (argc == 4)
        for (const Shape& s : SHAPES)
            if (std::strcmp(argv[1], s.name) == 0)
                shape = &s;
    const long mib = argc == 4 ? std::atol(argv[2]) : 0;
    if (shape == nullptr || mib <= 0) {
        std::fprintf(stderr, "usage: %s mixed|attributes|text|unicode|pi MIB OUTPUT\n", argv[0]);
        return 2;
    }
    std::FILE* file = std::fopen(argv[3], "wb");
    if (file == nullptr) {
        std::perror(argv[3]);
        return 1;
    }
    const std::size_t target = static_cast<std::size_t>(mib) << 20;
    const std::string close = std::string("</") + shape->root + ">\n";
    {
        Output out(file);
        Random random(shape->seed);
        out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<" << shape->root << ">\n";
        for (unsigned long long n = 0; out.size() + close.size() < target; ++n) {
            shape->record(out, random, n);
            out.maybeFlush();
        }
        out << close;
    }
    if (std::fclose(file) != 0) {
        std::perror(argv[3]);
        return 1;
    }
    return 0;
}
