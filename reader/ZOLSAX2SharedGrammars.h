#ifndef ZOLSAX2SHAREDGRAMMARS_H
#define ZOLSAX2SHAREDGRAMMARS_H

#include <xercesc/util/XercesDefs.hpp>

XERCES_CPP_NAMESPACE_BEGIN
class XMLGrammarPool;
class XMLGrammarPoolImpl;
XERCES_CPP_NAMESPACE_END

// A grammar pool that readers on several threads may use at the same time once it is
// sealed. Sealing builds now what Xerces would otherwise build on first use during a parse
// (each complex type's content model and its text for messages), then locks the pool: from
// then on readers only read the grammars, and the names they add go to the pool's own
// synchronised string pool. A reader must be created after the seal, since it takes the
// pool's string pool when it is made. Internal to the library.
class ZOLSAX2SharedGrammars {
public:
    // An empty, open pool on the process's memory.
    ZOLSAX2SharedGrammars();
    ZOLSAX2SharedGrammars(const ZOLSAX2SharedGrammars&) = delete;
    ZOLSAX2SharedGrammars& operator=(const ZOLSAX2SharedGrammars&) = delete;
    ~ZOLSAX2SharedGrammars();

    // The pool, for a reader that loads into it (before the seal) or reads from it (after).
    xercesc::XMLGrammarPool* getPool() const noexcept;
    // Completes every grammar in the pool and locks it for good.
    void seal();
    // True once sealed.
    bool isSealed() const noexcept { return sealed; }

private:
    xercesc::XMLGrammarPoolImpl* pool;
    bool sealed = false;
};

#endif
