// Runs settings routines in a process of its own, for tests that kill it or change its user.
//   settings_helper saveloop FOLDER                  saves two records in turn, forever, and
//                                                    writes one byte to stdout after each save
//   settings_helper write PATH SECTION KEY VALUE     one WriteIniValue; prints the error number
#include <unistd.h>

#include <cstdio>
#include <string>

#include "nw/platform/error.h"
#include "nw/platform/folder.h"
#include "records.h"
#include "settings.h"

int main(int argc, char** argv) {
    std::string mode = argc > 1 ? argv[1] : "";
    try {
        if (mode == "saveloop" && argc == 3) {
            nw::setProgramFolderForTesting(argv[2]);
            for (;;) {
                nw::settings() = settingstest::recordA();
                nw::SaveSettings();
                if (::write(1, "a", 1) != 1) return 3;
                nw::settings() = settingstest::recordB();
                nw::SaveSettings();
                if (::write(1, "b", 1) != 1) return 3;
            }
        }
        if (mode == "write" && argc == 6) {
            nw::WriteIniValue(argv[3], argv[4], argv[5], argv[2]);
            return 0;
        }
    } catch (const nw::RuntimeError& e) {
        std::printf("%d\n", e.number());
        return 1;
    }
    std::fprintf(stderr, "usage: settings_helper saveloop FOLDER | write PATH SECTION KEY VALUE\n");
    return 2;
}
