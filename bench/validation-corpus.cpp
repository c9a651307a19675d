// Deterministic validation corpora: zolbench-validation-corpus KIND COUNT DIRECTORY
//
// Writes COUNT documents DIRECTORY/KIND-00000.xml, ... Document i is the same bytes
// whatever COUNT is (its generator is seeded with i), so the first N documents of a large
// corpus are the corpus of size N.
//   po       purchase orders of examples/purchase-order (1 to 40 items); one in ten invalid
//   docbook  DocBook 5.0 articles of 2 to 80 KiB (sizes spread evenly on a log scale):
//            sections, paragraphs with inline markup, lists, program listings, notes;
//            one in eight invalid

#include "Random.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

using zolbench::Random;

const char* const WORDS[] = {
    "schema",    "document", "element", "validation", "the",     "of",      "and",     "a",       "to",
    "in",        "is",       "for",     "with",       "reader",  "grammar", "cache",   "thread",  "parser",
    "attribute", "value",    "content", "model",      "section", "example", "release", "install", "package",
    "build",     "test",     "run",     "file",       "config",  "option",  "server",  "client",  "request",
};

const char* const NAMES[] = {"Anna", "Jürgen", "Chloé", "Kenji", "Olu", "Maria", "Sven", "Priya", "Tomás"};
const char* const SURNAMES[] = {"Müller", "Dubois", "Tanaka", "Okafor", "García", "Larsen", "Iyer", "Novák"};
const char* const PRODUCTS[] = {"Lawnmower", "Baby Monitor", "Garden Hose", "Desk Lamp", "Kettle", "Rain Jacket"};
const char* const CITIES[] = {"Köln", "Berlin", "München", "Hamburg", "Leipzig", "Dresden"};

std::string words(Random& random, unsigned low, unsigned high)
{
    std::string out;
    const unsigned count = random.between(low, high);
    for (unsigned i = 0; i < count; ++i) {
        if (i > 0)
            out += ' ';
        out += random.pick(WORDS);
    }
    return out;
}

// --- purchase orders -----------------------------------------------------------------------

std::string purchaseOrder(std::uint64_t index)
{
    Random random(0x5043'0000'0000ull + index);
    const bool invalid = index % 10 == 7;
    std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                      "<purchaseOrder xmlns=\"urn:example:purchase-order\" orderDate=\"2026-";
    char date[16];
    std::snprintf(date, sizeof date, "%02u-%02u", random.between(1, 12), random.between(1, 28));
    out += date;
    out += "\" status=\"";
    out += random.between(0, 1) == 0 ? "open" : "shipped";
    out += "\">\n  <shipTo country=\"DE\">\n    <name>";
    out += random.pick(NAMES);
    out += ' ';
    out += random.pick(SURNAMES);
    out += "</name>\n    <street>Hauptstraße ";
    out += std::to_string(random.between(1, 200));
    out += "</street>\n    <city>";
    out += random.pick(CITIES);
    out += "</city>\n  </shipTo>\n";
    if (random.between(0, 2) == 0)
        out += "  <comment>" + words(random, 3, 12) + "</comment>\n";
    out += "  <items>\n";
    const unsigned items = random.between(1, 40);
    const unsigned broken = invalid ? random.between(0, items - 1) : items;
    for (unsigned i = 0; i < items; ++i) {
        char sku[16];
        std::snprintf(sku, sizeof sku, "%03u-%c%c", random.between(100, 999), 'A' + random.between(0, 25),
                      'A' + random.between(0, 25));
        out += "    <item sku=\"";
        // The invalid orders carry one item whose SKU breaks the pattern.
        out += i == broken ? std::string("X") + sku : std::string(sku);
        out += "\">\n      <productName>";
        out += random.pick(PRODUCTS);
        out += "</productName>\n      <quantity>";
        out += std::to_string(random.between(1, 9));
        out += "</quantity>\n      <price>";
        out += std::to_string(random.between(1, 500)) + "." + std::to_string(random.between(10, 99));
        out += "</price>\n    </item>\n";
    }
    out += "  </items>\n</purchaseOrder>\n";
    return out;
}

// --- DocBook articles ----------------------------------------------------------------------

class Article {
public:
    explicit Article(std::uint64_t index) : random(0xDB05'0000'0000ull + index), index(index) {}

    std::string build()
    {
        // Sizes spread evenly on a log scale from 2 to 80 KiB.
        const double kib = 2.0 * std::pow(40.0, random.unit());
        const std::size_t target = static_cast<std::size_t>(kib * 1024.0);
        // One in eight articles has one mistake, somewhere in the middle.
        const unsigned mistake = index % 8 == 3 ? static_cast<unsigned>(index / 8 % 4) + 1 : 0;
        out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
              "<article xmlns=\"http://docbook.org/ns/docbook\" xmlns:xlink=\"http://www.w3.org/1999/xlink\" "
              "version=\"5.0\" xml:id=\"article-" +
              std::to_string(index) +
              "\" xml:lang=\"en\">\n"
              "  <info>\n    <title>" +
              capitalised(words(random, 3, 8)) + "</title>\n    <author><personname><firstname>" + random.pick(NAMES) +
              "</firstname><surname>" + random.pick(SURNAMES) +
              "</surname></personname></author>\n    <pubdate>2026-0" + std::to_string(random.between(1, 9)) + "-1" +
              std::to_string(random.between(0, 9)) + "</pubdate>\n    <abstract><para>" + words(random, 10, 30) +
              ".</para></abstract>\n  </info>\n";
        bool mistakeMade = mistake == 0;
        while (out.size() + 40 < target || sections == 0) {
            const bool here = !mistakeMade && out.size() > target / 3;
            section(1, target, here ? mistake : 0);
            mistakeMade = mistakeMade || here;
        }
        // A short article may end before its middle: the mistake goes in a section of its own.
        if (!mistakeMade)
            section(1, out.size() + 200, mistake);
        out += "</article>\n";
        return out;
    }

private:
    static std::string capitalised(std::string text)
    {
        if (!text.empty() && text[0] >= 'a' && text[0] <= 'z')
            text[0] = static_cast<char>(text[0] - 'a' + 'A');
        return text;
    }

