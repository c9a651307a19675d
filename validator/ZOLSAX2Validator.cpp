#include "ZOLSAX2Validator.h"

#include "ZOLSAX2AmplificationGuard.h"
#include "ZOLSAX2ContentHandler.h"
#include "ZOLSAX2DocumentElement.h"
#include "ZOLSAX2EntityGuard.h"
#include "ZOLSAX2ErrorHandler.h"
#include "ZOLSAX2Platform.h"

#include <ZOLLogEvent.h>
#include <ZOLLogLocation.h>
#include <ZSAX.h>

#include <xercesc/dom/DOMException.hpp>
#include <xercesc/framework/LocalFileInputSource.hpp>
#include <xercesc/framework/URLInputSource.hpp>
#include <xercesc/sax/SAXException.hpp>
#include <xercesc/sax2/SAX2XMLReader.hpp>
#include <xercesc/sax2/XMLReaderFactory.hpp>
#include <xercesc/util/IOException.hpp>
#include <xercesc/util/OutOfMemoryException.hpp>
#include <xercesc/util/PlatformUtils.hpp>
#include <xercesc/util/XMLException.hpp>
#include <xercesc/util/XMLURL.hpp>
#include <xercesc/util/XMLUni.hpp>

#include <filesystem>
#include <memory>
#include <string>
#include <system_error>

namespace {

// A reader with the validator's fixed configuration, in this order and nothing else, on the
// given memory (Xerces' own unless secure processing guards it).
xercesc::SAX2XMLReader*
createConfiguredReader(xercesc::MemoryManager* memory = xercesc::XMLPlatformUtils::fgMemoryManager)
{
    xercesc::SAX2XMLReader* reader = xercesc::XMLReaderFactory::createXMLReader(memory, nullptr);
    reader->setFeature(xercesc::XMLUni::fgSAX2CoreNameSpaces, true);
    reader->setFeature(xercesc::XMLUni::fgSAX2CoreNameSpacePrefixes, false);
    reader->setFeature(xercesc::XMLUni::fgSAX2CoreValidation, true);
    reader->setFeature(xercesc::XMLUni::fgXercesDynamic, true);
    reader->setFeature(xercesc::XMLUni::fgXercesSchema, true);
    reader->setFeature(xercesc::XMLUni::fgXercesSchemaFullChecking, true);
    reader->setFeature(xercesc::XMLUni::fgXercesLoadExternalDTD, true);
    reader->setFeature(xercesc::XMLUni::fgXercesIdentityConstraintChecking, false);
    reader->setFeature(xercesc::XMLUni::fgXercesCalculateSrcOfs, true);
    return reader;
}

// Hands the reader one namespace and location pair as its external schema location.
void setSchemaLocation(xercesc::SAX2XMLReader* reader, const ZOLString& targetNamespace, const ZOLString& location)
{
    ZOLString pair;
    pair.add(targetNamespace.chars(), " ", location.chars(), static_cast<const char*>(nullptr));
    // The reader copies the value. The UTF-16 form comes from our own exact UTF-8
    // conversion, so non-ASCII paths and namespaces survive whatever the process locale.
    reader->setProperty(xercesc::XMLUni::fgXercesSchemaExternalSchemaLocation, const_cast<char16_t*>(pair.wchars()));
}

void setNoNamespaceSchemaLocation(xercesc::SAX2XMLReader* reader, const ZOLString& location)
{
    reader->setProperty(xercesc::XMLUni::fgXercesSchemaExternalNoNameSpaceSchemaLocation,
                        const_cast<char16_t*>(location.wchars()));
}

// The location as a secure reader receives it: a URL unchanged; a path made absolute against
// the current directory, now, and given as a file URL when the reader would split it at a
// blank. Empty, so that nothing is trusted, when the current directory cannot be read.
ZOLString secureLocation(const ZOLString& location)
{
    xercesc::XMLURL url;
    if (xercesc::XMLURL::parse(location.wchars(), url) && !url.isRelative())
        return location;
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(location.chars(), error);
    if (error)
        return ZOLString();
    const std::string path = absolute.lexically_normal().string();
    if (path.find_first_of(" \t\r\n") == std::string::npos)
        return ZOLString(path.c_str());
    std::string fileUrl = "file://";
    for (const char c : path) {
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '%') {
            static const char HEX[] = "0123456789ABCDEF";
            fileUrl += '%';
            fileUrl += HEX[static_cast<unsigned char>(c) >> 4];
            fileUrl += HEX[static_cast<unsigned char>(c) & 15];
        } else {
            fileUrl += c;
        }
    }
    return ZOLString(fileUrl.c_str());
}

