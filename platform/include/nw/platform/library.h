#pragma once
// Shared libraries of our own (bsmtp, textcut, kanjiconv, Hostexp) are loaded by name from
// the program's folder at their first call and stay loaded for the rest of the run.
#include <string>

namespace nw {

// Returns the address of `symbol` in lib<name>.so of the program's folder, loading the library
// on first use. Throws RuntimeError LibraryLoad when the library cannot be loaded and
// EntryPointNotFound when it lacks the routine. A failed load is tried again at the next call.
void* librarySymbol(const std::string& name, const char* symbol);

template <typename Fn>
Fn* bindRoutine(const std::string& library, const char* symbol) {
    return reinterpret_cast<Fn*>(librarySymbol(library, symbol));
}

// The file that librarySymbol loads for `name`.
std::string libraryPath(const std::string& name);

}  // namespace nw
