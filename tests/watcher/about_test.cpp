// The about window: its texts, its keys and link, the registry values it reads and the start of
// the system-information program.
#include <gtest/gtest.h>

#include <QDesktopServices>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QUrl>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>
#include <thread>

#include "formip.h"
#include "frmabout.h"
#include "nw/platform/codepage.h"
#include "nw/platform/registry.h"
#include "recorder.h"

namespace {

using nw::ui::frmAbout;

constexpr const char* kNoSysInfo = "現時点ではｼｽﾃﾑ情報を使用できません";

// Catches the pages that the desktop would open.
class UrlCatcher : public QObject {
    Q_OBJECT
public:
    std::vector<QUrl> urls;
public slots:
    void open(const QUrl& url) { urls.push_back(url); }
};

void setValue(nw::HKEY root, const std::string& key, const std::string& name, uint32_t type,
              const std::string& bytes) {
    nw::HKEY k = 0;
    ASSERT_EQ(nw::RegCreateKeyExA(root, key, &k), nw::ERROR_SUCCESS);
    ASSERT_EQ(nw::RegSetValueExA(k, name, type, reinterpret_cast<const unsigned char*>(bytes.data()),
                                 static_cast<uint32_t>(bytes.size())),
              nw::ERROR_SUCCESS);
    nw::RegCloseKey(k);
}

std::string dword(uint32_t v) {
    std::string bytes(4, '\0');
    for (int i = 0; i < 4; ++i) bytes[i] = static_cast<char>((v >> (8 * i)) & 0xFF);
    return bytes;
}

bool waitForFile(const std::string& path) {
    for (int i = 0; i < 100; ++i) {
        if (std::filesystem::exists(path)) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

// A program that leaves a mark beside itself when it runs.
std::string markingProgram(const std::string& path) {
    nwtest::writeFile(path, "#!/bin/sh\ntouch \"$0.ran\"\n");
    std::filesystem::permissions(path, std::filesystem::perms::owner_all);
    return path + ".ran";
}

TEST(AboutWindow, ShowsTitleVersionAndClosesOnEnterAndEscape) {
    for (const auto key : {Qt::Key_Return, Qt::Key_Escape}) {
        QPointer<frmAbout> about = new frmAbout;
        about->show();
        EXPECT_EQ(about->windowTitle(), QStringLiteral("ﾊﾞｰｼﾞｮﾝ情報"));
        EXPECT_EQ(about->findChild<QLabel*>("lblTitle")->text(), QStringLiteral("ネットワーデン"));
        EXPECT_EQ(about->findChild<QLabel*>("lblVersion")->text(),
                  QStringLiteral("ﾊﾞｰｼﾞｮﾝ ") + QStringLiteral(NW_TEST_VERSION));
        QTest::keyClick(about.data(), key);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(about.isNull()) << "key " << key;
        delete about.data();
    }
}

TEST(AboutWindow, LinkOpensTheWebPage) {
    UrlCatcher catcher;
    QDesktopServices::setUrlHandler("https", &catcher, "open");
    frmAbout about;
    about.show();
    QTest::mouseClick(about.findChild<QLabel*>("Label2"), Qt::LeftButton);
    QDesktopServices::unsetUrlHandler("https");
    ASSERT_EQ(catcher.urls.size(), 1u);
    EXPECT_EQ(catcher.urls[0], QUrl(QString::fromLatin1(frmAbout::kWebPage)));
}

TEST(AboutWindow, MenuOpensOneModelessWindow) {
    nw::ui::FormIP form;
    form.about_Click();
    QPointer<frmAbout> first = form.about();
    ASSERT_TRUE(first);
    EXPECT_TRUE(first->isVisible());
    EXPECT_FALSE(first->isModal());
    form.about_Click();
    EXPECT_EQ(form.about(), first.data());
}

TEST(GetKeyValue, ReadsTextAndNumbersByTheirType) {
    const std::string key = "Software\\Netwarden tests\\Values";
    struct Case {
        const char* name;
        uint32_t type;
        std::string bytes;
        std::string expected;
    };
    const Case cases[] = {
        {"text with its terminating zero", nw::REG_SZ, std::string("/usr/bin/tool\0", 14), "/usr/bin/tool"},
        {"text without a terminating zero", nw::REG_SZ, "/usr/bin/tool", "/usr/bin/tool"},
        {"CP932 text", nw::REG_SZ, nw::toSjis("情報ツール") + '\0', "情報ツール"},
        {"empty text", nw::REG_SZ, std::string(1, '\0'), ""},
        {"number with four significant bytes", nw::REG_DWORD, dword(0x12345678), "305419896"},
        // Every byte keeps its leading zero digit, and a zero high byte still counts.
        {"number with zero bytes", nw::REG_DWORD, dword(0x00000102), "258"},
        {"number read as signed", nw::REG_DWORD, dword(0xFFFFFFFF), "-1"},
        {"other type leaves the text alone", nw::REG_BINARY, "\x01\x02", "before"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        setValue(nw::HKEY_CURRENT_USER, key, "v", c.type, c.bytes);
        std::string value = "before";
        EXPECT_TRUE(frmAbout::GetKeyValue(nw::HKEY_CURRENT_USER, key, "v", value));
        EXPECT_EQ(value, c.expected);
    }

    // Failures: empty text and false.
    setValue(nw::HKEY_CURRENT_USER, key, "big", nw::REG_SZ, std::string(1025, 'x'));
    const struct {
        const char* name;
        std::string key, value;
    } failures[] = {
        {"no such key", "Software\\Netwarden tests\\Missing", "v"},
        {"no such value", key, "missing"},
        {"value larger than the buffer", key, "big"},
    };
    for (const auto& f : failures) {
        SCOPED_TRACE(f.name);
        std::string value = "before";
        EXPECT_FALSE(frmAbout::GetKeyValue(nw::HKEY_CURRENT_USER, f.key, f.value, value));
        EXPECT_EQ(value, "");
    }
    nw::RegDeleteKeyA(nw::HKEY_CURRENT_USER, "Software\\Netwarden tests");
}

TEST(StartSysInfo, StartsTheRegisteredProgramOrSaysThereIsNone) {
    nwtest::TempDir dir;
    nwtest::MessageRecorder boxes;
    const std::string located = dir.path() + "/located";
    std::filesystem::create_directory(located);
    const std::string direct = dir.file("tool");

    struct Case {
        const char* name;
        std::string pathValue;      // empty: no "PATH" value
        std::string locationValue;  // empty: no "MSINFO" location value
        bool programInFolder;       // the folder holds the program
        std::string expectMark;     // the program that must have run, or empty for the message
    };
    const Case cases[] = {
        {"the PATH value names the program", direct, "", false, direct + ".ran"},
        {"PATH wins over the location", direct, located, true, direct + ".ran"},
        {"the location's folder holds it", "", located, true, located + "/" + frmAbout::kSysInfoFileName + ".ran"},
        {"the location's folder lacks it", "", located, false, ""},
        {"nothing registered", "", "", false, ""},
        {"the PATH value names no file", dir.file("missing"), "", false, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        boxes.clear();
        std::filesystem::remove_all(located);
        std::filesystem::create_directory(located);
        std::filesystem::remove(direct + ".ran");
        markingProgram(direct);
        if (c.programInFolder) markingProgram(located + "/" + frmAbout::kSysInfoFileName);
        nw::RegDeleteKeyA(nw::HKEY_LOCAL_MACHINE, frmAbout::kSysInfoKey);
        nw::RegDeleteKeyA(nw::HKEY_LOCAL_MACHINE, frmAbout::kSysInfoLocationKey);
        if (!c.pathValue.empty())
            setValue(nw::HKEY_LOCAL_MACHINE, frmAbout::kSysInfoKey, frmAbout::kSysInfoValue, nw::REG_SZ,
                     c.pathValue + '\0');
        if (!c.locationValue.empty())
            setValue(nw::HKEY_LOCAL_MACHINE, frmAbout::kSysInfoLocationKey, frmAbout::kSysInfoLocationValue,
                     nw::REG_SZ, c.locationValue + '\0');

        frmAbout about;
        about.show();
        about.findChild<QPushButton*>("cmdSysInfo")->click();

        if (c.expectMark.empty()) {
            ASSERT_EQ(boxes.boxes().size(), 1u);
            EXPECT_EQ(boxes.boxes()[0].text, kNoSysInfo);
            EXPECT_EQ(boxes.boxes()[0].caption, "Netwarden");
            EXPECT_TRUE(about.isVisible());
        } else {
            EXPECT_TRUE(boxes.boxes().empty()) << boxes.boxes().front().text;
            EXPECT_TRUE(waitForFile(c.expectMark));
        }
    }
    nw::RegDeleteKeyA(nw::HKEY_LOCAL_MACHINE, frmAbout::kSysInfoKey);
    nw::RegDeleteKeyA(nw::HKEY_LOCAL_MACHINE, frmAbout::kSysInfoLocationKey);
}

}  // namespace

#include "about_test.moc"
