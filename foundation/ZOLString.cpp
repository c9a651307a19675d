#include "ZOLString.h"

#include "ZOLUtf.h"

#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <new>

const ZOLString ZOLString::emptyString;

namespace {

// Bytes converted on the stack before a string's text moves to the heap.
constexpr std::size_t SCRATCH = 1024;

// Bytes in a string's inline buffer, its NUL included.
constexpr std::size_t INLINE_SIZE = ZOLString::INLINE_CAPACITY + 1;
static_assert(SCRATCH >= INLINE_SIZE, "the scratch holds an inline buffer's worth");

// Moves the used bytes of buffer (size bytes; the caller's scratch or owned heap storage)
// to a heap buffer twice the size; returns where writing goes on.
__attribute__((noinline)) char* growAside(char*& buffer, std::size_t& size, const char* out, const char* scratch)
{
    const auto used = static_cast<std::size_t>(out - buffer);
    auto* bigger = static_cast<char*>(std::malloc(2 * size));
    if (bigger == nullptr) {
        if (buffer != scratch)
            std::free(buffer);
        throw std::bad_alloc();
    }
    std::memcpy(bigger, buffer, used);
    if (buffer != scratch)
        std::free(buffer);
    buffer = bigger;
    size *= 2;
    return buffer + used;
}

} // namespace

// Construction from wide text, for each kind of processor. A constructor in the making
// hands over its string with data_ at the inline buffer; the start of the text goes
// straight into that buffer, and only a text that may not fit there goes on to the stack.
struct ZOLStringFromWide {
    // Ends the text in the inline buffer at end.
    static void endInline(ZOLString& s, char* end) noexcept
    {
        *end = '\0';
        s.length_ = static_cast<std::size_t>(end - s.inline_);
    }

    // Hands the text of length bytes converted into buffer (size bytes: scratch or heap
    // storage) to the string: back to the inline buffer when it fits there, else to heap
    // storage, of its own size when it is still in the scratch.
    __attribute__((always_inline)) static void keep(ZOLString& s, char* buffer, std::size_t size, const char* scratch,
                                                    std::size_t length)
    {
        s.length_ = length;
        if (length < INLINE_SIZE) {
            // The whole inline buffer in fixed-size moves; bytes past the NUL do not matter.
            std::memcpy(s.inline_, scratch, INLINE_SIZE);
            s.inline_[length] = '\0';
            return;
        }
        if (buffer == scratch) {
            buffer = static_cast<char*>(std::malloc(length + 1));
            if (buffer == nullptr)
                throw std::bad_alloc();
            std::memcpy(buffer, scratch, length);
            size = length + 1;
        }
        buffer[length] = '\0';
        s.data_ = buffer;
        s.capacity_ = size - 1;
    }

    // Carries on converting from text on, the first done bytes being in the inline buffer.
    // The text goes on the stack first, so that the converter has room for whole blocks and
    // the heap is touched only for long texts, once for all but very long ones.
    __attribute__((noinline)) static void convertLongPortable(ZOLString& s, const char16_t* text, std::size_t done)
    {
        alignas(16) char scratch[SCRATCH];
        std::memcpy(scratch, s.inline_, INLINE_SIZE);
        char* buffer = scratch;
        std::size_t size = SCRATCH;
        zolutf::Progress progress = zolutf::utf16zToUtf8(text, scratch + done, scratch + size);
        while (!progress.ended) {
            char* const out = growAside(buffer, size, progress.out, scratch);
            progress = zolutf::utf16zToUtf8(progress.text, out, buffer + size);
        }
        keep(s, buffer, size, scratch, static_cast<std::size_t>(progress.out - buffer));
    }

    // Construction from wide text: the ASCII start and short texts the same way on every
    // processor, and rest(s, text, ascii) for a text that goes on past the 8-unit block
    // where its ASCII stops. Text not on a 16-byte boundary (never the reader's) takes the
    // portable converter from its first unit.
    template <void (*rest)(ZOLString&, const char16_t*, std::size_t)>
    __attribute__((always_inline)) static void construct(ZOLString& s, const char16_t* text)
    {
        if (text == nullptr) {
            endInline(s, s.inline_);
            return;
        }
        if ((reinterpret_cast<std::uintptr_t>(text) & 15) != 0) {
            convertLongPortable(s, text, 0);
            return;
        }
        static_assert(INLINE_SIZE >= 32, "the ASCII start fills the first 32 bytes");
        bool ended;
        const std::size_t ascii = zolutf::asciiStart(text, s.inline_, ended);
        if (ended) {
            s.length_ = ascii;
            return;
        }
        if (zolutf::endsInBlock(text + (ascii & ~std::size_t{7}))) {
            finishShort(s, text, ascii);
            return;
        }
        rest(s, text, ascii);
    }

