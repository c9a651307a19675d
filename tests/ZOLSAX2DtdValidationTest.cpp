// The validator's DTD validation: against the document's own DOCTYPE or a DTD the caller names,
// alone or beside schemas, in strict and secure mode, and the expansion count of secure mode
// with a DTD a catalog makes trusted.
#include "TestSupport.h"

#include <ZOLSAX2Catalog.h>
#include <ZOLSAX2Validator.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

using testsupport::ScratchDir;

namespace {

const char* const DTD =
    "<!ELEMENT r (a*)>\n<!ELEMENT a EMPTY>\n<!ATTLIST a v (x|y) #IMPLIED t CDATA #IMPLIED>\n<!ENTITY e 'E'>\n";
const char* const SCHEMA = "<xs:schema xmlns:xs='http://www.w3.org/2001/XMLSchema'>"
                           "<xs:element name='r'><xs:complexType><xs:sequence>"
                           "<xs:any processContents='skip' minOccurs='0' maxOccurs='unbounded'/>"
                           "</xs:sequence></xs:complexType></xs:element></xs:schema>";

// A folder with the DTD, its documents and a catalog that maps the DTD's http name to it.
struct Files {
    ScratchDir dir;
    std::string dtd = dir.write("r.dtd", DTD);
    std::string other = dir.write("other.dtd", "<!ELEMENT r (#PCDATA)>");
    std::string schema = dir.write("r.xsd", SCHEMA);
    std::string catalog = dir.write("catalog.xml", "<catalog xmlns='urn:oasis:names:tc:entity:xmlns:xml:catalog'>"
                                                   "<public publicId='-//T//DTD R//EN' uri='r.dtd'/></catalog>");
    std::string good = dir.write("good.xml", "<!DOCTYPE r SYSTEM 'r.dtd'>\n<r><a v='x' t='&e;'/></r>");
    std::string bad = dir.write("bad.xml", "<!DOCTYPE r SYSTEM 'r.dtd'>\n<r><a v='z'/><b/></r>");
    std::string none = dir.write("none.xml", "<r><a/></r>");
    std::string internal = dir.write("internal.xml", "<!DOCTYPE r [<!ELEMENT r EMPTY>]>\n<r/>");
    std::string missing = dir.write("missing.xml", "<!DOCTYPE r SYSTEM 'gone.dtd'>\n<r/>");
    std::string otherDoctype = dir.write("other.xml", "<!DOCTYPE r SYSTEM 'other.dtd'>\n<r><a/></r>");
    std::string broken = dir.write("broken.xml", "<!DOCTYPE r SYSTEM 'r.dtd'>\n<r><a></r>");
    std::string remote = dir.write("remote.xml", "<!DOCTYPE r PUBLIC '-//T//DTD R//EN' 'http://example.org/r.dtd'>\n"
                                                 "<r><a/></r>");

    // "T" or "F" per document, then each record with its location data.
    std::string run(ZOLSAX2Validator& validator, ZOLMemoryLog& log, const std::vector<std::string>& docs)
    {
        return testsupport::validateEach(validator, log, docs, dir.getPath());
    }
};

struct Fixture {
    ZOLMemoryLog log;
    ZOLSAX2Validator validator{&log};
};

} // namespace

TEST(ZOLSAX2DtdValidation, OwnDoctypeAnswersForTheDtdAndSaysWhyWhenThereIsNone)
{
    Files f;
    Fixture t;
    // Off, as designed: a document without a grammar is not validated.
    EXPECT_EQ("T\n", f.run(t.validator, t.log, {f.none}));
    t.validator.setDtdValidation(true);
    EXPECT_EQ("TT\n", f.run(t.validator, t.log, {f.good, f.internal}));
    EXPECT_EQ("F\n"
              "WARNING ZSAX_W0001 (2:14): value 'z' for attribute 'v' does not match its type's defined "
              "enumeration or notation list @ /bad.xml:2:14 ERROR\n"
              "WARNING ZSAX_W0001 (2:18): no declaration found for element 'b' @ /bad.xml:2:18 ERROR\n"
              "WARNING ZSAX_W0001 (2:22): element 'b' is not allowed for content model '(a)*' @ /bad.xml:2:22 ERROR\n",
              f.run(t.validator, t.log, {f.bad}));
    EXPECT_EQ("F\nWARNING ZSAX_W0001 (0:0): no DOCTYPE, so nothing was validated against a DTD @ /none.xml:0:0 ERROR\n",
              f.run(t.validator, t.log, {f.none}));
    const std::string missing = f.run(t.validator, t.log, {f.missing});
    EXPECT_EQ("F\nWARNING ZSAX_W0001 (1:31): unable to open DTD", missing.substr(0, 47)) << missing;
    // Not well-formed: the reader's fatal error alone.
    EXPECT_EQ("F\nWARNING ZSAX_W0001 (2:9): expected end of tag 'a' @ /broken.xml:2:9 FATAL\n",
              f.run(t.validator, t.log, {f.broken}));
    t.validator.setDtdValidation(false);
    EXPECT_EQ("TT\n", f.run(t.validator, t.log, {f.none, f.internal}));
}

