#pragma once
// 3rdaddrclip's module: its copy of the lookup settings and its three steps. main() lives in
// 3rdaddrclip.cpp too; the tests build that file without it (NW_3RDADDRCLIP_NO_MAIN).
#include <cstdint>
#include <string>

namespace addrclip3 {

// This tool's own copy of the seven lookup fields of the settings (empty, false and 0 until
// LoadLookupSettings).
extern std::string LookupUrl;
extern bool UseAdvancedParse;
extern std::string ParseStartMarker;
extern std::string ParseEndMarker;
extern std::string PageCharset;
extern int32_t AddressOrdinal;
extern std::string AddressSeparator;

// Fills the seven fields from the section "ルーター用" of netwarden.ini in the program's folder,
// one read of the file per key; reports its own problems in message boxes and never raises.
void LoadLookupSettings();
// Runs the lookup, shows the result and, once the box is closed, puts it on the clipboard; a
// lookup that found nothing shows "IP取得に失敗しました。" and puts "***.***.***.***" there.
// Raises what the lookup raises (a failed fetch, a missing library).
void CopyWanAddress();
// The program's run: LoadLookupSettings, then CopyWanAddress.
void Main();

}  // namespace addrclip3
