// ExtractAddress: cuts the page into pieces at the separator and looks for four pieces in a row
// whose edges carry numbers.
//
// The pieces are read straight from the Shift_JIS page through small views instead of being
// copied out into slots: a forward read looks at no more than the first 20 characters of a
// piece and a backward read at no more than the last 21, so nothing else is needed, and memory
// stays at the page (plus its Shift_JIS form when it is not plain ASCII) however long a piece is
// and however many separators there are. libtextcut.so still gives the separator count, and
// sjis_pieces.h, which the library is built from, says what a piece is.
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "lookup.h"
#include "nw/platform/codepage.h"
#include "nw/platform/library.h"
#include "sjis_pieces.h"
#include "textcut.h"

namespace nw {

namespace {

constexpr int kNoNumber = -1;
constexpr size_t kForwardChars = 20;   // a forward read looks at positions 1 to 20
constexpr size_t kBackwardChars = 21;  // a backward read looks at steps 0 to 20

enum class Kind { Blank, Digit, Other };

// Blanks are " " and the full-width "　"; digits are 0-9 and the full-width ０-９.
Kind classify(std::string_view piece, size_t p, size_t length, int& digit) {
    const auto c = static_cast<unsigned char>(piece[p]);
    if (length == 1) {
        if (c == ' ') return Kind::Blank;
        if (c >= '0' && c <= '9') {
            digit = c - '0';
            return Kind::Digit;
        }
        return Kind::Other;
    }
    const auto c1 = static_cast<unsigned char>(piece[p + 1]);
    if (c == 0x81 && c1 == 0x40) return Kind::Blank;
    if (c == 0x82 && c1 >= 0x4F && c1 <= 0x58) {
        digit = c1 - 0x4F;
        return Kind::Digit;
    }
    return Kind::Other;
}

// The number at the start of a piece (up to three digits, blanks skipped anywhere, at most 20
// characters looked at; the end of the piece ends a number), or kNoNumber.
int readForward(std::string_view piece) {
    int digits[3];
    int count = 0;
    size_t p = 0;
    for (size_t position = 1;; ++position) {
        if (count == 3) {
            const int value = digits[0] * 100 + digits[1] * 10 + digits[2];
            return value <= 255 ? value : kNoNumber;
        }
        if (position > kForwardChars) return kNoNumber;
        Kind kind = Kind::Other;
        size_t length = 0;
        int digit = 0;
        if (p < piece.size()) {
            length = textcut::charLength(piece, p);
            kind = classify(piece, p, length, digit);
        }
        if (kind == Kind::Other) {
            if (count == 0) return kNoNumber;
            return count == 1 ? digits[0] : digits[0] * 10 + digits[1];
        }
        if (kind == Kind::Digit) digits[count++] = digit;
        p += length;
    }
}

// The number at the end of a piece, read from its last character towards the first (up to three
// digits, blanks skipped, at most 21 characters looked at). A number of one or two digits only
// counts when another character stands in front of it inside the piece.
int readBackward(std::string_view piece) {
    // Shift_JIS cannot be decoded backwards, so find a character start in front of the last 21
    // characters: the byte after one that cannot begin a double-byte character.
    size_t start = piece.size() > 2 * kBackwardChars ? piece.size() - 2 * kBackwardChars : 0;
    while (start > 0 && textcut::isLeadByte(static_cast<unsigned char>(piece[start - 1]))) --start;
    std::array<size_t, kBackwardChars> starts{};  // ring of the last character starts
    size_t seen = 0;
    for (size_t p = start; p < piece.size(); p += textcut::charLength(piece, p)) starts[seen++ % kBackwardChars] = p;
    const size_t available = seen < kBackwardChars ? seen : kBackwardChars;

    int digits[3];
    int count = 0;
    for (size_t step = 0;; ++step) {
        if (count == 3) {
            const int value = digits[2] * 100 + digits[1] * 10 + digits[0];
            return value <= 255 ? value : kNoNumber;
        }
        // Past the first character of the piece, or more than 20 steps taken.
        if (step >= available || step > 20) return kNoNumber;
        const size_t p = starts[(seen - 1 - step) % kBackwardChars];
        int digit = 0;
        const Kind kind = classify(piece, p, textcut::charLength(piece, p), digit);
        if (kind == Kind::Other) {
            if (count == 0) return kNoNumber;
            return count == 1 ? digits[0] : digits[1] * 10 + digits[0];
        }
        if (kind == Kind::Digit) digits[count++] = digit;
    }
}

// The scan: the first place where a piece ends in a number and the next three begin with one
// is an address; the `ordinal`-th such place is the result. `separators` is the count of
// separators in the page (there are that many plus one pieces).
std::string scanPieces(std::string_view page, std::string_view separator, int64_t separators, int32_t ordinal) {
    struct Range {
        size_t begin = 0, end = 0;
    };
    // The scan only ever goes back four pieces, so the last five are enough.
    std::array<Range, 5> ranges;
    std::array<int, 5> values{};
    auto slot = [](int64_t k) { return static_cast<size_t>(k % 5); };
    auto pieceAt = [&](int64_t k) {
        const Range& r = ranges[slot(k)];
        return page.substr(r.begin, r.end - r.begin);
    };

    textcut::PieceCursor cursor(page, separator);
    int64_t i = 0, fetched = 0, run = 0, hits = 0;
    for (;;) {
        if (i > separators) return kNoAddress;
        while (fetched <= i) {
            Range& r = ranges[slot(fetched)];
            if (!cursor.next(r.begin, r.end)) return kNoAddress;
            ++fetched;
        }
        const int forward = readForward(pieceAt(i));
        if (forward == kNoNumber) {
            run = 0;
            ++i;
            continue;
        }
        values[slot(i)] = forward;
        ++run;
        ++i;
        if (run < 3) continue;

        const int backward = i - 4 >= 0 ? readBackward(pieceAt(i - 4)) : kNoNumber;
        if (backward == kNoNumber) {
            // The piece right after the three is passed over.
            run = 0;
            ++i;
            continue;
        }
        values[slot(i - 4)] = backward;
        if (++hits == ordinal) {
            std::string address;
            for (int64_t k = i - 4; k < i; ++k) {
                if (!address.empty()) address += '.';
                address += std::to_string(values[slot(k)]);
            }
            return address;
        }
        // The next address may begin at the end of the last of these pieces.
        run = 0;
    }
}

bool isAscii(std::string_view s) {
    unsigned char any = 0;
    for (size_t p = 0; p < s.size(); p += 4096) {
        const size_t n = std::min<size_t>(4096, s.size() - p);
        for (size_t k = 0; k < n; ++k) any |= static_cast<unsigned char>(s[p + k]);
        if (any & 0x80) return false;
    }
    return true;
}

// Up to the first zero byte, as the C routines see a text.
std::string_view asCString(const std::string& s) { return std::string_view(s.c_str()); }

}  // namespace

std::string ExtractAddress(const std::string& pageText, bool UseAdvancedParse, const std::string& ParseStartMarker,
                           const std::string& ParseEndMarker, const std::string& AddressSeparator,
                           int32_t AddressOrdinal) {
    const std::string separator = UseAdvancedParse ? AddressSeparator : ".";
    const int32_t ordinal = UseAdvancedParse ? AddressOrdinal : 1;
    std::string cut;
    if (UseAdvancedParse) cut = CutBetweenMarkers(ParseStartMarker, ParseEndMarker, pageText, 1);
    const std::string& text = UseAdvancedParse ? cut : pageText;
    if (text.empty() || separator.empty()) return kNoAddress;

    // Plain ASCII is its own Shift_JIS: no copy of the page is needed.
    const bool ascii = isAscii(text);
    std::string sjisCopy;
    if (!ascii) sjisCopy = toSjis(text);
    const std::string& sjisPage = ascii ? text : sjisCopy;
    const std::string sjisSeparator = toSjis(separator);

    auto* count = bindRoutine<decltype(nanko)>("textcut", "nanko");
    // The other routines are part of the library's contract; a library without them is refused.
    bindRoutine<decltype(nukidashi_maxlen)>("textcut", "nukidashi_maxlen");
    bindRoutine<decltype(nukidashi)>("textcut", "nukidashi");
    bindRoutine<decltype(txstrcpy)>("textcut", "txstrcpy");
    bindRoutine<decltype(doko_null)>("textcut", "doko_null");

    const int32_t separators = count(sjisPage.c_str(), sjisSeparator.c_str());
    // An address needs at least three separators.
    if (separators < 3) return kNoAddress;
    return scanPieces(asCString(sjisPage), asCString(sjisSeparator), separators, ordinal);
}

}  // namespace nw