TEST(ZOLSAX2DtdValidation, ANamedDtdStandsInForTheDoctypesExternalDtdOrTheMissingDoctype)
{
    Files f;
    Fixture t;
    t.validator.setDtdValidation(true, f.dtd.c_str());
    // Without a DOCTYPE, or with only an internal subset, the document is read as if its
    // DOCTYPE named the DTD: after the XML declaration, lines and columns stay as written.
    const std::string declared = f.dir.write("declared.xml", "<?xml version='1.0'?>\n<r><b/></r>");
    EXPECT_EQ("TTTT\n", f.run(t.validator, t.log, {f.good, f.otherDoctype, f.none, f.internal}));
    EXPECT_EQ("F\nWARNING ZSAX_W0001 (2:8): no declaration found for element 'b' @ /declared.xml:2:8 ERROR\n"
              "WARNING ZSAX_W0001 (2:12): element 'b' is not allowed for content model '(a)*' @ /declared.xml:2:12 "
              "ERROR\n",
              f.run(t.validator, t.log, {declared}));
    t.validator.setDtdValidation(true, (f.dir.getPath() + "/other.dtd").c_str());
    EXPECT_EQ("F\nWARNING ZSAX_W0001 (2:8): no declaration found for element 'a' @ /other.xml:2:8 ERROR\n"
              "WARNING ZSAX_W0001 (2:12): element 'a' is not allowed for content model '(#PCDATA)' @ /other.xml:2:12 "
              "ERROR\n",
              f.run(t.validator, t.log, {f.otherDoctype}));
}

TEST(ZOLSAX2DtdValidation, WithSchemasTrueMeansValidAgainstBoth)
{
    Files f;
    for (const bool cached : {false, true}) {
        Fixture t;
        t.validator.setSchemaCaching(cached);
        t.validator.addNoNamespaceSchemaLocation(f.schema.c_str());
        // The schema alone takes the document with its undeclared element.
        EXPECT_EQ("TT\n", f.run(t.validator, t.log, {f.good, f.bad}));
        t.validator.setDtdValidation(true);
        EXPECT_EQ(
            "TF\n"
            "WARNING ZSAX_W0001 (2:14): value 'z' for attribute 'v' does not match its type's defined enumeration "
            "or notation list @ /bad.xml:2:14 ERROR\n"
            "WARNING ZSAX_W0001 (2:18): no declaration found for element 'b' @ /bad.xml:2:18 ERROR\n"
            "WARNING ZSAX_W0001 (2:22): element 'b' is not allowed for content model '(a)*' @ /bad.xml:2:22 "
            "ERROR\n",
            f.run(t.validator, t.log, {f.good, f.bad}));
        // One fatal error, not one per pass; and a document without DOCTYPE says so.
        EXPECT_EQ("FF\nWARNING ZSAX_W0001 (2:9): expected end of tag 'a' @ /broken.xml:2:9 FATAL\n"
                  "WARNING ZSAX_W0001 (0:0): no DOCTYPE, so nothing was validated against a DTD @ /none.xml:0:0 "
                  "ERROR\n",
                  f.run(t.validator, t.log, {f.broken, f.none}))
            << cached;
        // A stream cannot be read twice.
        const char* bytes = "<!DOCTYPE r SYSTEM 'r.dtd'><r/>";
        struct Stream {
            const char* at;
            static long read(void* context, char* buffer, unsigned long size)
            {
                auto* s = static_cast<Stream*>(context);
                const unsigned long n = std::min<unsigned long>(size, std::strlen(s->at));
                std::memcpy(buffer, s->at, n);
                s->at += n;
                return static_cast<long>(n);
            }
        } stream{bytes};
        t.log.clear();
        EXPECT_FALSE(t.validator.validateStream(&Stream::read, &stream, (f.dir.getPath() + "/s.xml").c_str()));
        EXPECT_EQ(
            "WARNING ZSAX_W0001 (0:0): a stream is read once, so it cannot be validated against both schemas and a "
            "DTD\n",
            testsupport::render(t.log));
    }
}

