#pragma once
// The Shift_JIS boundary. Text inside the programs is UTF-8; the settings file and the C
// libraries speak Shift_JIS as Windows Japanese programs write it (code page 932).
#include <string>
#include <string_view>

namespace nw {

// UTF-8 to CP932. Characters that CP932 cannot hold become "?".
std::string toSjis(std::string_view utf8);
// CP932 to UTF-8. Bytes that are not valid CP932 become U+FFFD; a NUL byte stays a NUL.
std::string fromSjis(std::string_view sjis);

}  // namespace nw
