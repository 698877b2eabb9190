// libFuzzer target: the address extraction with the marker cut, on any input, checked against the
// plain slot implementation. Input: one flag byte (bit 0: detailed mode, bits 1-3: ordinal - 1),
// then start marker, end marker, separator and page text, split at bytes 0x01.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "lookup.h"
#include "reference_scan.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const bool detailed = data[0] & 1;
    const int32_t ordinal = ((data[0] >> 1) & 7) - 1;
    std::vector<std::string> fields(1);
    for (size_t k = 1; k < size; ++k) {
        if (data[k] == 1 && fields.size() < 4)
            fields.emplace_back();
        else
            fields.back() += static_cast<char>(data[k]);
    }
    fields.resize(4);
    const std::string &start = fields[0], &end = fields[1], &separator = fields[2], &page = fields[3];

    const std::string got = nw::ExtractAddress(page, detailed, start, end, separator, ordinal);
    const auto expected = nwtest::referenceExtract(page, detailed, start, end, separator, ordinal);
    if (expected && *expected != got) {
        std::fprintf(stderr, "extraction gave '%s', the slot implementation '%s'\n", got.c_str(), expected->c_str());
        std::abort();
    }
    // The cut with other piece numbers than the lookup's 1.
    nw::CutBetweenMarkers(start, end, page, static_cast<int16_t>(ordinal * 50));
    return 0;
}
