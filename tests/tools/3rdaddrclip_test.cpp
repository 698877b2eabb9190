// 3rdaddrclip's steps with recorded message boxes and the in-process clipboard (offscreen):
// the lookup settings it reads, and what it shows and copies for each kind of lookup result.
#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>
#include <filesystem>
#include <string>
#include <vector>

#include "3rdaddrclip.h"
#include "http_server.h"
#include "lookup.h"
#include "nw/platform/codepage.h"
#include "nw/platform/error.h"
#include "nw/platform/folder.h"
#include "nw/platform/ui.h"
#include "recorder.h"

namespace {

using nwtest::Box;

struct Fields {
    std::string url;
    bool advanced = false;
    std::string start, end, charset;
    int32_t ordinal = 0;
    std::string separator;
    bool operator==(const Fields&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Fields& f) {
    return out << "[" << f.url << "|" << f.advanced << "|" << f.start << "|" << f.end << "|" << f.charset << "|"
               << f.ordinal << "|" << f.separator << "]";
}

Fields current() {
    using namespace addrclip3;
    return {LookupUrl, UseAdvancedParse, ParseStartMarker, ParseEndMarker, PageCharset, AddressOrdinal, AddressSeparator};
}

void set(const Fields& f) {
    using namespace addrclip3;
    LookupUrl = f.url, UseAdvancedParse = f.advanced, ParseStartMarker = f.start, ParseEndMarker = f.end;
    PageCharset = f.charset, AddressOrdinal = f.ordinal, AddressSeparator = f.separator;
}

QString clipboardText() { return QGuiApplication::clipboard()->text(); }

class ThirdAddrClip : public ::testing::Test {
protected:
    void SetUp() override {
        // The program's folder: the settings file of each test and the two libraries.
        for (const char* lib : {"libtextcut.so", "libkanjiconv.so"})
            std::filesystem::create_symlink(nw::inProgramFolder(lib), dir.file(lib));
        nw::setProgramFolderForTesting(dir.path());
        nw::setProgramTitle("3rdaddrclip");
        set(Fields{});
        QGuiApplication::clipboard()->setText("before");
    }
    void TearDown() override { nw::setProgramFolderForTesting({}); }

    // The settings file in CP932 with CR LF line ends, from UTF-8 lines.
    void writeIni(const std::vector<std::string>& lines) {
        std::string text;
        for (const auto& line : lines) text += line + "\r\n";
        nwtest::writeFile(dir.file("netwarden.ini"), nw::toSjis(text));
    }

