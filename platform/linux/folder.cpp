#include "nw/platform/folder.h"

#include <limits.h>
#include <unistd.h>

namespace nw {

namespace {
std::string& overrideFolder() {
    static std::string folder;
    return folder;
}
}  // namespace

std::string programFolder() {
    if (!overrideFolder().empty()) return overrideFolder();
    char path[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0) return ".";
    std::string exe(path, static_cast<size_t>(n));
    auto slash = exe.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return exe.substr(0, slash);
}

std::string inProgramFolder(const std::string& name) {
    std::string folder = programFolder();
    if (folder.empty() || folder.back() != '/') folder += '/';
    return folder + name;
}

void setProgramFolderForTesting(const std::string& folder) { overrideFolder() = folder; }

}  // namespace nw
