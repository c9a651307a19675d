#include "ZOLSAX2SchemaSet.h"

#include "ZOLSAX2Platform.h"
#include "ZOLSAX2SchemaSetExtensions.h"
#include "ZOLSAX2ValidatorExtensions.h"

#include <ZSAX.h>

#include <xercesc/util/XMLException.hpp>

ZOLSAX2SchemaSet::ZOLSAX2SchemaSet() : extensions(nullptr)
{
    try {
        ZOLSAX2Platform::initialize();
    } catch (const xercesc::XMLException& e) {
        ZSAX::XERCES_INITIALIZATION_ERROR.throwException(ZOLString(e.getMessage()));
    }
    try {
        extensions = new Extensions();
    } catch (...) {
        ZOLSAX2Platform::terminate();
        throw;
    }
}

ZOLSAX2SchemaSet::~ZOLSAX2SchemaSet()
{
    delete extensions;
    extensions = nullptr;
    ZOLSAX2Platform::terminate();
}

void ZOLSAX2SchemaSet::addSchema(const ZOLString& targetNamespace, const ZOLString& location)
{
    if (!extensions->loadCalled)
        extensions->pairs.set(targetNamespace, location);
}

void ZOLSAX2SchemaSet::addNoNamespaceSchemaLocation(const ZOLString& location)
{
    if (extensions->loadCalled)
        return;
    extensions->noNamespaceSet = true;
    extensions->noNamespaceLocation = location;
}

void ZOLSAX2SchemaSet::setSecureProcessing(bool on)
{
    if (!extensions->loadCalled)
        extensions->secure = on;
}

void ZOLSAX2SchemaSet::setAmplificationProtection(bool on)
{
    if (!extensions->loadCalled)
        extensions->protection = on;
}

void ZOLSAX2SchemaSet::setSchemaFullChecking(bool on)
{
    if (!extensions->loadCalled)
        extensions->fullChecking = on;
}

void ZOLSAX2SchemaSet::setResolver(ZOLSAX2Resolver resolver, void* context)
{
    if (extensions->loadCalled)
        return;
    extensions->resolver = resolver;
    extensions->resolverContext = context;
}

bool ZOLSAX2SchemaSet::load()
{
    Extensions& x = *extensions;
    if (x.loadCalled)
        return x.loaded;
    x.loadCalled = true;
    // A validator with schema caching on loads the schemas into the shared pool, exactly as
    // it would into its own.
    x.loader = std::make_unique<ZOLSAX2Validator>(&x.log);
    ZOLSAX2Validator& loader = *x.loader;
    loader.extensions->loadingPool = x.grammars.getPool();
    loader.setSchemaCaching(true);
    loader.setSecureProcessing(x.secure);
    loader.setAmplificationProtection(x.protection);
    loader.setSchemaFullChecking(x.fullChecking);
    loader.setResolver(x.resolver, x.resolverContext);
    ZOLSAX2SchemaSetUse::configure(loader, *this);
    x.loaded = loader.loadSchemas();
    // The loader's reader goes; its memory stays with the loader for the grammars.
    loader.extensions->owner.discard();
    if (x.loaded)
        x.grammars.seal();
    return x.loaded;
}

bool ZOLSAX2SchemaSet::isLoaded() const noexcept
{
    return extensions->loaded;
}
