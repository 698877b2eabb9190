// FetchWanAddress: the page fetch and its character codes; the extraction is in scan.cpp.
#include "lookup.h"

#include <cstdint>
#include <cstring>
#include <limits>

#include "kanjiconv.h"
#include "nw/platform/codepage.h"
#include "nw/platform/error.h"
#include "nw/platform/http.h"
#include "nw/platform/library.h"
#include "nw/platform/ui.h"

namespace nw {

namespace {

// EUC-JP or Unicode bytes through libkanjiconv.so (see kanjiconv.h for the buffer layout).
std::string convertPage(std::string body, const char* routine) {
    if (body.empty()) return {};
    auto* convert = bindRoutine<decltype(tcv_euc2sjis)>("kanjiconv", routine);
    if (body.size() > std::numeric_limits<uint32_t>::max()) throw makeError(err::OutOfMemory);
    const uint32_t length = static_cast<uint32_t>(body.size());

    std::string source(sizeof length + body.size() + 4, '\0');
    std::memcpy(source.data(), &length, sizeof length);
    std::memcpy(source.data() + sizeof length, body.data(), body.size());
    body = std::string();
    // The converted page is never longer than the fetched bytes; the buffer is twice that.
    std::string destination(2 * (static_cast<size_t>(length) - 1), ' ');
    convert(source.data() + sizeof length, destination.data());
    source = std::string();
    // The page text is what stands in front of the first zero byte.
    destination.resize(std::strlen(destination.c_str()));
    return fromSjis(destination);
}

// Every line feed becomes carriage return and line feed.
std::string withCrLf(const std::string& text) {
    size_t feeds = 0;
    for (char c : text) feeds += c == '\n';
    if (feeds == 0) return text;
    std::string out;
    out.reserve(text.size() + feeds);
    for (char c : text) {
        if (c == '\n') out += '\r';
        out += c;
    }
    return out;
}

}  // namespace

std::string FetchWanAddress(const std::string& LookupUrl, bool UseAdvancedParse, const std::string& ParseStartMarker,
                            const std::string& ParseEndMarker, const std::string& PageCharset,
                            const std::string& AddressSeparator, int32_t AddressOrdinal) {
    const std::string charset = UseAdvancedParse ? PageCharset : "sjis";
    // An empty address is told, then tried all the same: the fetch fails and raises.
    if (LookupUrl.empty()) messageBox("ソースを読み込めていません");

    std::string page;
    if (charset == "euc") {
        page = convertPage(fetchUrl(LookupUrl), "tcv_euc2sjis");
    } else if (charset == "uni") {
        page = convertPage(fetchUrl(LookupUrl), "tcv_uni2sjis");
    } else if (charset == "sjis") {
        page = withCrLf(fromSjis(fetchUrl(LookupUrl)));
    } else {
        messageBox("予期しないエラー", "エラーメッセージ");
        return {};
    }
    return ExtractAddress(page, UseAdvancedParse, ParseStartMarker, ParseEndMarker, AddressSeparator, AddressOrdinal);
}

}  // namespace nw
