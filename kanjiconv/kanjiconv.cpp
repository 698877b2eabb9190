// libkanjiconv.so: the conversions of kanjiconv.h, through iconv.
#include "kanjiconv.h"

#include <iconv.h>

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>

#define KANJICONV_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

enum class Form { EucJp, Utf8, Utf16Le, Utf16Be };

// Bytes to skip for one character that could not be converted at `p` (at least 1, at most `left`).
size_t skipLength(Form form, const unsigned char* p, size_t left) {
    size_t n = 1;
    switch (form) {
    case Form::EucJp: {
        auto isEucByte = [](unsigned char b) { return b >= 0xA1 && b <= 0xFE; };
        size_t want = p[0] == 0x8F ? 3 : (p[0] == 0x8E || isEucByte(p[0])) ? 2 : 1;
        while (n < want && n < left && isEucByte(p[n])) ++n;
        break;
    }
    case Form::Utf8:
        while (n < 4 && n < left && (p[n] & 0xC0) == 0x80) ++n;
        break;
    case Form::Utf16Le:
    case Form::Utf16Be: {
        n = left >= 2 ? 2 : left;
        if (left >= 4) {
            auto unit = [form](const unsigned char* q) {
                return form == Form::Utf16Le ? q[0] | (q[1] << 8) : (q[0] << 8) | q[1];
            };
            if (unit(p) >= 0xD800 && unit(p) <= 0xDBFF && unit(p + 2) >= 0xDC00 && unit(p + 2) <= 0xDFFF) n = 4;
        }
        break;
    }
    }
    return n;
}

const char* iconvName(Form form) {
    switch (form) {
    case Form::EucJp: return "EUC-JP-MS";
    case Form::Utf8: return "UTF-8";
    case Form::Utf16Le: return "UTF-16LE";
    case Form::Utf16Be: return "UTF-16BE";
    }
    return "UTF-8";
}

// Converts `length` bytes at `source` into at most `capacity` bytes at `destination`; returns
// the bytes written. Stops when the next character would not fit.
size_t convert(Form form, const char* source, size_t length, char* destination, size_t capacity) {
    iconv_t cd = iconv_open("CP932", iconvName(form));
    if (cd == reinterpret_cast<iconv_t>(-1)) return 0;
    char* src = const_cast<char*>(source);
    size_t srcLeft = length;
    char* dst = destination;
    size_t dstLeft = capacity;
    while (srcLeft > 0) {
        if (iconv(cd, &src, &srcLeft, &dst, &dstLeft) != static_cast<size_t>(-1)) break;
        if (errno == E2BIG) break;
        // EILSEQ (not a character, or none in CP932) or EINVAL (cut off at the end).
        if (dstLeft == 0) break;
        *dst++ = '?';
        --dstLeft;
        const size_t skip = skipLength(form, reinterpret_cast<const unsigned char*>(src), srcLeft);
        src += skip;
        srcLeft -= skip;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    iconv_close(cd);
    return static_cast<size_t>(dst - destination);
}

int32_t run(const char* source, char* destination, bool unicode) {
    if (!source) return -1;
    uint32_t length = 0;
    std::memcpy(&length, source - sizeof length, sizeof length);
    const size_t capacity = length > 1 ? 2 * (static_cast<size_t>(length) - 1) : 0;
    if (!destination || capacity == 0) return 0;

    const auto* bytes = reinterpret_cast<const unsigned char*>(source);
    Form form = Form::EucJp;
    size_t skip = 0;
    if (unicode) {
        if (length >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) {
            form = Form::Utf16Le, skip = 2;
        } else if (length >= 2 && bytes[0] == 0xFE && bytes[1] == 0xFF) {
            form = Form::Utf16Be, skip = 2;
        } else if (length >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF) {
            form = Form::Utf8, skip = 3;
        } else if (length >= 2 && bytes[0] != 0 && bytes[1] == 0) {
            form = Form::Utf16Le;
        } else if (length >= 2 && bytes[0] == 0 && bytes[1] != 0) {
            form = Form::Utf16Be;
        } else {
            form = Form::Utf8;
        }
    }
    size_t written = convert(form, source + skip, length - skip, destination, capacity);
    if (written < capacity) destination[written] = '\0';
    return static_cast<int32_t>(written > static_cast<size_t>(std::numeric_limits<int32_t>::max())
                                    ? std::numeric_limits<int32_t>::max()
                                    : written);
}

}  // namespace

KANJICONV_EXPORT int32_t tcv_euc2sjis(const char* source, char* destination) {
    return run(source, destination, false);
}

KANJICONV_EXPORT int32_t tcv_uni2sjis(const char* source, char* destination) {
    return run(source, destination, true);
}
