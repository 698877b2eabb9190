#include "client.h"

#include <algorithm>
#include <cstdint>

#include "nw/platform/library.h"

namespace nw {

namespace {
// The buffer is one byte longer than the library is told, so the text always ends in a zero.
constexpr int32_t kToldSize = 16;
constexpr size_t kBufferSize = 17;
using HostexpressFn = int32_t(char* buffer, int32_t* length);
}  // namespace

std::string LibraryAddress() {
    // Bound by name at the first call; the library then stays loaded (librarySymbol keeps it).
    HostexpressFn* hostexpress = bindRoutine<HostexpressFn>("Hostexp", "Hostexpress");

    unsigned char buffer[kBufferSize] = {};
    int32_t length = kToldSize;
    if (hostexpress(reinterpret_cast<char*>(buffer), &length) == 0) return {};

    // A length outside what the buffer can hold is not trusted beyond the buffer's bounds.
    const size_t count = static_cast<size_t>(std::clamp<int32_t>(length, 0, kToldSize));
    // One character per byte: bytes above 0x7F become the characters U+0080..U+00FF (UTF-8).
    std::string text;
    text.reserve(count);
    for (size_t i = 0; i < count; ++i) {
        const unsigned char b = buffer[i];
        if (b < 0x80) {
            text += static_cast<char>(b);
        } else {
            text += static_cast<char>(0xC0 | (b >> 6));
            text += static_cast<char>(0x80 | (b & 0x3F));
        }
    }
    return text;
}

}  // namespace nw
