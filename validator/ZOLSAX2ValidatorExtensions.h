#ifndef ZOLSAX2VALIDATOREXTENSIONS_H
#define ZOLSAX2VALIDATOREXTENSIONS_H

// The state of the validator's additions, behind its one private pointer: the reader's
// owner, the record switch, the configured schemas, the modes and the classes of reader/
// that serve them. Internal to the library; only ZOLSAX2Validator.cpp includes it.

#include "ZOLSAX2Validator.h"

#include "ZOLSAX2AmplificationGuard.h"
#include "ZOLSAX2BadByteLocator.h"
#include "ZOLSAX2DocumentElement.h"
#include "ZOLSAX2DtdCheck.h"
#include "ZOLSAX2EntityGuard.h"
#include "ZOLSAX2ErrorHandler.h"
#include "ZOLSAX2ReaderOwner.h"
#include "ZOLSAX2RecordSwitch.h"
#include "ZOLSAX2ResourceResolver.h"
#include "ZOLSAX2SchemaCache.h"
#include "ZOLSAX2SchemaCheck.h"
#include "ZOLSAX2SchemaSetUse.h"

#include <ZSAX.h>

#include <xercesc/sax2/SAX2XMLReader.hpp>
#include <xercesc/util/XMLUni.hpp>

struct ZOLSAX2PARSER_LOCAL ZOLSAX2Validator::Extensions {
    Extensions(ZOLLog* log, xercesc::SAX2XMLReader*& reader)
        : owner(reader), records(log), entityGuard(&records), cache(records, entityGuard),
          check(*log, entityGuard, documentElement)
    {}

    // Hands the reader the configured pairs as its external schema location and the schema
    // without namespace as its own; null for none.
    static void setSchemaLocations(xercesc::SAX2XMLReader* reader, const ZOLSAX2SchemaCache::Schemas& schemas)
    {
        // The reader copies the values. The UTF-16 forms come from our own exact UTF-8
        // conversion, so non-ASCII paths and namespaces survive whatever the process locale.
        const ZOLString pairs = schemas.pairs.text();
        reader->setProperty(xercesc::XMLUni::fgXercesSchemaExternalSchemaLocation,
                            schemas.pairs.isEmpty() ? nullptr : const_cast<char16_t*>(pairs.wchars()));
        reader->setProperty(xercesc::XMLUni::fgXercesSchemaExternalNoNameSpaceSchemaLocation,
                            schemas.noNamespace ? const_cast<char16_t*>(schemas.noNamespaceLocation.wchars())
                                                : nullptr);
    }

    // Places encoding errors at their byte once asked to.
    ZOLSAX2BadByteLocator badByteLocator;

    // The configured schemas in the form the current reader receives them: as given in the
    // default mode; in secure mode as the guard keeps them, resolved when configured.
    ZOLSAX2SchemaCache::Schemas schemas() const
    {
        ZOLSAX2SchemaCache::Schemas s;
        s.pairs = secureInstalled ? entityGuard.getTrustedSchemas() : pairs;
        s.noNamespace = noNamespaceSet;
        s.noNamespaceLocation = secureInstalled ? entityGuard.getTrustedNoNamespaceLocation() : noNamespaceLocation;
        return s;
    }

    // After a change of the configured schemas: the reader gets them now, or at the next
    // validation when busy, and the cached grammar goes.
    void schemasChanged(xercesc::SAX2XMLReader* reader)
    {
        schemaSet.use(nullptr);
        if (reader != nullptr && !validating)
            setSchemaLocations(reader, schemas());
        else
            locationsPending = true;
        cache.requestDrop(reader, validating);
    }

    // Sets who counts entity expansions for a new reader: with a resolver in secure mode,
    // entities of a trusted external DTD do not count; those of the internal subset still do.
    void countExpansions()
    {
        const bool trusting = secureProcessing && resolver.isSet();
        entityGuard.setReaderCount(!trusting);
        amplificationGuard.setInternalSubsetExpansionLimit(trusting ? ZOLSAX2EntityGuard::EXPANSION_LIMIT : 0);
    }

