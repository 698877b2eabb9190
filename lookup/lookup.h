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
// PageCharset: "sjis" (CP932), "euc" (EUC-JP) or "uni" (UTF-16 with a byte-order mark or
// starting with an ASCII character, else UTF-8); exact spelling. Simple mode (UseAdvancedParse
// false) ignores the last five arguments and takes the first "."-separated address of a CP932 page.
std::string FetchWanAddress(const std::string& LookupUrl, bool UseAdvancedParse, const std::string& ParseStartMarker,
                            const std::string& ParseEndMarker, const std::string& PageCharset,
                            const std::string& AddressSeparator, int32_t AddressOrdinal);

// The address in a page that has already been fetched and decoded: what FetchWanAddress does
// after the fetch (the cut between the markers in detailed mode, the split at the separator and
// the scan). Loads libtextcut.so; throws RuntimeError when it is missing.
std::string ExtractAddress(const std::string& pageText, bool UseAdvancedParse, const std::string& ParseStartMarker,
                           const std::string& ParseEndMarker, const std::string& AddressSeparator,
                           int32_t AddressOrdinal);

// The part of `text` between the start and the end marker; "err" when a marker is missing.
// When the start marker occurs again after the first end marker, a second collection of
// pieces from the third character on decides, and the result is its piece number `index`
// (empty text when there is none). The markers are found ignoring letter case (Unicode simple
// case folding, full-width letters included); width and kana type count. Lets the event loop
// run once per piece of the second collection.
std::string CutBetweenMarkers(const std::string& startMarker, const std::string& endMarker, const std::string& text,
                              int16_t index);

}  // namespace nw
