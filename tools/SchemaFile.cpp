#include "SchemaFile.h"

#include "InputFile.h"
#include "SourceNames.h"

#include <ZOLSAX2Parser.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <system_error>
#include <utility>

namespace zolsax2 {

namespace {

const std::string xsdNamespace = "http://www.w3.org/2001/XMLSchema";

// A location with a URL scheme ("http:", "file:", ...) rather than a local path.
bool isUrl(const std::string& location)
{
    const std::size_t colon = location.find(':');
    if (colon == std::string::npos || colon < 2)
        return false;
    for (std::size_t i = 0; i < colon; ++i) {
        const char c = location[i];
        const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
        if (!letter && (i == 0 || !((c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.')))
            return false;
    }
    return true;
}

// The file URL of an absolute path, with the bytes the reader's list would split on escaped.
std::string fileUrl(const std::string& path)
{
    std::string url = "file://";
    for (char c : path) {
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '%') {
            char escaped[4];
            std::snprintf(escaped, sizeof escaped, "%%%02X", static_cast<unsigned char>(c));
            url += escaped;
        } else {
            url += c;
        }
    }
    return url;
}

// Thrown from the start tag of the document element: the rest of the schema is the
// validator's to read.
struct DocumentElementSeen {};

// The document element of a parse, as written: the parser does no namespace processing,
// so the element's namespace is looked up among its own attributes.
struct DocumentElement {
    static void startElement(void* self, const char* name, const char** attributes)
    {
        auto* root = static_cast<DocumentElement*>(self);
        if (root->seen)
            return;
        root->seen = true;
        root->name = name;
        const std::string position = root->parser->getPosition().chars();
        const std::size_t colon = position.find(':');
        if (colon != std::string::npos) {
            root->line = std::strtol(position.c_str(), nullptr, 10);
            root->column = std::strtol(position.c_str() + colon + 1, nullptr, 10);
        }
        const std::size_t prefixEnd = root->name.find(':');
        const std::string declaration =
            prefixEnd == std::string::npos ? "xmlns" : "xmlns:" + root->name.substr(0, prefixEnd);
        root->localName = prefixEnd == std::string::npos ? root->name : root->name.substr(prefixEnd + 1);
        for (const char** a = attributes; a[0] != nullptr; a += 2) {
            if (declaration == a[0]) {
                root->namespaceKnown = true;
                root->elementNamespace = a[1];
            } else if (std::string("targetNamespace") == a[0]) {
                root->hasTargetNamespace = true;
                root->targetNamespace = a[1];
            }
        }
        // An unprefixed name without a default namespace declaration is in no namespace.
        root->namespaceKnown = root->namespaceKnown || prefixEnd == std::string::npos;
        throw DocumentElementSeen();
    }

    const ZOLSAX2Parser* parser = nullptr;
    bool seen = false;
    std::string name;
    std::string localName;
    long line = 0;
    long column = 0;
    bool namespaceKnown = false;
    std::string elementNamespace;
    bool hasTargetNamespace = false;
    std::string targetNamespace;
};

} // namespace

SchemaFile::SchemaFile(std::string given, std::string targetNamespace)
    : given(std::move(given)), expectedNamespace(std::move(targetNamespace))
{
    if (isUrl(this->given)) {
        libraryLocation = this->given;
        return;
    }
    file = std::make_unique<InputFile>(this->given);
    std::error_code ec;
    const std::filesystem::path absolute = std::filesystem::absolute(file->path(), ec);
    const std::string location = ec ? file->path() : absolute.lexically_normal().string();
    libraryLocation = location.find_first_of(" \t\r\n") != std::string::npos ? fileUrl(location) : location;
}

SchemaFile::~SchemaFile() = default;

bool SchemaFile::check(bool secure)
{
    log.clear();
    if (file == nullptr)
        return true;
    if (!file->problem().empty()) {
        log.addProblem(file->problem());
        return false;
    }
    if (file->size() == 0) {
        log.addProblem("empty file: not a schema");
        return false;
    }
    DocumentElement root;
    ZOLSAX2Parser parser(&root, &log, DocumentElement::startElement, nullptr, nullptr, nullptr);
    root.parser = &parser;
    parser.setSecureProcessing(secure);
    try {
        if (!file->parse(parser, log, std::cin))
            return false;
    } catch (const DocumentElementSeen&) {
        // Up to its document element the schema is well-formed; the validator reads the rest.
    }
    // Warnings of a schema that serves are the validator's to report, with its records.
    log.clear();
    // An undeclared prefix, or a namespace declared by a DTD, is left to the validator.
    if (!root.seen || !root.namespaceKnown)
        return true;
    if (root.localName != "schema" || root.elementNamespace != xsdNamespace) {
        const std::string element = root.elementNamespace.empty() ? root.localName + " without namespace"
                                                                  : "{" + root.elementNamespace + "}" + root.localName;
        log.addFinding(std::string(), root.line, root.column, "error",
                       "not a schema: the document element is " + element + ", not {" + xsdNamespace + "}schema");
        return false;
    }
    if (root.hasTargetNamespace && !root.targetNamespace.empty() && expectedNamespace.empty()) {
        log.addFinding(std::string(), root.line, root.column, "error",
                       "schema for target namespace '" + root.targetNamespace +
                           "', but --schema '' names a schema without one");
        return false;
    }
    if (!expectedNamespace.empty() && root.targetNamespace != expectedNamespace) {
        log.addFinding(std::string(), root.line, root.column, "error",
                       root.targetNamespace.empty() ? "schema without target namespace, not for '" + expectedNamespace +
                                                          "' as --schema says ('' as NAMESPACE names it)"
                                                    : "schema for target namespace '" + root.targetNamespace +
                                                          "', not '" + expectedNamespace + "' as --schema says");
        return false;
    }
    return true;
}

void SchemaFile::addNames(SourceNames& names) const
{
    names.add(libraryLocation, given);
    if (file != nullptr) {
        std::error_code ec;
        const std::filesystem::path absolute = std::filesystem::absolute(file->path(), ec);
        if (!ec) {
            names.add(absolute.string(), given);
            names.add(absolute.lexically_normal().string(), given);
        }
    }
}

SourceNames SchemaFile::names() const
{
    SourceNames names(given);
    addNames(names);
    return names;
}

} // namespace zolsax2
