#include "ZOLString.h"

#include "ZOLUtf.h"

#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <new>

const ZOLString ZOLString::emptyString;

namespace {

// Moves the used bytes of data, a buffer of capacity + 1 bytes that is either inlineBuffer
// or owned heap storage, to a heap buffer at least twice the size; returns where writing
// goes on. If the allocation fails, data is left as the empty inline buffer.
__attribute__((noinline)) char* grow(char*& data, std::size_t& capacity, const char* out, char* inlineBuffer)
{
    const auto used = static_cast<std::size_t>(out - data);
    const std::size_t grown = capacity < 127 ? 255 : 2 * capacity + 1;
    auto* bigger = static_cast<char*>(std::malloc(grown + 1));
    if (bigger == nullptr) {
        if (data != inlineBuffer)
            std::free(data);
        data = inlineBuffer;
        capacity = ZOLString::INLINE_CAPACITY;
        data[0] = '\0';
        throw std::bad_alloc();
    }
    std::memcpy(bigger, data, used);
    if (data != inlineBuffer)
        std::free(data);
    data = bigger;
    capacity = grown;
    return data + used;
}

// Converts on from where progress stopped in data (as for grow) up to the text's NUL, and
// sets length. Text that does not fit moves to ever larger heap buffers, so it is still
// read once. If an allocation fails, length is not touched.
__attribute__((noinline)) void convertUtf16RestPortable(zolutf::Progress progress, char*& data, std::size_t& length,
                                                        std::size_t& capacity, char* inlineBuffer)
{
    for (;;) {
        progress = zolutf::utf16zToUtf8(progress.text, progress.out, data + capacity + 1);
        if (progress.ended)
            break;
        progress.out = grow(data, capacity, progress.out, inlineBuffer);
    }
    *progress.out = '\0';
    length = static_cast<std::size_t>(progress.out - data);
}

#if defined(ZOLUTF_WIDE)
// The same with the block converter.
__attribute__((noinline)) ZOLUTF_WIDE_TARGET void convertUtf16RestWide(zolutf::Progress progress, char*& data,
                                                                       std::size_t& length, std::size_t& capacity,
                                                                       char* inlineBuffer)
{
    for (;;) {
        progress = zolutf::utf16zToUtf8WideBody(progress.text, progress.out, data + capacity + 1);
        if (progress.ended)
            break;
        progress.out = grow(data, capacity, progress.out, inlineBuffer);
    }
    *progress.out = '\0';
    length = static_cast<std::size_t>(progress.out - data);
}
#endif

// Decided once, when the library loads; until then the portable converter is used.
const bool wideConverter = zolutf::haveWideConverter();

// convertRest with the fastest converter this processor runs.
inline void convertUtf16Rest(zolutf::Progress progress, char*& data, std::size_t& length, std::size_t& capacity,
                             char* inlineBuffer)
{
#if defined(ZOLUTF_WIDE)
    if (wideConverter) {
        convertUtf16RestWide(progress, data, length, capacity, inlineBuffer);
        return;
    }
#endif
    convertUtf16RestPortable(progress, data, length, capacity, inlineBuffer);
}

// The rare part of destruction, kept out of line so that the common case needs no frame.
__attribute__((noinline)) void freeStorage(char16_t* wide, char* data, const char* inlineBuffer) noexcept
{
    std::free(wide);
    if (data != inlineBuffer)
        std::free(data);
}

} // namespace

ZOLString::ZOLString() noexcept : data_(inline_), length_(0), capacity_(INLINE_CAPACITY), wide_(nullptr)
{
    inline_[0] = '\0';
}

ZOLString::ZOLString(const char* text) : ZOLString()
{
    init(text, -1);
}

ZOLString::ZOLString(const char16_t* text) : data_(inline_), capacity_(INLINE_CAPACITY), wide_(nullptr)
{
    // The reader hands every name and text through here, so this path calls nothing that
    // the dynamic linker could interpose, needs no length up front and sets length_ once.
    if (text == nullptr) {
        length_ = 0;
        inline_[0] = '\0';
        return;
    }
    static_assert(INLINE_CAPACITY + 1 >= 32, "the fast start fills the first 32 bytes of the inline buffer");
    const zolutf::Progress head = zolutf::utf16zToUtf8Head(text, inline_);
    if (head.ended) {
        *head.out = '\0';
        length_ = static_cast<std::size_t>(head.out - inline_);
        return;
    }
    length_ = 0;
    convertUtf16Rest(head, data_, length_, capacity_, inline_);
}