    // After one parse of the validator's reader: logs how it failed and answers false, or
    // answers true with the handler's flags telling the rest. The log's own exception, a SAX
    // exception, and outside secure mode the schema reader's DOM exception reach the caller
    // unchanged.
    bool passSucceeded(const ZOLSAX2ReaderOwner::Outcome& outcome, bool measured, ZOLLog& log,
                       ZOLSAX2ErrorHandler& handler)
    {
        if (outcome.failure == ZOLSAX2ReaderOwner::Failure::OUT_OF_MEMORY && !records.hasThrown()) {
            if (measured && amplificationGuard.isRefused())
                amplificationGuard.logRefusal(log);
            else
                ZSAX::XERCES_OUT_OF_MEMORY.log(log);
            return false;
        }
        if (!outcome) {
            if (records.hasThrown() || outcome.failure == ZOLSAX2ReaderOwner::Failure::SAX_EXCEPTION ||
                (outcome.failure == ZOLSAX2ReaderOwner::Failure::DOM_EXCEPTION && !secureProcessing))
                outcome.rethrow();
            ZSAX::XERCES_XML_EXCEPTION.log(log, outcome.message);
            return false;
        }
        if (measured && amplificationGuard.isRefused()) {
            amplificationGuard.logRefusal(log);
            return false;
        }
        if (entityGuard.getRefusals() > 0 || resolver.getRefusals() > 0)
            handler.errorSeen = true;
        return true;
    }

    // True when a schema is configured.
    bool hasSchemas() const noexcept { return !pairs.isEmpty() || noNamespaceSet; }

    ZOLSAX2ReaderOwner owner;
    // Every record of the reader and the guard passes through here.
    ZOLSAX2RecordSwitch records;

    // The configured locations as given, for the default mode. The guard keeps the pairs and
    // the locations a secure reader receives. A rebuilt reader gets them back.
    ZOLSAX2SchemaPairs pairs;
    bool noNamespaceSet = false;
    ZOLString noNamespaceLocation;

    bool strict = false;
    bool followHints = false;
    // Full schema constraint checking; off only on request.
    bool fullChecking = true;

    // Secure processing as asked for, and as built into the current reader.
    bool secureProcessing = false;
    bool secureInstalled = false;
    // Amplification protection as asked for; the current reader is measured.
    bool protection = false;
    bool measuredInstalled = false;
    ZOLSAX2EntityGuard entityGuard;
    // The memory of a secure reader, which measures what it expands.
    ZOLSAX2AmplificationGuard amplificationGuard;
    // The application's resolver, and whether the current reader asks it.
    ZOLSAX2ResourceResolver resolver;
    bool resolverInstalled = false;

    // Installed as the reader's content handler while strict validation is on.
    ZOLSAX2DocumentElement documentElement;
    ZOLSAX2SchemaCache cache;
    ZOLSAX2SchemaCheck check;
    // DTD validation, when asked for.
    ZOLSAX2DtdCheck dtd;

    // The shared schema set in use, if any.
    ZOLSAX2SchemaSetUse schemaSet;
    // The pool a schema set's loader loads into (null for any other validator), and the
    // pool given to the current reader (null: its own).
    xercesc::XMLGrammarPool* loadingPool = nullptr;
    xercesc::XMLGrammarPool* poolInstalled = nullptr;
    // The pool the next reader is made with: a loaded set's, shared, or the loader's.
    xercesc::XMLGrammarPool* wantedPool() const noexcept
    {
        xercesc::XMLGrammarPool* shared = schemaSet.sharedPool();
        return shared != nullptr ? shared : loadingPool;
    }

    // Set while validate() runs: the log may call back into the validator meanwhile.
    bool validating = false;
    // Schema locations given while the reader was busy; handed to it at the next validation.
    bool locationsPending = false;
};

#endif
