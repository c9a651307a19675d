#ifndef ZOLSAX2DOCTYPEINSERTION_H
#define ZOLSAX2DOCTYPEINSERTION_H

#include <xercesc/sax/InputSource.hpp>

#include <memory>
#include <string>

// A document's bytes with text inserted at one offset, read as they are needed: the way a DTD
// the caller names reaches a document whose DOCTYPE names no external DTD (or that has no
// DOCTYPE). Records keep the document's system identifier; positions after the insertion on
// its line move right by the inserted length. Internal to the library.
class ZOLSAX2DoctypeInsertion : public xercesc::InputSource {
public:
    // Where and what to insert in a document that begins with head (its first bytes, in an
    // ASCII-compatible encoding): a DOCTYPE naming systemId before the document element, or
    // its external identifier after the DOCTYPE's name. False when neither is needed (the
    // DOCTYPE names an external DTD) or cannot be placed.
    static bool plan(const std::string& head, const std::string& systemId, std::size_t& offset, std::string& text);

    // The bytes of inner with text at offset; inner must be the only reader of its bytes.
    ZOLSAX2DoctypeInsertion(std::unique_ptr<xercesc::InputSource> inner, std::size_t offset, std::string text);
    ~ZOLSAX2DoctypeInsertion() override;

    xercesc::BinInputStream* makeStream() const override;

private:
    std::unique_ptr<xercesc::InputSource> inner;
    std::size_t offset;
    std::string text;
};

#endif
