// Run inside a private network namespace by hostaddr_netns.sh:
//   hostaddr_probe hostexp SIZE   calls Hostexpress with a 32-byte buffer told to hold SIZE bytes
//                                 and prints "<result> <length> [<text>] extent=<bytes written>"
//   hostaddr_probe local          prints the local-address rule's answer
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "nw/platform/localaddress.h"

extern "C" int32_t Hostexpress(char* buffer, int32_t* length);

int main(int argc, char** argv) {
    if (argc >= 3 && std::strcmp(argv[1], "hostexp") == 0) {
        constexpr char kFill = '\x5A';
        char buffer[32];
        std::memset(buffer, kFill, sizeof buffer);
        int32_t length = static_cast<int32_t>(std::atoi(argv[2]));
        const int32_t result = Hostexpress(buffer, &length);
        size_t extent = 0;
        for (size_t i = 0; i < sizeof buffer; ++i)
            if (buffer[i] != kFill) extent = i + 1;
        buffer[sizeof buffer - 1] = 0;
        std::printf("%d %d [%s] extent=%zu\n", static_cast<int>(result), static_cast<int>(length), buffer,
                    extent);
        return 0;
    }
    if (argc >= 2 && std::strcmp(argv[1], "local") == 0) {
        std::printf("%s\n", nw::localIPv4Address().c_str());
        return 0;
    }
    std::fprintf(stderr, "usage: hostaddr_probe hostexp SIZE | local\n");
    return 2;
}