// The document at path as the reader opens a system identifier: a URL when it makes an
// absolute one, a local file otherwise.
std::unique_ptr<xercesc::InputSource> documentSource(const ZOLString& path)
{
    xercesc::XMLURL url;
    if (xercesc::XMLURL::parse(path.wchars(), url) && !url.isRelative())
        return std::unique_ptr<xercesc::InputSource>(new xercesc::URLInputSource(url));
    return std::unique_ptr<xercesc::InputSource>(new xercesc::LocalFileInputSource(path.wchars()));
}

} // namespace

struct ZOLSAX2Validator::Extensions {
    explicit Extensions(ZOLLog* log) : entityGuard(log) {}

    // The configured locations as given, for the default mode. The guard keeps the namespace
    // and the locations a secure reader receives, resolved when they were configured. A
    // rebuilt reader gets them back.
    ZOLString schemaLocation;
    bool noNamespaceSet = false;
    ZOLString noNamespaceLocation;

    bool strict = false;
    bool followHints = false;

    // Secure processing as asked for, and as built into the current reader.
    bool secureProcessing = false;
    bool secureInstalled = false;
    ZOLSAX2EntityGuard entityGuard;
    // The memory of a secure reader, which measures what it expands.
    ZOLSAX2AmplificationGuard amplificationGuard;

    // Installed as the reader's content handler while strict validation is on.
    ZOLSAX2DocumentElement documentElement;

    // Set while validate() runs: the log may call back into the validator meanwhile.
    bool validating = false;
    // Schema locations given while the reader was busy; handed to it at the next validation.
    bool locationsPending = false;
};

namespace {

// Sets a flag for one validation and clears it on every way out.
class ValidatingScope {
public:
    explicit ValidatingScope(bool& flag) : flag(flag) { flag = true; }
    ValidatingScope(const ValidatingScope&) = delete;
    ValidatingScope& operator=(const ValidatingScope&) = delete;
    ~ValidatingScope() { flag = false; }

private:
    bool& flag;
};

} // namespace

ZOLSAX2Validator::ZOLSAX2Validator(ZOLLog* log) : log(log), reader(nullptr), errorHandler(nullptr), extensions(nullptr)
{
    try {
        ZOLSAX2Platform::initialize();
    } catch (const xercesc::XMLException& e) {
        ZSAX::XERCES_INITIALIZATION_ERROR.throwException(ZOLString(e.getMessage()));
    }

    reader = createConfiguredReader();

    errorHandler = new ZOLSAX2ErrorHandler(log);
    reader->setErrorHandler(errorHandler);
    extensions = new Extensions(log);
}

ZOLSAX2Validator::~ZOLSAX2Validator()
{
    if (reader != nullptr) {
        delete reader;
        reader = nullptr;
    }
    if (errorHandler != nullptr) {
        delete errorHandler;
        errorHandler = nullptr;
    }
    if (extensions != nullptr) {
        delete extensions;
        extensions = nullptr;
    }
    ZOLSAX2Platform::terminate();
}

void ZOLSAX2Validator::addSchemaLocation(const ZOLString& targetNamespace, const ZOLString& location)
{
    Extensions& x = *extensions;
    x.schemaLocation = location;
    x.entityGuard.setTrustedSchema(targetNamespace, secureLocation(location));
    if (reader != nullptr && !x.validating)
        setSchemaLocation(reader, targetNamespace, configuredLocation());
    else
        x.locationsPending = true;
}

void ZOLSAX2Validator::addNoNamespaceSchemaLocation(const ZOLString& location)
{
    Extensions& x = *extensions;
    x.noNamespaceSet = true;
    x.noNamespaceLocation = location;
    x.entityGuard.setTrustedNoNamespaceSchema(secureLocation(location));
    if (reader != nullptr && !x.validating)
        setNoNamespaceSchemaLocation(reader, configuredNoNamespaceLocation());
    else
        x.locationsPending = true;
}

