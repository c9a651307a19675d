#ifndef ZOLSAX2AMPLIFICATIONBUDGET_H
#define ZOLSAX2AMPLIFICATIONBUDGET_H

#include <ZOLString.h>

// The accounting of the amplification limit, apart from the reader: it counts what one
// document reads and what its expansions produce, and decides when that is too much. The
// model is expat's: output is the text internal entities and defaulted attributes produce,
// input the bytes read from the document; once input plus output reaches the activation
// threshold, their sum may be at most ratio times the input. Each expansion also counts a
// fixed overhead against the ratio (not against the cap): the reader builds a reader per
// reference, so a flood of tiny expansions costs time out of proportion to its text and is
// stopped by the ratio long before its characters reach the cap. Beside the ratio, a fixed cap
// holds whatever the input size: the output may be at most that many characters, and one
// block of memory the reader asks for (the buffer of one attribute value, text run, comment
// or processing instruction it holds whole) at most two bytes per character of it. Whoever
// watches the reader feeds the counts (see ZOLSAX2AmplificationGuard). Internal to the library.
class ZOLSAX2AmplificationBudget {
public:
    // Output may be at most this many times the input...
    static constexpr double DEFAULT_RATIO = 20.0;
    // ...once input and output together reach this many bytes (8 MiB).
    static constexpr unsigned long long DEFAULT_ACTIVATION = 8ull << 20;
    // Output may never exceed this many characters (8 Mi), whatever the input.
    static constexpr unsigned long long DEFAULT_CAP = 8ull << 20;
    // What one expansion counts against the ratio beside its text: about the cost of the
    // reader Xerces builds for it, in characters of output taking the same time.
    static constexpr unsigned long long EXPANSION_OVERHEAD = 64;

    // The limit one document is held to. Every rule of the limit lives here and in
    // exceeds(), so a new one (a fixed maximum of output, say) is one field and one test.
    struct Limit {
        double ratio = DEFAULT_RATIO;
        unsigned long long activation = DEFAULT_ACTIVATION;
        unsigned long long cap = DEFAULT_CAP;

        // True when a document that read input and produced output in expansions
        // expansions is past this limit.
        bool exceeds(unsigned long long input, unsigned long long output, unsigned long long expansions) const noexcept;
        // True when one block of bytes is more than the reader may hold at once.
        bool exceedsBlock(unsigned long long bytes) const noexcept;
    };

    // Sets the limit for documents started later, not the one being counted; false, and
    // nothing changes, when ratio is below 1 or not a number.
    bool setLimit(double ratio, unsigned long long activationBytes) noexcept;
    // Sets the cap for documents started later; ULLONG_MAX for none.
    void setCap(unsigned long long characters) noexcept { next.cap = characters; }
    // The limit documents started from now on are held to.
    const Limit& getLimit() const noexcept { return next; }

    // Starts counting a document, under the limit set by then.
    void start() noexcept;
    // The document read bytes more of its input.
    void addInput(unsigned long long bytes) noexcept { input += bytes; }
    // Default attributes produced characters more of output.
    void addOutput(unsigned long long characters) noexcept { output += characters; }
    // One entity was expanded to characters of output.
    void addExpansion(unsigned long long characters) noexcept
    {
        output += characters;
        ++expansions;
    }
    // Nothing can be counted for this document: it is over the limit whatever it holds.
    void setUnmeasurable() noexcept { unmeasurable = true; }
    // The reader asks for one block of bytes; true, and the document is over the limit from
    // now on, when that is more than it may hold.
    bool refuseBlock(unsigned long long bytes) noexcept;

    // True when the document is past its limit.
    bool isExceeded() const noexcept
    {
        return unmeasurable || oversizeBlock != 0 || current.exceeds(input, output, expansions);
    }
    unsigned long long getInput() const noexcept { return input; }
    unsigned long long getOutput() const noexcept { return output; }
    unsigned long long getExpansions() const noexcept { return expansions; }
    // Why the document was refused, for its record.
    ZOLString describe() const;

private:
    Limit next;
    Limit current;
    unsigned long long input = 0;
    unsigned long long output = 0;
    unsigned long long expansions = 0;
    // The block refused, in bytes; 0 for none.
    unsigned long long oversizeBlock = 0;
    bool unmeasurable = false;
};

#endif
