#include "formset_logic.h"

#include "nw/platform/error.h"
#include "settings.h"

namespace nw::ui {

DetailFlags& detailFlags() {
    static DetailFlags flags;
    return flags;
}

BoxNumber readBoxNumber(const std::string& text, int32_t& value) {
    double number = 0;
    if (!parseNumber(text, number)) return BoxNumber::NotANumber;
    try {
        value = toInt32(number);
    } catch (const RuntimeError&) {
        return BoxNumber::TooLarge;
    }
    return BoxNumber::Fits;
}

StoredNumber watchPeriodToStore(const std::string& text) {
    int32_t v = 0;
    if (readBoxNumber(text, v) == BoxNumber::Fits) return {v, std::nullopt};
    return {kWatchMax, std::to_string(kWatchMax)};
}

StoredNumber retryCountToStore(const std::string& text) {
    double number = 0;
    if (!parseNumber(text, number)) return {kRetryMin, std::to_string(kRetryMin)};
    try {
        return {toInt16(number), std::nullopt};
    } catch (const RuntimeError&) {
        const int32_t nearest = number > 0 ? INT16_MAX : INT16_MIN;
        return {nearest, std::to_string(nearest)};
    }
}

StoredNumber ordinalToStore(const std::string& text) {
    int32_t v = 0;
    if (readBoxNumber(text, v) == BoxNumber::Fits) return {v, std::nullopt};
    return {kOrdinalMin, std::to_string(kOrdinalMin)};
}

int charsetOption(const std::string& pageCharset) {
    if (pageCharset == "sjis") return 0;
    if (pageCharset == "euc") return 1;
    if (pageCharset == "uni") return 2;
    return -1;
}

std::optional<std::string> charsetFromOptions(bool sjis, bool euc, bool uni) {
    if (sjis) return "sjis";
    if (euc) return "euc";
    if (uni) return "uni";
    return std::nullopt;
}

}  // namespace nw::ui
