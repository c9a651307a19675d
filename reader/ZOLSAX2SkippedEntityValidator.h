#ifndef ZOLSAX2SKIPPEDENTITYVALIDATOR_H
#define ZOLSAX2SKIPPEDENTITYVALIDATOR_H

#include <xercesc/framework/XMLBuffer.hpp>
#include <xercesc/framework/XMLErrorReporter.hpp>
#include <xercesc/framework/XMLValidator.hpp>
#include <xercesc/util/RefArrayVectorOf.hpp>

XERCES_CPP_NAMESPACE_BEGIN
class DTDElementDecl;
class SAX2XMLReader;
XERCES_CPP_NAMESPACE_END

// The validator of ZOLSAX2SkippedEntityReader. Xerces tells of a reference to an entity it
// has no declaration for, in a document with a DTD it did not read in full, only as a
// validity error, so that reader validates; this validator makes validation change nothing
// else. It checks nothing itself, lets every declared element take any content (so the
// reader delivers character data as it does without validation, instead of dropping it or
// calling it ignorable whitespace), and is its own error reporter: the validity error that
// names an undeclared entity becomes the reader's ContentHandler::skippedEntity, and every
// other validity error the reader raises ends here, so the error handler never sees one
// (the owner makes the validator its own reporter once it is installed: installing one sets
// the reader's).
//
// The reader would report an undeclared element or attribute at every occurrence, each at
// the cost of a formatted message; the validator declares each after its first report (an
// attribute as CDATA #IMPLIED, which is how the reader treats an undeclared one), so a
// document whose DTD is not read costs little more than without validation. Internal to the
// library.
class ZOLSAX2SkippedEntityValidator : public xercesc::XMLValidator, public xercesc::XMLErrorReporter {
public:
    // Reports to the content handler reader has when the reference is met.
    explicit ZOLSAX2SkippedEntityValidator(const xercesc::SAX2XMLReader& reader);
    ZOLSAX2SkippedEntityValidator(const ZOLSAX2SkippedEntityValidator&) = delete;
    ZOLSAX2SkippedEntityValidator& operator=(const ZOLSAX2SkippedEntityValidator&) = delete;
    ~ZOLSAX2SkippedEntityValidator() override;

    // Accepts every content.
    bool checkContent(xercesc::XMLElementDecl* const elemDecl, xercesc::QName** const children, XMLSize_t childCount,
                      XMLSize_t* indexFailingChild) override;
    void faultInAttr(xercesc::XMLAttr& toFill, const xercesc::XMLAttDef& attDef) const override;
    // Called once the DTD is read: turns EMPTY and element-only declarations into ANY.
    void preContentValidation(bool reuseGrammar, bool validateDefAttr) override;
    void postParseValidation() override;
    // Called as each document starts.
    void reset() override;
    bool requiresNamespaces() const override;
    void validateAttrValue(const xercesc::XMLAttDef* attDef, const XMLCh* const attrValue, bool preValidation,
                           const xercesc::XMLElementDecl* elemDecl) override;
    // Called at each start tag, before its attributes.
    void validateElement(const xercesc::XMLElementDecl* elemDef) override;
    xercesc::Grammar* getGrammar() const override;
    void setGrammar(xercesc::Grammar* aGrammar) override;
    bool handlesDTD() const override;
    bool handlesSchema() const override;

    // Turns the report of an undeclared entity into skippedEntity; drops everything else.
    void error(const unsigned int errCode, const XMLCh* const errDomain, const xercesc::XMLErrorReporter::ErrTypes type,
               const XMLCh* const errorText, const XMLCh* const systemId, const XMLCh* const publicId,
               const XMLFileLoc lineNum, const XMLFileLoc colNum) override;
    void resetErrors() override;

private:
    // The reader's message for one code, as the text around its {0} and {1}, taken from
    // Xerces' own catalogue rather than copied. Buffers take Xerces' allocator, so running out
    // of memory is its OutOfMemoryException, as everywhere else in a parse.
    struct MessageShape {
        explicit MessageShape(unsigned int code);
        // The first argument of text, which has this shape with second as its second
        // argument; false when text does not have the shape (a message cut at its length).
        bool firstArgument(const XMLCh* text, const XMLCh* second, xercesc::XMLBuffer& first) const;

        xercesc::XMLBuffer before;
        xercesc::XMLBuffer between;
        xercesc::XMLBuffer after;
    };

    void reportSkippedEntity(const XMLCh* message);
    void declareLater(const XMLCh* message);

    const xercesc::SAX2XMLReader& reader;
    xercesc::Grammar* grammar;
    MessageShape entityNotFound;
    MessageShape attributeNotDeclared;
    xercesc::XMLBuffer name;
    // The element of the start tag being read, and the undeclared attributes it had, which
    // are declared when the next start tag begins: declaring one within its tag would
    // change how the reader finds a repeated attribute there.
    xercesc::DTDElementDecl* element;
    xercesc::RefArrayVectorOf<XMLCh> undeclaredAttributes;
};

#endif