const ZOLString& ZOLSAX2Validator::configuredLocation() const
{
    return extensions->secureInstalled ? extensions->entityGuard.getTrustedLocation() : extensions->schemaLocation;
}

const ZOLString& ZOLSAX2Validator::configuredNoNamespaceLocation() const
{
    return extensions->secureInstalled ? extensions->entityGuard.getTrustedNoNamespaceLocation()
                                       : extensions->noNamespaceLocation;
}

void ZOLSAX2Validator::setStrictValidation(bool on, bool followHints)
{
    extensions->strict = on;
    extensions->followHints = followHints;
}

bool ZOLSAX2Validator::validate(const ZOLFile& file)
{
    // Called from the log during a validation: the reader refuses a second parse while one
    // runs, and so does this call, before it touches anything the running one uses.
    if (extensions->validating) {
        const xercesc::IOException inProgress(__FILE__, __LINE__, xercesc::XMLExcepts::Gen_ParseInProgress);
        ZSAX::XERCES_XML_EXCEPTION.log(*log, ZOLString(inProgress.getMessage()));
        return false;
    }
    const ValidatingScope scope(extensions->validating);
    ZOLSAX2AmplificationGuard& amplification = extensions->amplificationGuard;
    bool measured = false;
    try {
        prepareReader();
        extensions->entityGuard.reset();
        extensions->documentElement.reset();
        const ZOLString path(file.getPath());
        measured = extensions->secureInstalled;
        if (measured)
            amplification.parse(reader, *documentSource(path));
        else
            reader->parse(path.wchars());
    } catch (const xercesc::OutOfMemoryException&) {
        // The reader stays "in progress" for good after this; a fresh one replaces it at
        // the next validation.
        discardReader();
        if (measured && amplification.isRefused())
            amplification.logRefusal(*log);
        else
            ZSAX::XERCES_OUT_OF_MEMORY.log(*log);
        return false;
    } catch (const xercesc::XMLException& e) {
        ZSAX::XERCES_XML_EXCEPTION.log(*log, ZOLString(e.getMessage()));
        return false;
    } catch (const xercesc::SAXException& e) {
        ZSAX::XERCES_XML_EXCEPTION.log(*log, ZOLString(e.getMessage()));
        return false;
    } catch (const xercesc::DOMException& e) {
        // The reader reads schemas into a DOM, whose own exceptions it lets through (for a
        // version in a schema's XML declaration that the DOM refuses, say). The reader gave
        // up in the middle of loading a grammar: a fresh one replaces it.
        discardReader();
        ZSAX::XERCES_XML_EXCEPTION.log(*log, e.getMessage() == nullptr ? ZOLString() : ZOLString(e.getMessage()));
        return false;
    }
    if (measured && amplification.isRefused()) {
        amplification.logRefusal(*log);
        return false;
    }
    if (extensions->entityGuard.getRefusals() > 0)
        errorHandler->errorSeen = true;
    if (!errorHandler->errorSeen && !checkConfiguredSchemas())
        errorHandler->errorSeen = true;
    return !errorHandler->errorSeen;
}

void ZOLSAX2Validator::setSecureProcessing(bool on)
{
    extensions->secureProcessing = on;
}

bool ZOLSAX2Validator::setAmplificationLimit(double ratio, unsigned long long activationBytes)
{
    return extensions->amplificationGuard.setLimit(ratio, activationBytes);
}

