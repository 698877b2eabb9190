// A stand-in libHostexp.so for the callers' tests. What it answers is chosen at each call by
// NW_FAKE_HOSTEXP; built with NW_FAKE_NO_EXPORT it lacks the export altogether.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#ifdef NW_FAKE_NO_EXPORT
extern "C" __attribute__((visibility("default"))) int32_t SomethingElse() { return 0; }
#else
extern "C" __attribute__((visibility("default"))) int32_t Hostexpress(char* buffer, int32_t* length) {
    const char* env = std::getenv("NW_FAKE_HOSTEXP");
    const std::string mode = env ? env : "";
    if (mode == "probe") {
        // Reports what the caller handed in: the length and whether all 17 bytes were zero.
        bool zero = true;
        for (int i = 0; i < 17; ++i) zero = zero && buffer[i] == 0;
        *length = std::snprintf(buffer, 16, "%d %s", static_cast<int>(*length), zero ? "zero" : "dirty");
        return 1;
    }
    if (mode == "trailing") {
        // The address, its zero, then bytes that must not reach the caller's text.
        std::memcpy(buffer, "10.0.0.1\0xxxxxxx", 16);
        *length = 8;
        return 1;
    }
    if (mode == "fail") {
        std::memcpy(buffer, "1.2.3.4", 8);
        *length = 7;
        return 0;
    }
    if (mode == "huge") {
        std::memset(buffer, '9', 16);
        *length = 1000;
        return 1;
    }
    if (mode == "negative") {
        std::memcpy(buffer, "1.2.3.4", 8);
        *length = -5;
        return 1;
    }
    if (mode == "highbytes") {
        std::memcpy(buffer, "\xC0\xA8.1", 5);
        *length = 4;
        return 1;
    }
    buffer[0] = 0;
    *length = 0;
    return 0;
}
#endif
