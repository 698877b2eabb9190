// Build step: writes the default netwarden.ini into the program folder, exactly as SaveSettings
// writes the default record into an empty file, so that a first start finds a complete file.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "settings.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT\n", argv[0]);
        return 2;
    }
    const std::string bytes = nw::settingsFileText(nw::defaultSettings());
    const std::string path = argv[1];
    const std::string temp = path + ".tmp";
    // Same mode as a settings file that the program creates itself.
    int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    bool ok = fd >= 0 && ::fchmod(fd, 0600) == 0 &&
              ::write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
    if (fd >= 0 && ::close(fd) != 0) ok = false;
    if (ok && ::rename(temp.c_str(), path.c_str()) != 0) ok = false;
    if (!ok) {
        std::fprintf(stderr, "%s: %s\n", path.c_str(), std::strerror(errno));
        ::unlink(temp.c_str());
        return 1;
    }
    return 0;
}
