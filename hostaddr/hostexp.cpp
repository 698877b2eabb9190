// libHostexp.so: resolves this computer's own host name and hands back the LAST IPv4 address of
// the resolver's answer as dotted text. One C export, no state between calls; the resolver
// calls used here are reentrant, so nothing is shared between calls or threads.
#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>

namespace {

// The longest dotted address, 255.255.255.255, plus its terminating zero.
constexpr int32_t kMinBuffer = 16;
constexpr const char* kNoAddressRecord = "0.0.0.0";

// Leaves the caller's buffer holding empty text and reports failure.
int32_t fail(char* buffer, int32_t* length) {
    buffer[0] = '\0';
    *length = 0;
    return 0;
}

}  // namespace

// Hostexpress(buffer, length): on entry *length is the size of buffer in bytes (at least 16);
// on return buffer holds zero-terminated dotted text and *length the number of characters before
// the zero. Result 1 when a non-empty text was written, else 0 with empty text and length 0.
// A host name that exists without an IPv4 record gives "0.0.0.0" and result 1.
// Never writes more than 16 bytes.
extern "C" __attribute__((visibility("default"))) int32_t Hostexpress(char* buffer, int32_t* length) {
    // Without the length the buffer's size is unknown, so it is left alone.
    if (!length) return 0;
    if (!buffer) {
        *length = 0;
        return 0;
    }
    if (*length < kMinBuffer) {
        // Even the empty text needs one byte; a size of zero or less gets nothing written.
        if (*length >= 1) buffer[0] = '\0';
        *length = 0;
        return 0;
    }

    char name[256] = {};
    if (gethostname(name, sizeof name - 1) != 0 || name[0] == '\0') return fail(buffer, length);

    addrinfo hints{};
    hints.ai_family = AF_INET;
    // One socket type, so that each address comes once and not once per type.
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* answer = nullptr;
    const int rc = getaddrinfo(name, nullptr, &hints, &answer);
    if (rc == EAI_NODATA) {
        // The name is known but has no IPv4 record.
        std::memcpy(buffer, kNoAddressRecord, std::strlen(kNoAddressRecord) + 1);
        *length = static_cast<int32_t>(std::strlen(kNoAddressRecord));
        return 1;
    }
    if (rc != 0) return fail(buffer, length);

    // Each address replaces the previous one: the last of the list is the one handed back.
    char dotted[INET_ADDRSTRLEN] = {};
    for (const addrinfo* a = answer; a; a = a->ai_next) {
        if (a->ai_family != AF_INET || !a->ai_addr) continue;
        const auto* in = reinterpret_cast<const sockaddr_in*>(a->ai_addr);
        char text[INET_ADDRSTRLEN];
        if (inet_ntop(AF_INET, &in->sin_addr, text, sizeof text)) std::memcpy(dotted, text, sizeof text);
    }
    freeaddrinfo(answer);

    const size_t n = std::strlen(dotted);
    if (n == 0) return fail(buffer, length);
    static_assert(INET_ADDRSTRLEN <= kMinBuffer);
    std::memcpy(buffer, dotted, n + 1);
    *length = static_cast<int32_t>(n);
    return 1;
}
