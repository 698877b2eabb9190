#pragma once
#include <string>

namespace nw {

// The computer's first local IPv4 address, as dotted text. The rule: the address of the
// interface that carries the default route; else the first non-loopback IPv4 address of an
// interface that is up; else 127.0.0.1.
std::string localIPv4Address();

}  // namespace nw
