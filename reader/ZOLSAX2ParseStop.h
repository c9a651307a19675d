#ifndef ZOLSAX2PARSESTOP_H
#define ZOLSAX2PARSESTOP_H

// A request to end the running parse, made from a callback and carried out once it returns:
// the bridge asks check() after each callback, which unwinds the reader with Stopped, and
// the reader owner's run takes that as a parse that ended well. Stopped derives from no
// Xerces exception, so the reader lets it through as it does any callback's exception, and
// resets itself on the way out. Internal to the library.
class ZOLSAX2ParseStop {
public:
    // Thrown through the reader; caught only by ZOLSAX2ReaderOwner::run.
    struct Stopped {};

    // Asks the running parse to end after the current callback.
    void request() noexcept { requested = true; }
    // Forgets a request; called as each parse starts.
    void reset() noexcept { requested = false; }
    bool isRequested() const noexcept { return requested; }
    // Unwinds the parse when a stop was asked for.
    void check() const
    {
        if (requested)
            raise();
    }

private:
    [[noreturn]] static void raise();

    bool requested = false;
};

#endif
