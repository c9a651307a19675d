#include "ZOLSAX2SharedGrammars.h"

#include <xercesc/framework/XMLGrammarPoolImpl.hpp>
#include <xercesc/util/PlatformUtils.hpp>
#include <xercesc/util/RefHashTableOf.hpp>
#include <xercesc/validators/common/Grammar.hpp>
#include <xercesc/validators/schema/ComplexTypeInfo.hpp>
#include <xercesc/validators/schema/SchemaElementDecl.hpp>
#include <xercesc/validators/schema/SchemaGrammar.hpp>

namespace {

// Builds the parts of a complex type that Xerces otherwise makes on first use, from a
// const getter, without a lock.
void complete(xercesc::ComplexTypeInfo* type)
{
    if (type == nullptr)
        return;
    type->getContentModel();
    type->getFormattedContentModel();
}

void complete(xercesc::SchemaGrammar& grammar)
{
    if (xercesc::RefHashTableOf<xercesc::ComplexTypeInfo>* types = grammar.getComplexTypeRegistry()) {
        xercesc::RefHashTableOfEnumerator<xercesc::ComplexTypeInfo> each(types, false);
        while (each.hasMoreElements())
            complete(&each.nextElement());
    }
    // Anonymous and local types are reached through their elements as well.
    xercesc::RefHash3KeysIdPoolEnumerator<xercesc::SchemaElementDecl> elements = grammar.getElemEnumerator();
    while (elements.hasMoreElements())
        complete(elements.nextElement().getComplexTypeInfo());
}

} // namespace

ZOLSAX2SharedGrammars::ZOLSAX2SharedGrammars()
    : pool(new xercesc::XMLGrammarPoolImpl(xercesc::XMLPlatformUtils::fgMemoryManager))
{}

ZOLSAX2SharedGrammars::~ZOLSAX2SharedGrammars()
{
    delete pool;
}

xercesc::XMLGrammarPool* ZOLSAX2SharedGrammars::getPool() const noexcept
{
    return pool;
}

void ZOLSAX2SharedGrammars::seal()
{
    if (sealed)
        return;
    xercesc::RefHashTableOfEnumerator<xercesc::Grammar> grammars = pool->getGrammarEnumerator();
    while (grammars.hasMoreElements()) {
        xercesc::Grammar& grammar = grammars.nextElement();
        // DTD grammars are not loaded into a shared pool yet.
        if (grammar.getGrammarType() == xercesc::Grammar::SchemaGrammarType)
            complete(static_cast<xercesc::SchemaGrammar&>(grammar));
    }
    pool->lockPool();
    sealed = true;
}