    void indent(unsigned depth) { out.append(2 * depth, ' '); }

    std::string inlineText()
    {
        std::string text = capitalised(words(random, 4, 12));
        const unsigned pieces = random.between(0, 4);
        for (unsigned i = 0; i < pieces; ++i) {
            switch (random.between(0, 5)) {
            case 0:
                text += " <emphasis>" + words(random, 1, 3) + "</emphasis>";
                break;
            case 1:
                text += " <code>" + std::string(random.pick(WORDS)) + "()</code>";
                break;
            case 2:
                text += " <link xlink:href=\"https://example.org/" + std::string(random.pick(WORDS)) + "\">" +
                        words(random, 1, 3) + "</link>";
                break;
            case 3:
                text += " <filename>/etc/" + std::string(random.pick(WORDS)) + ".conf</filename>";
                break;
            case 4:
                text += " <literal>" + std::string(random.pick(WORDS)) + "</literal>";
                break;
            default:
                text += " <quote>" + words(random, 2, 5) + "</quote>";
                break;
            }
            text += " " + words(random, 2, 10);
        }
        return text + ".";
    }

    void para(unsigned depth)
    {
        indent(depth);
        out += "<para>" + inlineText() + "</para>\n";
    }

    void list(unsigned depth, bool ordered)
    {
        indent(depth);
        out += ordered ? "<orderedlist numeration=\"arabic\">\n" : "<itemizedlist>\n";
        const unsigned items = random.between(2, 6);
        for (unsigned i = 0; i < items; ++i) {
            indent(depth + 1);
            out += "<listitem><para>" + inlineText() + "</para></listitem>\n";
        }
        indent(depth);
        out += ordered ? "</orderedlist>\n" : "</itemizedlist>\n";
    }

    void listing(unsigned depth)
    {
        indent(depth);
        out += "<programlisting language=\"c\">";
        const unsigned lines = random.between(3, 12);
        for (unsigned i = 0; i < lines; ++i)
            out += std::string(random.pick(WORDS)) + "(" + random.pick(WORDS) + ", " +
                   std::to_string(random.between(0, 99)) + "); /* a &lt; b &amp;&amp; c */\n";
        out += "</programlisting>\n";
    }

    void note(unsigned depth)
    {
        indent(depth);
        out += "<note><para>" + inlineText() + "</para></note>\n";
    }

    // One way of being invalid per kind: an undeclared element, a value outside an
    // enumeration, an element where it may not be, a missing required attribute value.
    void mistakeAt(unsigned depth, unsigned kind)
    {
        indent(depth);
        switch (kind) {
        case 1:
            out += "<para>" + words(random, 3, 6) + " <blink>" + words(random, 1, 2) + "</blink>.</para>\n";
            break;
        case 2:
            out += "<orderedlist numeration=\"greek\"><listitem><para>" + words(random, 2, 4) +
                   "</para></listitem></orderedlist>\n";
            break;
        case 3:
            out += "<para>" + words(random, 3, 6) + " <listitem><para>x</para></listitem></para>\n";
            break;
        default:
            out += "<itemizedlist></itemizedlist>\n";
            break;
        }
    }

    void section(unsigned depth, std::size_t target, unsigned mistake)
    {
        indent(depth);
        out += "<section xml:id=\"s" + std::to_string(index) + "-" + std::to_string(++sections) + "\">\n";
        indent(depth + 1);
        out += "<title>" + capitalised(words(random, 2, 6)) + "</title>\n";
        const unsigned blocks = random.between(3, 9);
        for (unsigned b = 0; b < blocks; ++b) {
            if (mistake != 0 && b == blocks / 2)
                mistakeAt(depth + 1, mistake);
            switch (random.between(0, 9)) {
            case 0:
                list(depth + 1, false);
                break;
            case 1:
                list(depth + 1, true);
                break;
            case 2:
                listing(depth + 1);
                break;
            case 3:
                note(depth + 1);
                break;
            default:
                para(depth + 1);
                break;
            }
        }
        if (depth < 3 && out.size() + 2048 < target && random.between(0, 2) == 0) {
            const unsigned subsections = random.between(1, 3);
            for (unsigned s = 0; s < subsections; ++s)
                section(depth + 1, target, 0);
        }
        indent(depth);
        out += "</section>\n";
    }

    Random random;
    std::uint64_t index;
    unsigned sections = 0;
    std::string out;
};

} // namespace

int main(int argc, char** argv)
{
    if (argc != 4 || (std::strcmp(argv[1], "po") != 0 && std::strcmp(argv[1], "docbook") != 0)) {
        std::fprintf(stderr, "usage: zolbench-validation-corpus po|docbook COUNT DIRECTORY\n");
        return 2;
    }
    const std::string kind = argv[1];
    const unsigned long count = std::strtoul(argv[2], nullptr, 10);
    const std::string directory = argv[3];
    for (unsigned long i = 0; i < count; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "/%s-%05lu.xml", kind.c_str(), i);
        const std::string document = kind == "po" ? purchaseOrder(i) : Article(i).build();
        FILE* file = std::fopen((directory + name).c_str(), "wb");
        if (file == nullptr || std::fwrite(document.data(), 1, document.size(), file) != document.size() ||
            std::fclose(file) != 0) {
            std::perror((directory + name).c_str());
            return 1;
        }
    }
    return 0;
}
