// libtextcut.so: the piece routines of textcut.h.
#include "textcut.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string_view>

#include "sjis_pieces.h"

#define TEXTCUT_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

std::string_view view(const char* s) { return s ? std::string_view(s) : std::string_view(); }

int32_t saturate(size_t n) {
    return static_cast<int32_t>(std::min<size_t>(n, static_cast<size_t>(std::numeric_limits<int32_t>::max())));
}

}  // namespace

TEXTCUT_EXPORT int32_t nukidashi_maxlen(const char* page, const char* separator) {
    textcut::PieceCursor cursor(view(page), view(separator));
    size_t begin = 0, end = 0, longest = 0;
    while (cursor.next(begin, end)) longest = std::max(longest, end - begin);
    return saturate(longest);
}

TEXTCUT_EXPORT int32_t nanko(const char* page, const char* separator) {
    const std::string_view text = view(page), sep = view(separator);
    textcut::SeparatorFinder finder(text, sep);
    size_t count = 0;
    for (size_t hit = finder.next(0); hit != textcut::SeparatorFinder::npos; hit = finder.next(hit + sep.size()))
        ++count;
    return saturate(count);
}

TEXTCUT_EXPORT int32_t nukidashi(const char* page, const char* separator, char* slots, int16_t slotWidth) {
    if (!slots || slotWidth <= 0) return 0;
    const std::string_view text = view(page);
    const size_t width = static_cast<size_t>(slotWidth);
    textcut::PieceCursor cursor(text, view(separator));
    size_t begin = 0, end = 0, index = 0;
    while (cursor.next(begin, end)) {
        // Never past the slot: a piece that does not fit is cut after its last whole character.
        size_t length = 0;
        while (length < end - begin) {
            size_t step = textcut::charLength(text.substr(0, end), begin + length);
            if (length + step > width - 1) break;
            length += step;
        }
        char* slot = slots + index * width;
        std::memcpy(slot, text.data() + begin, length);
        slot[length] = '\0';
        ++index;
    }
    return saturate(index);
}

TEXTCUT_EXPORT int32_t txstrcpy(char* destination, const char* source) {
    if (!destination || !source) return 0;
    const size_t length = std::strlen(source);
    std::memcpy(destination, source, length + 1);
    return saturate(length);
}

TEXTCUT_EXPORT int32_t doko_null(const char* buffer) { return buffer ? saturate(std::strlen(buffer)) : 0; }
