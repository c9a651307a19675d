#ifndef ZOLSTRING_H
#define ZOLSTRING_H

#include "ZOLStdExport.h"

#include <cstddef>

// Text of the suite: narrow characters are UTF-8, wide characters UTF-16.
//
// Strings of up to INLINE_CAPACITY bytes live inside the object and never
// touch the heap. The wide form is made on demand by wchars() and cached
// until the string changes. Lengths are byte counts of the narrow form.
class ZOLSTD_API ZOLString {
public:
    // Longest narrow text, in bytes, stored without a heap allocation.
    static constexpr std::size_t INLINE_CAPACITY = 63;

    // The empty string, for callers that need one by reference.
    static const ZOLString emptyString;

    // An empty string.
    ZOLString() noexcept;
    // Narrow UTF-8 text up to its NUL; a null pointer gives the empty string.
    ZOLString(const char* text);
    // Wide UTF-16 text up to its NUL, converted to UTF-8; unpaired surrogates become U+FFFD.
    ZOLString(const char16_t* text);
    // The decimal digits of value, with a leading '-' when negative.
    explicit ZOLString(long value);
    // Copies the narrow text; the wide cache is not copied.
    ZOLString(const ZOLString& other);
    // Takes over other's storage and leaves other empty.
    ZOLString(ZOLString&& other) noexcept;
    // Releases the heap storage, if any.
    // Inline so that the common case, a short string without a wide form, costs no call.
    ~ZOLString()
    {
        if (wide_ != nullptr || data_ != inline_)
            releaseStorage();
    }

    // Replaces the text with other's.
    ZOLString& operator=(const ZOLString& other);
    // Replaces the text with other's storage and leaves other empty.
    ZOLString& operator=(ZOLString&& other) noexcept;
    // Replaces the text with narrow text up to its NUL.
    ZOLString& operator=(const char* text);

    // Replaces the text with length bytes of narrow text, or up to its NUL when length is -1.
    void init(const char* text, long length = -1);
    // Replaces the text with length UTF-16 units, or up to their NUL when length is -1.
    void init(const char16_t* text, long length = -1);

    // The NUL-terminated narrow text, valid while the string lives and is unchanged.
    const char* chars() const noexcept { return data_; }
    // The narrow text's length in bytes.
    std::size_t length() const noexcept { return length_; }
    // True when the text is empty.
    bool isEmpty() const noexcept { return length_ == 0; }
    // The NUL-terminated UTF-16 form, valid while the string lives and is unchanged.
    const char16_t* wchars() const;

    // At most count bytes from start; a start past the end gives the empty string.
    ZOLString mid(std::size_t start, std::size_t count) const;
    // Appends each narrow text up to the first null pointer; returns *this.
    ZOLString& add(const char* first, ...);
    // Appends other; returns *this.
    ZOLString& operator+=(const ZOLString& other);
    // Appends narrow text; returns *this.
    ZOLString& operator+=(const char* text);

    // Byte-wise equality of the narrow texts.
    bool operator==(const ZOLString& other) const noexcept;
    // Byte-wise equality with narrow text (a null pointer equals the empty string).
    bool operator==(const char* text) const noexcept;
    // Byte-wise inequality of the narrow texts.
    bool operator!=(const ZOLString& other) const noexcept { return !(*this == other); }
    // Byte-wise inequality with narrow text (a null pointer equals the empty string).
    bool operator!=(const char* text) const noexcept { return !(*this == text); }

private:
    // Construction from wide text, with the converters.
    friend struct ZOLStringFromWide;

    void append(const char* text, std::size_t length);
    void reserve(std::size_t capacity);
    void dropWide() noexcept;
    void release() noexcept;
    // Frees the heap text and the wide form; the destructor's rare case.
    void releaseStorage() noexcept;
    bool isInline() const noexcept { return data_ == inline_; }

    char* data_;
    std::size_t length_;
    std::size_t capacity_;
    mutable char16_t* wide_;
    char inline_[INLINE_CAPACITY + 1];
};

// Concatenation of two strings.
ZOLSTD_API ZOLString operator+(const ZOLString& left, const ZOLString& right);
// Concatenation of a string and narrow text.
ZOLSTD_API ZOLString operator+(const ZOLString& left, const char* right);
// Concatenation of narrow text and a string.
ZOLSTD_API ZOLString operator+(const char* left, const ZOLString& right);

#endif
