#include "nw/platform/codepage.h"

#include <iconv.h>

#include <cerrno>

namespace nw {

namespace {

// One conversion through iconv; `replacement` stands in for every input sequence that the
// target cannot take or the source does not allow, and one byte of input is skipped for it.
std::string convert(const char* to, const char* from, std::string_view in, std::string_view replacement) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) return std::string(in);
    std::string out;
    out.reserve(in.size() * 2 + 4);
    char* src = const_cast<char*>(in.data());
    size_t srcLeft = in.size();
    char buffer[4096];
    while (srcLeft > 0) {
        char* dst = buffer;
        size_t dstLeft = sizeof buffer;
        size_t r = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
        out.append(buffer, static_cast<size_t>(dst - buffer));
        if (r == static_cast<size_t>(-1)) {
            if (errno == E2BIG) continue;
            // EILSEQ or EINVAL: replace the character and go on after it.
            out.append(replacement);
            if (std::string_view(from) == "UTF-8") {
                // skip a whole UTF-8 sequence so that one character gives one replacement
                size_t step = 1;
                while (step < srcLeft && (static_cast<unsigned char>(src[step]) & 0xC0) == 0x80) ++step;
                src += step;
                srcLeft -= step;
            } else {
                ++src;
                --srcLeft;
            }
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
        }
    }
    iconv_close(cd);
    return out;
}

}  // namespace

std::string toSjis(std::string_view utf8) { return convert("CP932", "UTF-8", utf8, "?"); }

std::string fromSjis(std::string_view sjis) { return convert("UTF-8", "CP932", sjis, "\xEF\xBF\xBD"); }

}  // namespace nw
