#ifndef XERCESFEATURES_H
#define XERCESFEATURES_H

#include <xercesc/sax2/SAX2XMLReader.hpp>
#include <xercesc/util/XMLUni.hpp>

namespace zolbench {

// The nine features that ZOLSAX2Parser sets on its reader, so that the raw-reader
// contenders do exactly the reader work the library does.
inline void configureLikeZOLSAX2Parser(xercesc::SAX2XMLReader& reader)
{
    reader.setFeature(xercesc::XMLUni::fgXercesSchema, false);
    reader.setFeature(xercesc::XMLUni::fgSAX2CoreValidation, false);
    reader.setFeature(xercesc::XMLUni::fgSAX2CoreNameSpaces, false);
    reader.setFeature(xercesc::XMLUni::fgXercesLoadExternalDTD, false);
    reader.setFeature(xercesc::XMLUni::fgXercesDynamic, false);
    reader.setFeature(xercesc::XMLUni::fgXercesSchemaFullChecking, false);
    reader.setFeature(xercesc::XMLUni::fgXercesIdentityConstraintChecking, false);
    reader.setFeature(xercesc::XMLUni::fgSAX2CoreNameSpacePrefixes, false);
    reader.setFeature(xercesc::XMLUni::fgXercesCalculateSrcOfs, true);
}

// The nine features that ZOLSAX2Validator sets on its reader (full checking on, as by
// default), so that the raw validating contender does the reader work the validator does.
inline void configureLikeZOLSAX2Validator(xercesc::SAX2XMLReader& reader)
{
    reader.setFeature(xercesc::XMLUni::fgSAX2CoreNameSpaces, true);
    reader.setFeature(xercesc::XMLUni::fgSAX2CoreNameSpacePrefixes, false);
    reader.setFeature(xercesc::XMLUni::fgSAX2CoreValidation, true);
    reader.setFeature(xercesc::XMLUni::fgXercesDynamic, true);
    reader.setFeature(xercesc::XMLUni::fgXercesSchema, true);
    reader.setFeature(xercesc::XMLUni::fgXercesSchemaFullChecking, true);
    reader.setFeature(xercesc::XMLUni::fgXercesLoadExternalDTD, true);
    reader.setFeature(xercesc::XMLUni::fgXercesIdentityConstraintChecking, false);
    reader.setFeature(xercesc::XMLUni::fgXercesCalculateSrcOfs, true);
}

} // namespace zolbench

#endif