    // For any processor: the rest one unit at a time.
    static void portableRest(ZOLString& s, const char16_t* text, std::size_t ascii)
    {
        const std::size_t done = ascii & ~std::size_t{7};
        convertLongPortable(s, text + done, done);
    }

    // With the portable converter throughout.
    static void portable(ZOLString& s, const char16_t* text) { construct<portableRest>(s, text); }

    // A text whose first ascii units are ASCII, already in the inline buffer, and that ends
    // within the 8-unit block holding the next one (a name or value with a non-ASCII
    // character, say), finished one unit at a time straight into the inline buffer.
    __attribute__((noinline)) static void finishShort(ZOLString& s, const char16_t* text, std::size_t ascii)
    {
        static_assert(zolutf::detail::SHORT_ROOM + 32 <= INLINE_SIZE, "a short end fits inline");
        endInline(s, zolutf::detail::finishShort(text + ascii, s.inline_ + ascii).out);
    }

#if defined(ZOLUTF_WIDE)
    // The same with the block converter, carrying on from its state.
    __attribute__((noinline)) ZOLUTF_WIDE_TARGET static void convertLongWide(ZOLString& s, const char16_t* text,
                                                                             std::size_t done, __m128i previous,
                                                                             zolutf::detail::PairOpen pairOpen)
    {
        alignas(32) char scratch[SCRATCH];
        std::memcpy(scratch, s.inline_, INLINE_SIZE);
        char* buffer = scratch;
        std::size_t size = SCRATCH;
        zolutf::Progress progress =
            zolutf::utf16zToUtf8WideBody(text, scratch + done, scratch + size, previous, pairOpen);
        // The converter settles an open pair before it stops for room.
        while (!progress.ended) {
            char* const out = growAside(buffer, size, progress.out, scratch);
            progress = zolutf::utf16zToUtf8WideBody(progress.text, out, buffer + size);
        }
        keep(s, buffer, size, scratch, static_cast<std::size_t>(progress.out - buffer));
    }

    // With the block converter, on processors that have AVX2.
    __attribute__((noinline)) ZOLUTF_WIDE_TARGET static void wideRest(ZOLString& s, const char16_t* text,
                                                                      std::size_t ascii)
    {
        static_assert(INLINE_SIZE >= 64, "the wide start fills 64 bytes");
        const zolutf::WideProgress start = zolutf::utf16zToUtf8WideStart(text, s.inline_, ascii);
        if (start.progress.ended) {
            s.length_ = static_cast<std::size_t>(start.progress.out - s.inline_);
            return;
        }
        convertLongWide(s, start.progress.text, static_cast<std::size_t>(start.progress.out - s.inline_),
                        start.previous, start.pairOpen);
    }

    // Compiled for AVX2 too, which saves register copies on the way to wideRest.
    ZOLUTF_WIDE_TARGET static void wide(ZOLString& s, const char16_t* text)
    {
        construct<wideRest>(s, text);
    }
#endif
};

namespace {

// The fastest construction this processor runs, chosen when the library loads; until then
// the portable one.
void (*constructFromWide)(ZOLString&, const char16_t*) = ZOLStringFromWide::portable;

const bool constructionChosen = zolutf::useWideConverter(true);

// The rare part of destruction, kept out of line so that the common case needs no frame.
__attribute__((noinline)) void freeStorage(char16_t* wide, char* data, const char* inlineBuffer) noexcept
{
    std::free(wide);
    if (data != inlineBuffer)
        std::free(data);
}

} // namespace

bool zolutf::useWideConverter(bool wide) noexcept
{
#if defined(ZOLUTF_WIDE)
    if (wide && haveWideConverter()) {
        constructFromWide = ZOLStringFromWide::wide;
        return true;
    }
#endif
    (void)wide;
    constructFromWide = ZOLStringFromWide::portable;
    return false;
}

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
    // The reader hands every name and text through here: this path calls nothing that the
    // dynamic linker could interpose, needs no length up front and sets length_ once.
    constructFromWide(*this, text);
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
    // Converted aside first: text may be this string's own wide form.
    if (text == nullptr || length < 0) {
        *this = ZOLString(text);
        return;
    }
    ZOLString converted;
    const std::size_t units = static_cast<std::size_t>(length);
    converted.reserve(zolutf::maxUtf8Bytes(units));
    converted.length_ = zolutf::utf16ToUtf8(text, units, converted.data_);
    converted.data_[converted.length_] = '\0';
    *this = static_cast<ZOLString&&>(converted);
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
