#ifndef ZOLSAX2AMPLIFICATIONBUDGET_H
#define ZOLSAX2AMPLIFICATIONBUDGET_H

#include <ZOLString.h>

// The accounting of the amplification limit, apart from the reader: it counts what one
// document reads and what its expansions produce, and decides when that is too much. The
// model is expat's: output is the text internal entities and defaulted attributes produce,
// input the bytes read from the document; once input plus output reaches the activation
// threshold, their sum may be at most ratio times the input. Whoever watches the reader
// feeds the counts (see ZOLSAX2AmplificationGuard). Internal to the library.
class ZOLSAX2AmplificationBudget {
public:
    // Output may be at most this many times the input...
    static constexpr double DEFAULT_RATIO = 20.0;
    // ...once input and output together reach this many bytes (8 MiB).
    static constexpr unsigned long long DEFAULT_ACTIVATION = 8ull << 20;

    // The limit one document is held to. Every rule of the limit lives here and in
    // exceeds(), so a new one (a fixed maximum of output, say) is one field and one test.
    struct Limit {
        double ratio = DEFAULT_RATIO;
        unsigned long long activation = DEFAULT_ACTIVATION;

        // True when a document that read input and produced output is past this limit.
        bool exceeds(unsigned long long input, unsigned long long output) const noexcept;
    };

    // Sets the limit for documents started later, not the one being counted; false, and
    // nothing changes, when ratio is below 1 or not a number.
    bool setLimit(double ratio, unsigned long long activationBytes) noexcept;
    // The limit documents started from now on are held to.
    const Limit& getLimit() const noexcept { return next; }

    // Starts counting a document, under the limit set by then.
    void start() noexcept;
    // The document read bytes more of its input.
    void addInput(unsigned long long bytes) noexcept { input += bytes; }
    // Its expansions produced characters more of output.
    void addOutput(unsigned long long characters) noexcept { output += characters; }
    // Nothing can be counted for this document: it is over the limit whatever it holds.
    void setUnmeasurable() noexcept { unmeasurable = true; }

    // True when the document is past its limit.
    bool isExceeded() const noexcept { return unmeasurable || current.exceeds(input, output); }
    unsigned long long getInput() const noexcept { return input; }
    unsigned long long getOutput() const noexcept { return output; }
    // Why the document was refused, for its record.
    ZOLString describe() const;

private:
    Limit next;
    Limit current;
    unsigned long long input = 0;
    unsigned long long output = 0;
    bool unmeasurable = false;
};

#endif
