#ifndef ZOLSAX2FLAGSCOPE_H
#define ZOLSAX2FLAGSCOPE_H

// Sets a flag for the life of a scope and clears it on every way out of it, exceptions
// included: a parse in progress, a validation in progress, a parse being measured.
// Internal to the library.
class ZOLSAX2FlagScope {
public:
    explicit ZOLSAX2FlagScope(bool& flag) : flag(flag) { flag = true; }
    ZOLSAX2FlagScope(const ZOLSAX2FlagScope&) = delete;
    ZOLSAX2FlagScope& operator=(const ZOLSAX2FlagScope&) = delete;
    ~ZOLSAX2FlagScope() { flag = false; }

private:
    bool& flag;
};

#endif
