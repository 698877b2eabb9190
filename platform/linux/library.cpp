#include "nw/platform/library.h"

#include <dlfcn.h>

#include <map>

#include "nw/platform/error.h"
#include "nw/platform/folder.h"

namespace nw {

std::string libraryPath(const std::string& name) { return inProgramFolder("lib" + name + ".so"); }

void* librarySymbol(const std::string& name, const char* symbol) {
    // Handles are never closed: a bound library stays loaded until the process ends.
    static std::map<std::string, void*> loaded;
    std::string path = libraryPath(name);
    void*& handle = loaded[path];
    if (!handle) {
        handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!handle) throw makeError(err::LibraryLoad, "lib" + name + ".so");
    }
    dlerror();
    void* address = dlsym(handle, symbol);
    if (!address) throw makeError(err::EntryPointNotFound, std::string(symbol) + " / lib" + name + ".so");
    return address;
}

}  // namespace nw
