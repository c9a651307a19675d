#include "ZOLSAX2SkippedEntityValidator.h"

#include "ZOLSAX2XercesInternals.h"

#include <xercesc/framework/XMLValidityCodes.hpp>
#include <xercesc/sax2/ContentHandler.hpp>
#include <xercesc/sax2/SAX2XMLReader.hpp>
#include <xercesc/util/PlatformUtils.hpp>
#include <xercesc/util/XMLMsgLoader.hpp>
#include <xercesc/util/XMLString.hpp>
#include <xercesc/util/XMLUni.hpp>
#include <xercesc/validators/DTD/DTDAttDef.hpp>
#include <xercesc/validators/DTD/DTDElementDecl.hpp>
#include <xercesc/validators/DTD/DTDGrammar.hpp>

#include <memory>

ZOLSAX2SkippedEntityValidator::MessageShape::MessageShape(unsigned int code) : before(63), between(63), after(63)
{
    const std::unique_ptr<xercesc::XMLMsgLoader> messages(
        xercesc::XMLPlatformUtils::loadMsgSet(xercesc::XMLUni::fgValidityDomain));
    XMLCh text[256];
    if (!messages || !messages->loadMsg(code, text, 255))
        return;
    const XMLCh first[] = {u'{', u'0', u'}', 0};
    const XMLCh second[] = {u'{', u'1', u'}', 0};
    const int at = xercesc::XMLString::patternMatch(text, first);
    if (at < 0)
        return;
    before.set(text, static_cast<XMLSize_t>(at));
    const XMLCh* rest = text + at + 3;
    const int next = xercesc::XMLString::patternMatch(rest, second);
    if (next < 0) {
        after.set(rest);
        return;
    }
    between.set(rest, static_cast<XMLSize_t>(next));
    after.set(rest + next + 3);
}

bool ZOLSAX2SkippedEntityValidator::MessageShape::firstArgument(const XMLCh* text, const XMLCh* second,
                                                                xercesc::XMLBuffer& first) const
{
    XMLSize_t length = xercesc::XMLString::stringLen(text);
    const XMLSize_t secondLength = xercesc::XMLString::stringLen(second);
    const XMLSize_t around = before.getLen() + between.getLen() + secondLength + after.getLen();
    if (around > length || !xercesc::XMLString::startsWith(text, before.getRawBuffer()))
        return false;
    const XMLCh* end = text + length;
    length -= around;
    const XMLCh* tail = text + before.getLen() + length;
    if (!xercesc::XMLString::equalsN(tail, between.getRawBuffer(), between.getLen()) ||
        !xercesc::XMLString::equalsN(tail + between.getLen(), second, secondLength) ||
        !xercesc::XMLString::equals(end - after.getLen(), after.getRawBuffer()))
        return false;
    first.set(text + before.getLen(), length);
    return true;
}

ZOLSAX2SkippedEntityValidator::ZOLSAX2SkippedEntityValidator(const xercesc::SAX2XMLReader& reader)
    : reader(reader), grammar(nullptr), entityNotFound(xercesc::XMLValid::VC_EntityNotFound),
      attributeNotDeclared(xercesc::XMLValid::AttNotDefinedForElement), name(63), element(nullptr),
      undeclaredAttributes(4)
{}

ZOLSAX2SkippedEntityValidator::~ZOLSAX2SkippedEntityValidator() = default;

bool ZOLSAX2SkippedEntityValidator::checkContent(xercesc::XMLElementDecl* const, xercesc::QName** const, XMLSize_t,
                                                 XMLSize_t*)
{
    return true;
}

void ZOLSAX2SkippedEntityValidator::faultInAttr(xercesc::XMLAttr&, const xercesc::XMLAttDef&) const {}

void ZOLSAX2SkippedEntityValidator::preContentValidation(bool, bool)
{
    if (grammar == nullptr || grammar->getGrammarType() != xercesc::Grammar::DTDGrammarType)
        return;
    // A validating reader drops character data in an element declared EMPTY and passes
    // white space in an element-only one as ignorable; ANY makes it deliver both as a
    // reader that does not validate does. Nothing else reads the content model.
    xercesc::NameIdPoolEnumerator<xercesc::DTDElementDecl> declarations =
        static_cast<xercesc::DTDGrammar*>(grammar)->getElemEnumerator();
    while (declarations.hasMoreElements()) {
        xercesc::DTDElementDecl& declaration = declarations.nextElement();
        const xercesc::DTDElementDecl::ModelTypes model = declaration.getModelType();
        if (model == xercesc::DTDElementDecl::Empty || model == xercesc::DTDElementDecl::Children)
            declaration.setModelType(xercesc::DTDElementDecl::Any);
    }
}

