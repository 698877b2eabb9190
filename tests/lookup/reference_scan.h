#pragma once
// A second, deliberately plain implementation of the address extraction, for comparison: it
// cuts the page into slots with nukidashi (slots sized from nukidashi_maxlen, as wide as the
// longest piece, so memory grows with pieces times the longest), copies each slot into a
// blank scratch text with txstrcpy and reads the decoded characters. Only for small pages.
#include <cstdint>
#include <optional>
#include <string>

namespace nwtest {

// nullopt when the page is too large for this implementation (a slot wider than 32767 bytes).
std::optional<std::string> referenceExtract(const std::string& pageText, bool useAdvancedParse,
                                            const std::string& startMarker, const std::string& endMarker,
                                            const std::string& separator, int32_t ordinal);

}  // namespace nwtest
