// CutBetweenMarkers: the part of a page between a start and an end marker.
#include <QChar>
#include <cstring>
#include <string_view>
#include <vector>

#include "lookup.h"
#include "nw/platform/ui.h"

namespace nw {

namespace {

constexpr size_t npos = std::string_view::npos;

// The code point at `p` of UTF-8 text and its length in bytes. A byte that does not start a
// well-formed sequence is one character of its own (U+FFFD).
char32_t decodeAt(std::string_view s, size_t p, size_t& length) {
    const auto b0 = static_cast<unsigned char>(s[p]);
    length = 1;
    if (b0 < 0x80) return b0;
    auto cont = [&](size_t k, unsigned char lo = 0x80, unsigned char hi = 0xBF) {
        if (p + k >= s.size()) return false;
        const auto b = static_cast<unsigned char>(s[p + k]);
        return b >= lo && b <= hi;
    };
    auto byte = [&](size_t k) { return static_cast<char32_t>(static_cast<unsigned char>(s[p + k]) & 0x3F); };
    if (b0 >= 0xC2 && b0 <= 0xDF && cont(1)) {
        length = 2;
        return (char32_t(b0 & 0x1F) << 6) | byte(1);
    }
    if (b0 >= 0xE0 && b0 <= 0xEF) {
        const unsigned char lo = b0 == 0xE0 ? 0xA0 : 0x80, hi = b0 == 0xED ? 0x9F : 0xBF;
        if (cont(1, lo, hi) && cont(2)) {
            length = 3;
            return (char32_t(b0 & 0x0F) << 12) | (byte(1) << 6) | byte(2);
        }
    }
    if (b0 >= 0xF0 && b0 <= 0xF4) {
        const unsigned char lo = b0 == 0xF0 ? 0x90 : 0x80, hi = b0 == 0xF4 ? 0x8F : 0xBF;
        if (cont(1, lo, hi) && cont(2) && cont(3)) {
            length = 4;
            return (char32_t(b0 & 0x07) << 18) | (byte(1) << 12) | (byte(2) << 6) | byte(3);
        }
    }
    return 0xFFFD;
}

char32_t fold(char32_t c) {
    if (c < 0x80) return (c >= 'A' && c <= 'Z') ? c + ('a' - 'A') : c;
    return QChar::toCaseFolded(c);
}

// Byte offset of the character position `position` (1-based; length + 1 is the end of the
// text), or npos when the text is shorter than that.
size_t offsetOfPosition(std::string_view text, size_t position) {
    size_t p = 0, length = 0;
    for (size_t k = 1; k < position; ++k) {
        if (p >= text.size()) return npos;
        decodeAt(text, p, length);
        p += length;
    }
    return p;
}

// One marker, searched for character by character with both sides case-folded.
class MarkerSearch {
public:
    explicit MarkerSearch(std::string_view marker) {
        for (size_t p = 0, length = 0; p < marker.size(); p += length) folded_.push_back(fold(decodeAt(marker, p, length)));
        if (!folded_.empty() && folded_[0] < 0x80 && folded_[0] != 'k' && folded_[0] != 's') {
            // Only these ASCII bytes fold to the first character (U+212A and U+017F are the two
            // non-ASCII characters that fold into ASCII, to k and s), so the search can jump.
            const char c = static_cast<char>(folded_[0]);
            candidates_[0] = c;
            candidates_[1] = (c >= 'a' && c <= 'z') ? static_cast<char>(c - ('a' - 'A')) : c;
            jump_ = true;
        }
    }

    // Length of the marker in characters.
    size_t length() const { return folded_.size(); }

    // The first occurrence that begins at or after byte offset `from` (a character start): its
    // offset, with the offset right after it in `end`; npos when there is none.
    size_t find(std::string_view text, size_t from, size_t& end) const {
        if (from > text.size()) return npos;
        if (folded_.empty()) {
            end = from;
            return from;
        }
        if (jump_) {
            size_t next[2] = {locate(text, from, candidates_[0]), locate(text, from, candidates_[1])};
            for (;;) {
                const int k = next[0] <= next[1] ? 0 : 1;
                const size_t p = next[k];
                if (p == npos) return npos;
                if (matchesAt(text, p, end)) return p;
                next[k] = locate(text, p + 1, candidates_[k]);
                if (candidates_[1] == candidates_[0]) next[1 - k] = next[k];
            }
        }
        for (size_t p = from, length = 0; p < text.size(); p += length) {
            if (matchesAt(text, p, end)) return p;
            decodeAt(text, p, length);
        }
        return npos;
    }

private:
    static size_t locate(std::string_view text, size_t from, char c) {
        if (from >= text.size()) return npos;
        const void* hit = std::memchr(text.data() + from, c, text.size() - from);
        return hit ? static_cast<size_t>(static_cast<const char*>(hit) - text.data()) : npos;
    }

    bool matchesAt(std::string_view text, size_t p, size_t& end) const {
        size_t length = 0;
        for (char32_t want : folded_) {
            if (p >= text.size() || fold(decodeAt(text, p, length)) != want) return false;
            p += length;
        }
        end = p;
        return true;
    }

    std::vector<char32_t> folded_;
    char candidates_[2] = {0, 0};
    bool jump_ = false;
};

// The second collection keeps pieces 0 to 100; the 102nd piece ends it.
constexpr int kMaxPieces = 101;

}  // namespace

std::string CutBetweenMarkers(const std::string& startMarker, const std::string& endMarker, const std::string& text,
                              int16_t index) {
    if (text.empty()) return {};
    const std::string_view page(text);
    const MarkerSearch start(startMarker), end(endMarker);

    size_t startEnd = 0, endEnd = 0;
    if (start.find(page, 0, startEnd) == npos) return "err";
    const size_t b = end.find(page, startEnd, endEnd);
    if (b == npos) return "err";
    std::string first(page.substr(startEnd, b - startEnd));

    size_t ignored = 0;
    if (start.find(page, endEnd, ignored) == npos) return first;

    // The start marker comes again: collect the pieces anew, searching from character
    // position E + 2 (E = the end marker's length), and take piece number `index`.
    std::string result;
    size_t from = offsetOfPosition(page, end.length() + 2);
    for (int piece = 0; piece < kMaxPieces && from != npos; ++piece) {
        if (start.find(page, from, startEnd) == npos) break;
        const size_t pieceEnd = end.find(page, startEnd, endEnd);
        if (pieceEnd == npos) break;
        if (piece == index) result.assign(page.substr(startEnd, pieceEnd - startEnd));
        doEvents();
        from = endEnd;
    }
    return result;
}

}  // namespace nw
