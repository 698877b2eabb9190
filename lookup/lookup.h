#pragma once
// The WAN address lookup: fetch a page that shows the caller's address and cut the address out.
#include <cstdint>
#include <string>

namespace nw {

// Failure text: the page was fetched but held no address.
inline constexpr const char* kNoAddress = "xxx.xxx.xxx.xxx";
// Stand-in for an address that is not available.
inline constexpr const char* kNotAvailable = "***.***.***.***";

// Returns an address, kNoAddress, or empty text (unknown character code, after a message).
// Throws RuntimeError when the page cannot be fetched or a helper library is missing.
std::string FetchWanAddress(const std::string& LookupUrl, bool UseAdvancedParse, const std::string& ParseStartMarker,
                            const std::string& ParseEndMarker, const std::string& PageCharset,
                            const std::string& AddressSeparator, int32_t AddressOrdinal);

// The part of `text` between the start and the end marker (letter case ignored); "err" when
// a marker is missing.
std::string CutBetweenMarkers(const std::string& startMarker, const std::string& endMarker, const std::string& text,
                              int16_t index);

}  // namespace nw
