#pragma once
// The settings dialog's rules that need no window: the program-wide expansion flags, the
// numbers of its three number boxes, the character-code options and the page geometry.
#include <cstdint>
#include <optional>
#include <string>

namespace nw::ui {

// The two page-expansion flags. They belong to the program, not to the dialog: unloading the
// dialog and loading it again leaves them as they were.
struct DetailFlags {
    bool MailDetailShown = false;    // the mail page is expanded
    bool RouterDetailShown = false;  // the router page is expanded
};
DetailFlags& detailFlags();

// ---- number boxes ---------------------------------------------------------------------------

// What a number box holds: no number, a number that rounds (halves to even) into 32 bits, or a
// number beyond that.
enum class BoxNumber { NotANumber, Fits, TooLarge };
BoxNumber readBoxNumber(const std::string& text, int32_t& value);

// Bounds of the three up-down controls (step 1).
inline constexpr int32_t kWatchMin = 1, kWatchMax = 100000;  // UpDown1, Text1
inline constexpr int32_t kRetryMin = 1, kRetryMax = 32767;   // UpDown2, Text9
inline constexpr int32_t kOrdinalMin = 1, kOrdinalMax = 100; // UpDown3, Text14

// The value a number box hands to its field when the dialog's values are copied into Settings.
// `boxText` is set when the box must show another text first (the number did not fit).
struct StoredNumber {
    int32_t value = 0;
    std::optional<std::string> boxText;
};
// Text1 -> WatchIntervalSeconds: a number beyond 32 bits (or none at all) becomes 100000.
StoredNumber watchPeriodToStore(const std::string& text);
// Text9 -> RetryCount: a number beyond 16 bits becomes the nearest 16-bit value (32767 or
// -32768); no number at all becomes 1.
StoredNumber retryCountToStore(const std::string& text);
// Text14 -> AddressOrdinal: a number beyond 32 bits (or none at all) becomes 1.
StoredNumber ordinalToStore(const std::string& text);

// ---- character code -------------------------------------------------------------------------

// Option1 index for a PageCharset value: "sjis" 0, "euc" 1, "uni" 2, anything else -1.
int charsetOption(const std::string& pageCharset);
// PageCharset for the first selected of the three options, or nothing when none is selected.
std::optional<std::string> charsetFromOptions(bool sjis, bool euc, bool uni);

// ---- geometry (twips) -----------------------------------------------------------------------

inline constexpr int kTabStripWidth = 5415;
inline constexpr int kTabStripCollapsedHeight = 3255;
inline constexpr int kPageLeft = 30, kPageTop = 450, kPageWidth = 5295;
inline constexpr int kPageFixedHeight = 1935;     // Frm_kihon and Frame3
inline constexpr int kPageCollapsedHeight = 2100; // Frame2 and Frame4 collapsed
inline constexpr int kTestButtonLeft = 2280, kTestButtonTop = 1680;  // Command5, Command7 collapsed
inline constexpr int kSendTestExpandedLeft = 3690, kSendTestExpandedTop = 4745;    // Command5
inline constexpr int kLookupTestExpandedLeft = 3690, kLookupTestExpandedTop = 4245; // Command7

inline constexpr int tabWidthFor(int stripWidth) { return stripWidth / 3 - 15; }
inline constexpr int windowWidthFor(int stripWidth) { return stripWidth + 150; }
inline constexpr int windowHeightFor(int stripHeight) { return stripHeight + 450; }
inline constexpr int buttonsTopFor(int stripHeight) { return stripHeight - 615; }
// An expanded page reaches 400 below its test button; the tab strip grows with it.
inline constexpr int expandedPageHeight(int testButtonTop) { return testButtonTop + 400; }
inline constexpr int mailExpandedStripHeight(int pageHeight) { return pageHeight + 1320 - 145 + 200; }
inline constexpr int routerExpandedStripHeight(int pageHeight) { return pageHeight + 1320 - 145; }

}  // namespace nw::ui
