// 3rdaddrclip: looks up the WAN address once with the lookup settings of netwarden.ini in the
// program's folder, shows it in a message box and puts it on the clipboard, then ends. No window
// of its own, no arguments; the settings file is only read.
#include "3rdaddrclip.h"

#include <QApplication>
#include <QString>
#include <cstdio>

#include "clipboard.h"
#include "lookup.h"
#include "messagebox.h"
#include "nw/platform/error.h"
#include "nw/platform/ui.h"
#include "settings.h"

namespace addrclip3 {

std::string LookupUrl;
bool UseAdvancedParse = false;
std::string ParseStartMarker;
std::string ParseEndMarker;
std::string PageCharset;
int32_t AddressOrdinal = 0;
std::string AddressSeparator;

void LoadLookupSettings() {
    const std::string section = "ルーター用";
    auto text = [&](const char* key, std::string& field) {
        return nw::IniField{section, key, [&field](const std::string& value) { field = value; }, true};
    };
    nw::LoadIniFields(
        nw::settingsPath(),
        {
            // The watcher's switch is read like the rest but not used: the tool always looks up.
            nw::IniField{section, "ルーターIP取得機能を使用する", [](const std::string&) {}},
            text("IP取得先URL", LookupUrl),
            nw::IniField{section, "詳細設定を有効にする",
                         [](const std::string& value) { UseAdvancedParse = value == "True"; }},
            text("HTML解析開始文字列", ParseStartMarker),
            text("HTML解析終端文字列", ParseEndMarker),
            text("HTML文字コード", PageCharset),
            nw::IniField{section, "何番目のIP",
                         [](const std::string& value) {
                             double number = 0;
                             AddressOrdinal = nw::parseNumber(value, number) ? nw::toInt32(number) : 1;
                         }},
            text("IPの区切り文字", AddressSeparator),
        });
}

void CopyWanAddress() {
    const std::string result = nw::FetchWanAddress(LookupUrl, UseAdvancedParse, ParseStartMarker, ParseEndMarker,
                                                   PageCharset, AddressSeparator, AddressOrdinal);
    if (result != nw::kNoAddress) {
        nw::messageBox(result);
        nw::gui::clipboardSetText(QString::fromStdString(result));
    } else {
        nw::messageBox("IP取得に失敗しました。");
        nw::gui::clipboardSetText(QString::fromUtf8(nw::kNotAvailable));
    }
}

void Main() {
    LoadLookupSettings();
    CopyWanAddress();
}

}  // namespace addrclip3

#ifndef NW_3RDADDRCLIP_NO_MAIN
int main(int argc, char** argv) {
    QApplication app(argc, argv);
    nw::setProgramTitle("3rdaddrclip");
    nw::gui::installMessageBoxes();
    try {
        addrclip3::Main();
    } catch (const nw::RuntimeError& e) {
        // The run ends with the error's report; the clipboard is left as it was.
        std::fprintf(stderr, "3rdaddrclip: %s\n", e.report().c_str());
        nw::messageBox(e.report());
        return 1;
    }
    nw::gui::keepClipboardAfterExit();
    return 0;
}
#endif
