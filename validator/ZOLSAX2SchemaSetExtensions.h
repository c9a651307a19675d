#ifndef ZOLSAX2SCHEMASETEXTENSIONS_H
#define ZOLSAX2SCHEMASETEXTENSIONS_H

// The state of a schema set behind its one private pointer. Internal to the library; only
// the set's and the validator's code include it.

#include "ZOLSAX2SchemaSet.h"

#include "ZOLSAX2SchemaPairs.h"
#include "ZOLSAX2SharedGrammars.h"
#include "ZOLSAX2Validator.h"

#include <ZOLLog.h>

#include <memory>

struct ZOLSAX2PARSER_LOCAL ZOLSAX2SchemaSet::Extensions {
    // The loader's log: loading logs nothing worth keeping (see load()).
    class QuietLog : public ZOLLog {
    public:
        void logEvent(const ZOLLogEvent&) override {}
    };

    ZOLSAX2SchemaPairs pairs;
    bool noNamespaceSet = false;
    ZOLString noNamespaceLocation;

    bool secure = false;
    bool protection = false;
    bool fullChecking = true;
    ZOLSAX2Resolver resolver = nullptr;
    void* resolverContext = nullptr;

    // Set by the first load(), and its answer.
    bool loadCalled = false;
    bool loaded = false;

    // The validator that loads the grammars. It stays until the grammars go, since they
    // free their memory through the memory its reader had; so it is declared first.
    QuietLog log;
    std::unique_ptr<ZOLSAX2Validator> loader;
    ZOLSAX2SharedGrammars grammars;
};

#endif
