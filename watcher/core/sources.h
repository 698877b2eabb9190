#pragma once
// The three address readers. Each lets the event loop run once where the watcher expects it.
#include <string>

namespace nw {

std::string GIp();   // first local address (the local-address rule of the platform layer)
std::string PIp();   // host library address, empty when the library reports failure; throws when it is missing
std::string WIp2();  // WAN address via FetchWanAddress, or "***.***.***.***" when the lookup is off; may throw

}  // namespace nw
