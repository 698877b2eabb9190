#include "reference_scan.h"

#include <QString>
#include <vector>

#include "lookup.h"
#include "nw/platform/codepage.h"
#include "textcut.h"

namespace nwtest {

namespace {

constexpr int kNone = -1;

std::u32string decode(const std::string& sjis) {
    return QString::fromStdString(nw::fromSjis(sjis)).toStdU32String();
}

bool isBlank(char32_t c) { return c == U' ' || c == U'\u3000'; }
int digitOf(char32_t c) {
    if (c >= U'0' && c <= U'9') return static_cast<int>(c - U'0');
    if (c >= U'\uFF10' && c <= U'\uFF19') return static_cast<int>(c - U'\uFF10');
    return kNone;
}

// `chars`: the piece, the zero character and the blanks of the scratch text.
int forward(const std::u32string& chars) {
    int d[3], n = 0;
    for (size_t position = 1;; ++position) {
        if (n == 3) {
            int v = d[0] * 100 + d[1] * 10 + d[2];
            return v > 255 ? kNone : v;
        }
        if (position > 20) return kNone;
        char32_t c = chars[position - 1];
        if (isBlank(c)) continue;
        if (digitOf(c) != kNone) {
            d[n++] = digitOf(c);
            continue;
        }
        if (n == 0) return kNone;
        return n == 1 ? d[0] : d[0] * 10 + d[1];
    }
}

// `piece`: exactly the piece's characters.
int backward(const std::u32string& piece) {
    int d[3], n = 0;
    long k = static_cast<long>(piece.size()) - 1;
    for (int step = 0;; ++step) {
        if (n == 3) {
            int v = d[2] * 100 + d[1] * 10 + d[0];
            return v > 255 ? kNone : v;
        }
        if (k < 0) return kNone;
        if (step > 20) return kNone;
        char32_t c = piece[static_cast<size_t>(k)];
        if (isBlank(c) || digitOf(c) != kNone) {
            if (digitOf(c) != kNone) d[n++] = digitOf(c);
            --k;
            continue;
        }
        if (n == 0) return kNone;
        return n == 1 ? d[0] : d[1] * 10 + d[0];
    }
}

}  // namespace

std::optional<std::string> referenceExtract(const std::string& pageText, bool useAdvancedParse,
                                            const std::string& startMarker, const std::string& endMarker,
                                            const std::string& separator, int32_t ordinal) {
    std::string sep = separator, text = pageText;
    if (!useAdvancedParse) {
        sep = ".";
        ordinal = 1;
    } else {
        text = nw::CutBetweenMarkers(startMarker, endMarker, pageText, 1);
    }
    if (text.empty() || sep.empty()) return nw::kNoAddress;
    const std::string page = nw::toSjis(text), sjisSep = nw::toSjis(sep);
    const int32_t longest = nukidashi_maxlen(page.c_str(), sjisSep.c_str());
    const long w = 3L * longest;
    if (w + 2 > 32767) return std::nullopt;
    const int32_t n = nanko(page.c_str(), sjisSep.c_str());
    std::vector<char> slotBuffer(static_cast<size_t>(n + 2) * (w + 2) + 1, '\0');
    nukidashi(page.c_str(), sjisSep.c_str(), slotBuffer.data(), static_cast<int16_t>(w + 2));
    if (n < 3) return nw::kNoAddress;

    std::vector<int> value(static_cast<size_t>(n) + 1, 0);
    auto scratchOf = [&](long i) {
        std::string scratch(static_cast<size_t>(w + 3), ' ');
        txstrcpy(scratch.data(), slotBuffer.data() + i * (w + 2));
        return scratch;
    };
    auto forwardRead = [&](long i) { return forward(decode(scratchOf(i))); };
    auto backwardRead = [&](long i) {
        std::string scratch = scratchOf(i);
        return backward(decode(scratch.substr(0, static_cast<size_t>(doko_null(scratch.c_str())))));
    };

    long i = 0, run = 0, hits = 0;
    for (;;) {
        if (i > n) return nw::kNoAddress;
        int v = forwardRead(i);
        if (v == kNone) {
            run = 0, ++i;
            continue;
        }
        value[i] = v, ++run, ++i;
        if (run < 3) continue;
        int b = i - 4 < 0 ? kNone : backwardRead(i - 4);
        if (b == kNone) {
            run = 0, ++i;
            continue;
        }
        value[i - 4] = b;
        if (++hits == ordinal)
            return std::to_string(value[i - 4]) + "." + std::to_string(value[i - 3]) + "." +
                   std::to_string(value[i - 2]) + "." + std::to_string(value[i - 1]);
        run = 0;
    }
}

}  // namespace nwtest
