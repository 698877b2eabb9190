#pragma once
#include <string>

namespace nw {

// Calls Hostexpress of libHostexp.so (bound by name from the program's folder at the first call,
// then kept loaded) with a 17-byte zeroed buffer and the length 16. Returns the address the
// library wrote, or empty text when it reports failure. Throws RuntimeError when the library
// or its export is missing.
std::string LibraryAddress();

}  // namespace nw