ZOLString::ZOLString(long value) : ZOLString()
{
    // Digits are produced backwards from the unsigned magnitude so LONG_MIN works too.
    char digits[24];
    char* p = digits + sizeof digits;
    unsigned long magnitude = value < 0 ? 0ul - static_cast<unsigned long>(value) : static_cast<unsigned long>(value);
    do {
        *--p = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    if (value < 0)
        *--p = '-';
    append(p, static_cast<std::size_t>(digits + sizeof digits - p));
}

ZOLString::ZOLString(const ZOLString& other) : ZOLString()
{
    append(other.data_, other.length_);
}

ZOLString::ZOLString(ZOLString&& other) noexcept : ZOLString()
{
    *this = static_cast<ZOLString&&>(other);
}

void ZOLString::releaseStorage() noexcept
{
    freeStorage(wide_, data_, inline_);
}

ZOLString& ZOLString::operator=(const ZOLString& other)
{
    if (this != &other) {
        length_ = 0;
        data_[0] = '\0';
        dropWide();
        append(other.data_, other.length_);
    }
    return *this;
}

ZOLString& ZOLString::operator=(ZOLString&& other) noexcept
{
    if (this == &other)
        return *this;
    release();
    if (other.isInline()) {
        std::memcpy(inline_, other.inline_, other.length_ + 1);
        data_ = inline_;
        capacity_ = INLINE_CAPACITY;
    } else {
        data_ = other.data_;
        capacity_ = other.capacity_;
    }
    length_ = other.length_;
    wide_ = other.wide_;
    other.data_ = other.inline_;
    other.inline_[0] = '\0';
    other.length_ = 0;
    other.capacity_ = INLINE_CAPACITY;
    other.wide_ = nullptr;
    return *this;
}

ZOLString& ZOLString::operator=(const char* text)
{
    init(text, -1);
    return *this;
}

void ZOLString::init(const char* text, long length)
{
    if (text != nullptr && text >= data_ && text <= data_ + length_) {
        // Re-initialising from our own characters: take a copy first.
        ZOLString copy;
        copy.init(text, length);
        *this = static_cast<ZOLString&&>(copy);
        return;
    }
    dropWide();
    length_ = 0;
    data_[0] = '\0';
    if (text == nullptr)
        return;
    append(text, length < 0 ? std::strlen(text) : static_cast<std::size_t>(length));
}

void ZOLString::init(const char16_t* text, long length)
{
    dropWide();
    length_ = 0;
    data_[0] = '\0';
    if (text == nullptr)
        return;
    if (length < 0) {
        convertUtf16Rest(zolutf::Progress{text, data_, false}, data_, length_, capacity_, inline_);
        return;
    }
    const std::size_t units = static_cast<std::size_t>(length);
    reserve(zolutf::maxUtf8Bytes(units));
    length_ = zolutf::utf16ToUtf8(text, units, data_);
    data_[length_] = '\0';
}

const char16_t* ZOLString::wchars() const
{
    if (wide_ == nullptr) {
        const std::size_t units = zolutf::utf16Units(data_, length_);
        auto* wide = static_cast<char16_t*>(std::malloc((units + 1) * sizeof(char16_t)));
        if (wide == nullptr)
            throw std::bad_alloc();
        wide[zolutf::utf8ToUtf16(data_, length_, wide)] = u'\0';
        wide_ = wide;
    }
    return wide_;
}

ZOLString ZOLString::mid(std::size_t start, std::size_t count) const
{
    ZOLString result;
    if (start < length_) {
        const std::size_t available = length_ - start;
        result.append(data_ + start, count < available ? count : available);
    }
    return result;
}

ZOLString& ZOLString::add(const char* first, ...)
{
    va_list texts;
    va_start(texts, first);
    for (const char* text = first; text != nullptr; text = va_arg(texts, const char*))
        append(text, std::strlen(text));
    va_end(texts);
    return *this;
}

ZOLString& ZOLString::operator+=(const ZOLString& other)
{
    append(other.data_, other.length_);
    return *this;
}

ZOLString& ZOLString::operator+=(const char* text)
{
    if (text != nullptr)
        append(text, std::strlen(text));
    return *this;
}

bool ZOLString::operator==(const ZOLString& other) const noexcept
{
    return length_ == other.length_ && std::memcmp(data_, other.data_, length_) == 0;
}

bool ZOLString::operator==(const char* text) const noexcept
{
    if (text == nullptr)
        return length_ == 0;
    return std::strlen(text) == length_ && std::memcmp(data_, text, length_) == 0;
}

void ZOLString::append(const char* text, std::size_t length)
{
    if (length == 0)
        return;
    dropWide();
    if (length_ + length > capacity_) {
        std::size_t grown = capacity_ * 2;
        reserve(grown > length_ + length ? grown : length_ + length);
    }
    // memmove: text may point into this string.
    std::memmove(data_ + length_, text, length);
    length_ += length;
    data_[length_] = '\0';
}

void ZOLString::reserve(std::size_t capacity)
{
    if (capacity <= capacity_)
        return;
    auto* bigger = static_cast<char*>(std::malloc(capacity + 1));
    if (bigger == nullptr)
        throw std::bad_alloc();
    std::memcpy(bigger, data_, length_ + 1);
    if (!isInline())
        std::free(data_);
    data_ = bigger;
    capacity_ = capacity;
}

void ZOLString::dropWide() noexcept
{
    if (wide_ != nullptr) {
        std::free(wide_);
        wide_ = nullptr;
    }
}

void ZOLString::release() noexcept
{
    dropWide();
    if (!isInline())
        std::free(data_);
    data_ = inline_;
    length_ = 0;
    capacity_ = INLINE_CAPACITY;
    inline_[0] = '\0';
}

ZOLString operator+(const ZOLString& left, const ZOLString& right)
{
    ZOLString result(left);
    result += right;
    return result;
}

ZOLString operator+(const ZOLString& left, const char* right)
{
    ZOLString result(left);
    result += right;
    return result;
}

ZOLString operator+(const char* left, const ZOLString& right)
{
    ZOLString result(left);
    result += right;
    return result;
}