    nwtest::TempDir dir;
    nwtest::MessageRecorder boxes;
};

TEST_F(ThirdAddrClip, LoadsTheRouterSectionOnly) {
    struct Case {
        std::vector<std::string> lines;
        Fields expected;
    } cases[] = {
        {{"[基本設定]", "IP監視周期=600", "[ルーター用]", "ルーターIP取得機能を使用する=False",
          "IP取得先URL=http://127.0.0.1:8080/status?x=1", "詳細設定を有効にする=True",
          "HTML解析開始文字列=<td>グローバルIP=", "HTML解析終端文字列=</td>", "HTML文字コード=euc", "何番目のIP=2.5",
          "IPの区切り文字=-"},
         {"http://127.0.0.1:8080/status?x=1", true, "<td>グローバルIP=", "</td>", "euc", 2, "-"}},
        {{"[ルーター用]", "詳細設定を有効にする=true", "何番目のIP=abc"}, {"", false, "", "", "", 1, ""}},
        {{"[ルーター用]", "何番目のIP=3.5", "IPの区切り文字= "}, {"", false, "", "", "", 4, " "}},
        // Keys of the same names in another section are not looked at.
        {{"[メール設定]", "IP取得先URL=http://wrong/", "何番目のIP=7", "[ルーター用]"}, {"", false, "", "", "", 1, ""}},
    };
    for (const Case& c : cases) {
        set(Fields{});
        writeIni(c.lines);
        addrclip3::LoadLookupSettings();
        EXPECT_EQ(current(), c.expected) << c.lines.back();
    }
    EXPECT_TRUE(boxes.boxes().empty());
}

TEST_F(ThirdAddrClip, AnOrdinalTooLargeEndsTheLoadWithItsError) {
    writeIni({"[ルーター用]", "IP取得先URL=u", "何番目のIP=99999999999", "IPの区切り文字=-"});
    addrclip3::AddressSeparator = "kept";
    addrclip3::LoadLookupSettings();
    EXPECT_EQ(addrclip3::LookupUrl, "u");
    EXPECT_EQ(addrclip3::AddressSeparator, "kept");  // not read any more
    ASSERT_EQ(boxes.boxes().size(), 1u);
    EXPECT_EQ(boxes.boxes()[0].caption, "エラーメッセージ");
    EXPECT_EQ(boxes.boxes()[0].text, nw::makeError(nw::err::Overflow).report());
}

TEST_F(ThirdAddrClip, NoSettingsFileTellsSoAtEveryReadThenTheEmptyAddressFails) {
    addrclip3::LoadLookupSettings();
    EXPECT_EQ(boxes.boxes(), std::vector<Box>(8, Box{"エラーメッセージ", "設定ファイルがみつかりません。"}));
    EXPECT_EQ(current(), (Fields{"", false, "", "", "", 1, ""}));

    boxes.clear();
    try {
        addrclip3::CopyWanAddress();
        ADD_FAILURE() << "no error";
    } catch (const nw::RuntimeError& e) {
        EXPECT_EQ(e.number(), nw::err::NetworkFailure);
    }
    EXPECT_EQ(boxes.boxes(), (std::vector<Box>{{"3rdaddrclip", "ソースを読み込めていません"}}));
    EXPECT_EQ(clipboardText(), "before");
}

TEST_F(ThirdAddrClip, ShowsThenCopiesTheResult) {
    nwtest::HttpServer server(R"({
        "/ip": {"body": "<p>WAN 203.0.113.9</p>"},
        "/none": {"body": "<p>no address</p>"}
    })");
    // The clipboard changes only after the box has been closed.
    std::vector<QString> clipboardWhileShown;
    boxes.onShow([&](const Box&) { clipboardWhileShown.push_back(clipboardText()); });
    struct Case {
        Fields fields;
        std::vector<Box> shown;
        QString copied;
    } cases[] = {
        {{server.url("/ip"), false, "", "", "", 0, ""}, {{"3rdaddrclip", "203.0.113.9"}}, "203.0.113.9"},
        {{server.url("/none"), false, "", "", "", 0, ""}, {{"3rdaddrclip", "IP取得に失敗しました。"}}, "***.***.***.***"},
        // An unknown character code: the lookup's message, then an empty box and empty text.
        {{server.url("/ip"), true, "<p>", "</p>", "SJIS", 1, "."},
         {{"エラーメッセージ", "予期しないエラー"}, {"3rdaddrclip", ""}},
         ""},
    };
    for (const Case& c : cases) {
        boxes.clear();
        clipboardWhileShown.clear();
        QGuiApplication::clipboard()->setText("before");
        set(c.fields);
        addrclip3::CopyWanAddress();
        EXPECT_EQ(boxes.boxes(), c.shown) << c.fields;
        EXPECT_EQ(clipboardWhileShown, std::vector<QString>(c.shown.size(), "before")) << c.fields;
        EXPECT_EQ(clipboardText(), c.copied) << c.fields;
    }
}

TEST_F(ThirdAddrClip, MainLooksUpEvenWithTheWatchersLookupSwitchedOff) {
    nwtest::HttpServer server(R"({"/": {"body": "addr: 198.51.100.4 ok"}})");
    writeIni({"[ルーター用]", "ルーターIP取得機能を使用する=False", "IP取得先URL=" + server.url("/"),
              "詳細設定を有効にする=False"});
    addrclip3::Main();
    EXPECT_EQ(boxes.boxes(), (std::vector<Box>{{"3rdaddrclip", "198.51.100.4"}}));
    EXPECT_EQ(clipboardText(), "198.51.100.4");
    EXPECT_EQ(server.requests(), std::vector<std::string>{"GET /"});
}

TEST_F(ThirdAddrClip, AFailedFetchLeavesTheClipboardAlone) {
    set({"http://127.0.0.1:1/", false, "", "", "", 1, ""});
    EXPECT_THROW(addrclip3::CopyWanAddress(), nw::RuntimeError);
    EXPECT_TRUE(boxes.boxes().empty());
    EXPECT_EQ(clipboardText(), "before");
}

}  // namespace
