#pragma once
// What a "piece" is: Shift_JIS (CP932) text cut at every occurrence of a separator. The
// separator is only recognised where a character starts, so a separator byte that is the
// second byte of a double-byte character does not cut. Occurrences are found from left to
// right and do not overlap. An empty separator never matches: the whole text is one piece.
//
// Header-only, so that libtextcut.so and the lookup that reads the pieces agree by construction.
#include <cstddef>
#include <cstring>
#include <string_view>

namespace textcut {

// First byte of a double-byte character.
inline bool isLeadByte(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }
// Possible second byte of a double-byte character.
inline bool isTrailByte(unsigned char b) { return b >= 0x40 && b <= 0xFC && b != 0x7F; }

// Length (1 or 2) of the character that starts at `p` of `s`. A lead byte without a valid second
// byte inside `s` is a character of its own.
inline size_t charLength(std::string_view s, size_t p) {
    return (isLeadByte(static_cast<unsigned char>(s[p])) && p + 1 < s.size() &&
            isTrailByte(static_cast<unsigned char>(s[p + 1])))
               ? 2
               : 1;
}

class SeparatorFinder {
public:
    SeparatorFinder(std::string_view text, std::string_view separator)
        : text_(text),
          sep_(separator),
          // A first byte that can never be the second byte of a character only occurs where a
          // character starts, so a plain byte search finds exactly the same places.
          plainSearch_(!separator.empty() && !isTrailByte(static_cast<unsigned char>(separator[0]))) {}

    // Offset of the first separator at or after `from`, which must be a character start
    // (the start of the text or the end of a separator); npos when there is none.
    size_t next(size_t from) const {
        if (sep_.empty() || from >= text_.size() || text_.size() - from < sep_.size()) return npos;
        if (plainSearch_) {
            const void* hit = memmem(text_.data() + from, text_.size() - from, sep_.data(), sep_.size());
            return hit ? static_cast<size_t>(static_cast<const char*>(hit) - text_.data()) : npos;
        }
        const size_t last = text_.size() - sep_.size();
        for (size_t p = from; p <= last; p += charLength(text_, p)) {
            if (text_[p] == sep_[0] && std::memcmp(text_.data() + p, sep_.data(), sep_.size()) == 0) return p;
        }
        return npos;
    }

    static constexpr size_t npos = std::string_view::npos;

private:
    std::string_view text_;
    std::string_view sep_;
    bool plainSearch_;
};

// Walks the pieces in order: [begin, end) byte ranges of the text.
class PieceCursor {
public:
    PieceCursor(std::string_view text, std::string_view separator)
        : finder_(text, separator), size_(text.size()), sepSize_(separator.size()) {}

    // The next piece; false after the last one.
    bool next(size_t& begin, size_t& end) {
        if (done_) return false;
        begin = pos_;
        size_t hit = finder_.next(pos_);
        if (hit == SeparatorFinder::npos) {
            end = size_;
            done_ = true;
        } else {
            end = hit;
            pos_ = hit + sepSize_;
        }
        return true;
    }

private:
    SeparatorFinder finder_;
    size_t size_;
    size_t sepSize_;
    size_t pos_ = 0;
    bool done_ = false;
};

}  // namespace textcut