TEST(ZOLSAX2DtdValidation, StrictWithoutSchemaMeansValidAgainstTheDtd)
{
    Files f;
    Fixture t;
    t.validator.setStrictValidation(true);
    t.validator.setDtdValidation(true);
    EXPECT_EQ("TFF", f.run(t.validator, t.log, {f.good, f.bad, f.none}).substr(0, 3));
}

TEST(ZOLSAX2DtdValidation, SecureModeReadsTheDtdACatalogMapsAndCountsOnlyTheInternalSubsetsEntities)
{
    Files f;
    ZOLSAX2Catalog catalog(f.catalog.c_str(), nullptr);
    std::string many = "<!DOCTYPE r PUBLIC '-//T//DTD R//EN' 'http://example.org/r.dtd' [<!ENTITY i 'I'>]>\n<r>";
    for (int n = 0; n < 1500; ++n)
        many += "<a t='&e;'/>";
    const std::string trusted = f.dir.write("trusted-entities.xml", many + "</r>");
    for (int n = 0; n < 1001; ++n)
        many += "<a t='&i;'/>";
    const std::string internal = f.dir.write("internal-entities.xml", many + "</r>");

    Fixture t;
    t.validator.setSecureProcessing(true);
    t.validator.setDtdValidation(true);
    EXPECT_EQ("F\nWARNING ZSAX_W0001 (1:65): external DTD refused (PUBLIC '-//T//DTD R//EN' SYSTEM "
              "'http://example.org/r.dtd') @ /remote.xml:1:65 ERROR\n",
              f.run(t.validator, t.log, {f.remote}).substr(0, 136));
    t.validator.setResolver(&ZOLSAX2Catalog::resolve, &catalog);
    EXPECT_EQ("TT\n", f.run(t.validator, t.log, {f.remote, trusted}));
    EXPECT_EQ("F\nWARNING ZSAX_W0001 (2:30013): parser has encountered more than '1000' entity expansions in the "
              "document; this is the limit imposed by the application @ /internal-entities.xml:2:30013 FATAL\n",
              f.run(t.validator, t.log, {internal}));
}

TEST(ZOLSAX2DtdValidation, CachingGivesTheUncachedAnswersAlsoWithAnInternalSubset)
{
    Files f;
    const std::string dtd =
        f.dir.write("m.dtd", "<!ELEMENT r (a*)>\n<!ELEMENT a EMPTY>\n<!ATTLIST a v CDATA #IMPLIED>\n"
                             "<!ENTITY % draft 'IGNORE'>\n<![%draft;[<!ENTITY note 'N'>]]>\n");
    const std::string head = "<!DOCTYPE r SYSTEM 'm.dtd'";
    const std::vector<std::string> docs = {
        f.dir.write("plain.xml", head + ">\n<r><a v='1'/></r>"),
        // An entity and a required attribute of its own.
        f.dir.write("subset.xml", head + " [<!ENTITY f 'F'><!ATTLIST a w CDATA #REQUIRED>]>\n<r><a v='&f;'/></r>"),
        // A parameter entity that switches the DTD's marked section on.
        f.dir.write("switched.xml", head + " [<!ENTITY % draft 'INCLUDE'>]>\n<r><a v='&note;'/></r>"),
        f.dir.write("plain-note.xml", head + ">\n<r><a v='&note;'/></r>"),
        f.dir.write("plain-f.xml", head + ">\n<r><a v='&f;'/></r>"),
    };
    std::vector<std::string> order = docs;
    order.insert(order.end(), docs.rbegin(), docs.rend());
    Fixture plain;
    plain.validator.setDtdValidation(true);
    Fixture cached;
    cached.validator.setDtdValidation(true);
    cached.validator.setSchemaCaching(true);
    for (const std::string& doc : order)
        EXPECT_EQ(f.run(plain.validator, plain.log, {doc}), f.run(cached.validator, cached.log, {doc})) << doc;
    EXPECT_EQ("TFTFF", f.run(cached.validator, cached.log, docs).substr(0, 5));
    // The kept grammar serves without the file; a document with an internal subset reads it.
    std::remove(dtd.c_str());
    EXPECT_EQ("TF", f.run(cached.validator, cached.log, {docs[0], docs[1]}).substr(0, 2));
    EXPECT_EQ("F", f.run(plain.validator, plain.log, {docs[0]}).substr(0, 1));
}
