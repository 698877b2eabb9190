// placeholder until the library is written
#include <cstdint>
extern "C" __attribute__((visibility("default"))) int32_t Hostexpress(char* buffer, int32_t* length) {
    if (buffer) buffer[0] = 0;
    if (length) *length = 0;
    return 0;
}