void ZOLSAX2Validator::prepareReader()
{
    Extensions& x = *extensions;
    // A secure reader lives on the amplification guard's memory, so a change of mode takes
    // a new reader.
    if (reader != nullptr && x.secureInstalled != x.secureProcessing)
        discardReader();
    if (reader == nullptr) {
        reader = createConfiguredReader(x.secureProcessing ? &x.amplificationGuard
                                                           : xercesc::XMLPlatformUtils::fgMemoryManager);
        reader->setErrorHandler(errorHandler);
        if (x.secureProcessing) {
            x.entityGuard.install(reader);
            x.amplificationGuard.install(reader);
        }
        x.secureInstalled = x.secureProcessing;
        x.locationsPending = true;
    }
    if (x.locationsPending) {
        if (x.entityGuard.hasTrustedSchema())
            setSchemaLocation(reader, x.entityGuard.getTrustedNamespace(), configuredLocation());
        if (x.noNamespaceSet)
            setNoNamespaceSchemaLocation(reader, configuredNoNamespaceLocation());
        x.locationsPending = false;
    }
    // Strict mode ignores hints quietly; secure mode refuses them with a record, so it
    // keeps the reader asking for them.
    const bool ignoreHints = x.strict && !x.followHints && !x.secureProcessing;
    reader->setFeature(xercesc::XMLUni::fgXercesLoadSchema, !ignoreHints);
    xercesc::ContentHandler* own = x.strict ? &x.documentElement : nullptr;
    // A secure reader reports to the amplification guard, which passes content on.
    if (x.secureInstalled)
        x.amplificationGuard.setContentHandler(own);
    else
        reader->setContentHandler(own);
}

void ZOLSAX2Validator::discardReader()
{
    delete reader;
    reader = nullptr;
    extensions->secureInstalled = false;
}

bool ZOLSAX2Validator::checkConfiguredSchemas()
{
    Extensions& x = *extensions;
    ZOLSAX2EntityGuard& guard = x.entityGuard;
    if (!x.strict && !(x.secureProcessing && (guard.hasTrustedSchema() || x.noNamespaceSet)))
        return true;

    // Records of these checks point at the document element when there was one, else
    // at the reader's request for the schema (secure mode), else nowhere.
    const ZOLSAX2DocumentElement& root = x.documentElement;
    const bool atRoot = x.strict && root.isSeen();
    const ZOLString line = atRoot ? longToString(root.getLine()) : guard.getRequestLine();
    const ZOLString column = atRoot ? longToString(root.getColumn()) : guard.getRequestColumn();
    const ZOLLogLocation atDocument(atRoot ? root.getSystemId() : ZOLString(), atRoot ? root.getLine() : 0,
                                    atRoot ? root.getColumn() : 0, ZOLLogEvent::LEVEL_ERROR);
    // A schema that was not loaded is a problem of the schema: its location data names it.
    const auto fail = [&](const ZOLString& why, const ZOLString* schema = nullptr) {
        const ZOLLogLocation where =
            schema == nullptr ? atDocument : ZOLLogLocation(*schema, 0, 0, ZOLLogEvent::LEVEL_ERROR);
        ZSAX::SAX_PARSE_ERROR.logAt(*log, where, line, column, why);
        return false;
    };

    if (x.strict && !guard.hasTrustedSchema() && !x.noNamespaceSet)
        return fail("no schema is configured, so nothing was validated");
    // The reader only warns when a configured schema cannot be loaded and then checks
    // nothing. In secure mode it must also have come through the guard.
    if (guard.hasTrustedSchema() && (reader->getGrammar(guard.getTrustedNamespace().wchars()) == nullptr ||
                                     (x.secureProcessing && !guard.isTrustedSchemaRequested())))
        return fail("schema '" + configuredLocation() + "' for namespace '" + guard.getTrustedNamespace() +
                        "' could not be loaded",
                    &configuredLocation());
    if (x.noNamespaceSet &&
        (reader->getGrammar(u"") == nullptr || (x.secureProcessing && !guard.isNoNamespaceSchemaRequested())))
        return fail("schema '" + configuredNoNamespaceLocation() + "' without target namespace could not be loaded",
                    &configuredNoNamespaceLocation());
    if (!x.strict || !root.isSeen())
        return true;
    const ZOLString& rootNamespace = root.getNamespace();
    const bool covered = rootNamespace.isEmpty()
                             ? x.noNamespaceSet
                             : guard.hasTrustedSchema() && rootNamespace == guard.getTrustedNamespace();
    if (covered)
        return true;
    if (rootNamespace.isEmpty())
        return fail("document element '" + root.getName() +
                    "' has no namespace, and no schema without target namespace is configured");
    return fail("document element '" + root.getName() + "' is in namespace '" + rootNamespace +
                "', which no configured schema is for");
}