void ZOLSAX2SkippedEntityValidator::postParseValidation() {}

void ZOLSAX2SkippedEntityValidator::reset()
{
    // The declarations of the last document are gone.
    element = nullptr;
    undeclaredAttributes.removeAllElements();
}

bool ZOLSAX2SkippedEntityValidator::requiresNamespaces() const
{
    return false;
}

void ZOLSAX2SkippedEntityValidator::validateAttrValue(const xercesc::XMLAttDef*, const XMLCh* const, bool,
                                                      const xercesc::XMLElementDecl*)
{}

void ZOLSAX2SkippedEntityValidator::validateElement(const xercesc::XMLElementDecl* elemDef)
{
    // The last start tag is complete: its undeclared attributes can be declared now.
    for (XMLSize_t i = 0; i < undeclaredAttributes.size(); ++i) {
        const XMLCh* attribute = undeclaredAttributes.elementAt(i);
        if (element->getAttDef(attribute) == nullptr)
            element->addAttDef(new (element->getMemoryManager()) xercesc::DTDAttDef(
                attribute, xercesc::XMLAttDef::CData, xercesc::XMLAttDef::Implied, element->getMemoryManager()));
    }
    undeclaredAttributes.removeAllElements();
    // Only DTD declarations reach this validator, which handles no schema.
    element = static_cast<xercesc::DTDElementDecl*>(const_cast<xercesc::XMLElementDecl*>(elemDef));
    // The reader has reported the element if it is undeclared; nothing else reads the mark.
    if (!element->isDeclared())
        element->setCreateReason(xercesc::XMLElementDecl::Declared);
}

xercesc::Grammar* ZOLSAX2SkippedEntityValidator::getGrammar() const
{
    return grammar;
}

void ZOLSAX2SkippedEntityValidator::setGrammar(xercesc::Grammar* aGrammar)
{
    grammar = aGrammar;
}

bool ZOLSAX2SkippedEntityValidator::handlesDTD() const
{
    return true;
}

bool ZOLSAX2SkippedEntityValidator::handlesSchema() const
{
    return false;
}

void ZOLSAX2SkippedEntityValidator::error(const unsigned int errCode, const XMLCh* const errDomain,
                                          const xercesc::XMLErrorReporter::ErrTypes, const XMLCh* const errorText,
                                          const XMLCh* const, const XMLCh* const, const XMLFileLoc, const XMLFileLoc)
{
    if (!xercesc::XMLString::equals(errDomain, xercesc::XMLUni::fgValidityDomain))
        return;
    if (errCode == xercesc::XMLValid::VC_EntityNotFound)
        reportSkippedEntity(errorText);
    else if (errCode == xercesc::XMLValid::AttNotDefinedForElement)
        declareLater(errorText);
}

void ZOLSAX2SkippedEntityValidator::resetErrors() {}

void ZOLSAX2SkippedEntityValidator::reportSkippedEntity(const XMLCh* message)
{
    xercesc::ContentHandler* handler = reader.getContentHandler();
    if (handler == nullptr)
        return;
    // The reader cuts its messages at 2,047 characters: a longer name arrives cut.
    if (!entityNotFound.firstArgument(message, nullptr, name)) {
        const XMLSize_t skip = xercesc::XMLString::startsWith(message, entityNotFound.before.getRawBuffer())
                                   ? entityNotFound.before.getLen()
                                   : 0;
        name.set(message + skip);
    }
    handler->skippedEntity(name.getRawBuffer());
}

void ZOLSAX2SkippedEntityValidator::declareLater(const XMLCh* message)
{
    // A message that does not name the current element's attribute in full is left alone;
    // the reader then reports that attribute again at its next start tag.
    if (element != nullptr && attributeNotDeclared.firstArgument(message, element->getFullName(), name))
        undeclaredAttributes.addElement(xercesc::XMLString::replicate(name.getRawBuffer()));
}
