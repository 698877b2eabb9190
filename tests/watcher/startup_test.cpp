// The load of the main window: its order, what the window shows and stores, the Copy buttons,
// and a load that goes on past a missing library.
#include <gtest/gtest.h>

#include <QClipboard>
#include <QProcess>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>
#include <string>
#include <vector>

#include "cycle.h"
#include "formip.h"
#include "lookup.h"
#include "nw/platform/codepage.h"
#include "nw/platform/folder.h"
#include "recorder.h"
#include "settings.h"
#include "sources.h"
#include "startup.h"
#include "state.h"

namespace {

using nw::watcherState;

const std::string kNA = nw::kNotAvailable;

// The main window as the load sees it: every call in order.
class FakeView : public nw::AddressView {
public:
    std::vector<std::string>* calls;
    explicit FakeView(std::vector<std::string>* c) : calls(c) {}
    void setText1(const std::string& t) override { calls->push_back("Text1=" + t); }
    void setText2(const std::string& t) override { calls->push_back("Text2=" + t); }
    void setText3(const std::string& t) override { calls->push_back("Text3=" + t); }
};

class StartupTest : public ::testing::Test {
protected:
    nwtest::TempDir dir;
    nwtest::MessageRecorder boxes;
    std::string realFolder;

    void SetUp() override {
        nw::setProgramFolderForTesting({});
        realFolder = nw::programFolder();
        nw::setProgramFolderForTesting(dir.path());
        watcherState() = nw::WatcherState{};
        nw::settings() = nw::Settings{};
        nw::resetCycleHooks();
    }

    void TearDown() override {
        nw::resetCycleHooks();
        nw::setAddressView(nullptr);
        nw::setProgramFolderForTesting({});
    }

    // The program folder gets these libraries of the build (linked, not copied).
    void provide(std::initializer_list<const char*> libraries) {
        for (const char* name : libraries) {
            const std::string file = std::string("lib") + name + ".so";
            std::filesystem::create_symlink(realFolder + "/" + file, dir.file(file));
        }
    }

    // netwarden.ini as the program keeps it: CP932, CR LF.
    void writeIni(const std::vector<std::string>& lines) {
        std::string text;
        for (const std::string& line : lines) text += line + "\r\n";
        nwtest::writeFile(dir.file("netwarden.ini"), nw::toSjis(text));
    }

    // Fake readers with fixed answers.
    void fakeReaders(const std::string& g, const std::string& p, const std::string& w) {
        nw::CycleHooks& hooks = nw::cycleHooks();
        hooks.GIp = [g] { return g; };
        hooks.PIp = [p] { return p; };
        hooks.WIp2 = [w] { return w; };
    }

    static QLineEdit* box(nw::ui::FormIP& form, const char* name) { return form.findChild<QLineEdit*>(name); }
};

TEST_F(StartupTest, LoadRunsItsStepsInOrder) {
    for (const bool mailOnStartup : {true, false}) {
        SCOPED_TRACE(mailOnStartup ? "MailOnStartup" : "no start-up mail");
        watcherState() = nw::WatcherState{};
        writeIni({"[基本設定]", "IP監視周期=7", "[メール設定]", "IP変化時、現在のIPをメールで送信=False",
                  std::string("起動時にIPをメールで送信する=") + (mailOnStartup ? "True" : "False")});

        std::vector<std::string> calls;
        nw::CycleHooks& hooks = nw::cycleHooks();
        // The settings are read before the first reader runs.
        hooks.GIp = [&] {
            calls.push_back("GIp interval=" + std::to_string(nw::settings().WatchIntervalSeconds));
            return std::string("192.0.2.10");
        };
        hooks.PIp = [&] {
            calls.push_back("PIp");
            return std::string("198.51.100.7");
        };
        hooks.WIp2 = [&] {
            calls.push_back("WIp2");
            return std::string("203.0.113.5");
        };
        hooks.MailOnSub = [&] {
            const auto& st = watcherState();
            calls.push_back("MailOnSub " + st.PreviousFirstAddress + " " + st.PreviousSecondAddress + " " +
                            st.PreviousWanAddress + (nw::cycleRunning() ? " held" : " not held"));
        };
        // Waiting events run at the load's own turn of the event loop, after the timer starts.
        QTimer::singleShot(0, [&] { calls.push_back("events"); });

        FakeView view(&calls);
        nw::FormIP_Load(view, [&] { calls.push_back("Timer1 ticks=" + std::to_string(watcherState().TickCount)); });

        std::vector<std::string> expected = {
            "GIp interval=7", "PIp", "WIp2",
            "Text3=203.0.113.5", "Text2=198.51.100.7", "Text1=192.0.2.10",
            "Timer1 ticks=0", "events"};
        if (mailOnStartup) expected.push_back("MailOnSub 192.0.2.10 198.51.100.7 203.0.113.5 held");
        EXPECT_EQ(calls, expected);
        EXPECT_FALSE(nw::cycleRunning());
        EXPECT_TRUE(boxes.boxes().empty());
    }
}

TEST_F(StartupTest, WindowShowsAndStoresTheFirstReading) {
    struct Case {
        const char* name;
        std::string g, p;
        bool realWanReader;  // the lookup switched off in the file; the real reader decides
        std::string text1, text2, text3;
    };
    const Case cases[] = {
        {"distinct addresses", "192.0.2.10", "198.51.100.7", false, "192.0.2.10", "198.51.100.7", "203.0.113.5"},
        {"host address repeats the local one", "192.0.2.10", "192.0.2.10", false, "192.0.2.10", kNA, "203.0.113.5"},
        {"host library reports failure", "192.0.2.10", "", false, "192.0.2.10", "", "203.0.113.5"},
        {"WAN lookup off", "192.0.2.10", "198.51.100.7", true, "192.0.2.10", "198.51.100.7", kNA},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        watcherState() = nw::WatcherState{};
        boxes.clear();
        // A lookup page that would fail if it were fetched.
        writeIni({"[基本設定]", "IP監視周期=600", "[ルーター用]", "ルーターIP取得機能を使用する=False",
                  "IP取得先URL=http://127.0.0.1:9/"});
        fakeReaders(c.g, c.p, "203.0.113.5");
        if (c.realWanReader) nw::cycleHooks().WIp2 = [] { return nw::WIp2(); };

        nw::ui::FormIP form;
        EXPECT_FALSE(form.Timer1()->isActive());
        form.Form_Load();

        EXPECT_EQ(box(form, "Text1")->text().toStdString(), c.text1);
        EXPECT_EQ(box(form, "Text2")->text().toStdString(), c.text2);
        EXPECT_EQ(box(form, "Text3")->text().toStdString(), c.text3);
        const auto& st = watcherState();
        EXPECT_EQ(st.FirstAddress, c.text1);
        EXPECT_EQ(st.SecondAddress, c.text2);
        EXPECT_EQ(st.WanAddress, c.text3);
        EXPECT_EQ(st.PreviousFirstAddress, c.text1);
        EXPECT_EQ(st.PreviousSecondAddress, c.text2);
        EXPECT_EQ(st.PreviousWanAddress, c.text3);
        EXPECT_TRUE(form.Timer1()->isActive());
        EXPECT_EQ(form.Timer1()->interval(), 1000);
        EXPECT_EQ(form.Timer1()->timerType(), Qt::PreciseTimer);
        EXPECT_TRUE(boxes.boxes().empty()) << boxes.boxes().front().text;
    }
}

TEST_F(StartupTest, CopyPutsExactlyTheBoxTextOnTheClipboard) {
    writeIni({"[基本設定]", "IP監視周期=600"});
    fakeReaders("192.0.2.10", "192.0.2.10", kNA);
    nw::ui::FormIP form;
    form.Form_Load();
    // What the user typed into a box is copied as it stands, blanks included.
    box(form, "Text1")->setText(" 10.0.0.1 ");

    const struct {
        const char* button;
        std::string text;
    } cases[] = {{"Command1", " 10.0.0.1 "}, {"Command2", kNA}, {"Command3", kNA}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.button);
        QGuiApplication::clipboard()->setText("before");
        form.findChild<QPushButton*>(c.button)->click();
        EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(), c.text);
    }
}

TEST_F(StartupTest, MissingLibrariesAreReportedAndTheLoadGoesOn) {
    // Neither the host library nor the mail library in the program's folder.
    writeIni({"[基本設定]", "IP監視周期=600", "[メール設定]", "起動時にIPをメールで送信する=True", "[ルーター用]",
              "ルーターIP取得機能を使用する=False"});
    nw::cycleHooks().GIp = [] { return std::string("192.0.2.10"); };

    std::vector<bool> timerAtBox;
    nw::ui::FormIP form;
    boxes.onShow([&](const nwtest::Box&) { timerAtBox.push_back(form.Timer1()->isActive()); });
    form.Form_Load();

    ASSERT_EQ(boxes.boxes().size(), 2u);
    for (const nwtest::Box& b : boxes.boxes()) {
        EXPECT_EQ(b.caption, "Netwarden");
        EXPECT_EQ(b.text.rfind("48", 0), 0u) << b.text;  // the library-load error, number first
    }
    EXPECT_NE(boxes.boxes()[0].text.find("Hostexp"), std::string::npos) << boxes.boxes()[0].text;
    EXPECT_NE(boxes.boxes()[1].text.find("bsmtp"), std::string::npos) << boxes.boxes()[1].text;
    // The host library's box came before the timer was switched on, the mail library's after.
    EXPECT_EQ(timerAtBox, (std::vector<bool>{false, true}));

    EXPECT_EQ(box(form, "Text1")->text().toStdString(), "192.0.2.10");
    EXPECT_EQ(box(form, "Text2")->text().toStdString(), kNA);
    EXPECT_EQ(box(form, "Text3")->text().toStdString(), kNA);
    EXPECT_EQ(watcherState().PreviousSecondAddress, kNA);
    EXPECT_TRUE(form.Timer1()->isActive());
}

// An SMTP server on 127.0.0.1 that keeps every mail (tests/fixtures/smtpserver.py).
class SmtpServer {
public:
    explicit SmtpServer(const std::string& folder) : mails_(folder + "/mails") {
        std::filesystem::create_directory(mails_);
        const std::string ready = folder + "/smtp.ready";
        const char* fixtures = std::getenv("NW_FIXTURES");
        process_.setProgram("/usr/bin/python3");
        process_.setArguments({QString::fromStdString(std::string(fixtures ? fixtures : "") + "/smtpserver.py"),
                               "--dir", QString::fromStdString(mails_), "--ready", QString::fromStdString(ready)});
        process_.setProcessChannelMode(QProcess::ForwardedChannels);
        process_.start();
        for (int i = 0; i < 200 && !std::filesystem::exists(ready); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        if (std::filesystem::exists(ready)) port_ = std::stoi(nwtest::readFile(ready));
    }
    ~SmtpServer() {
        process_.kill();
        process_.waitForFinished(5000);
    }
    int port() const { return port_; }
    // Mails received so far (each complete once its envelope file is there).
    int count() const {
        int n = 0;
        while (std::filesystem::exists(mails_ + "/" + std::to_string(n + 1) + ".json")) ++n;
        return n;
    }
    std::string mail(int n) const { return nwtest::readFile(mails_ + "/" + std::to_string(n) + ".eml"); }

private:
    std::string mails_;
    QProcess process_;
    int port_ = 0;
};

TEST_F(StartupTest, MailOnStartupSendsOneMailAtLoadAndNoneOnLaterChanges) {
    SmtpServer server(dir.path());
    ASSERT_GT(server.port(), 0) << "the SMTP server did not start";
    provide({"bsmtp"});
    writeIni({"[基本設定]", "IP監視周期=0", "[メール設定]", "IP変化時、現在のIPをメールで送信=False",
              "SMTPサーバ=127.0.0.1:" + std::to_string(server.port()), "送信先アドレス=owner@example.org",
              "返信アドレス=watcher@example.org", "起動時にIPをメールで送信する=True", "[ルーター用]",
              "ルーターIP取得機能を使用する=False"});
    // The host library repeats the local address, and the lookup is off: both go out as
    // "***.***.***.***".
    std::string local = "192.0.2.10";
    nw::CycleHooks& hooks = nw::cycleHooks();
    hooks.GIp = [&] { return local; };
    hooks.PIp = [] { return std::string("192.0.2.10"); };
    hooks.WIp2 = [] { return nw::WIp2(); };

    nw::ui::FormIP form;
    form.Form_Load();
    EXPECT_TRUE(boxes.boxes().empty()) << boxes.boxes().front().text;
    for (int i = 0; i < 100 && server.count() < 1; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    ASSERT_EQ(server.count(), 1);
    const std::string mail = server.mail(1);
    EXPECT_NE(mail.find("1stIP:192.0.2.10\r\n2ndIP:***.***.***.***\r\n3rdIP:***.***.***.***"), std::string::npos)
        << mail;
    EXPECT_FALSE(watcherState().MailRetryPending);

    // A later change is not mailed: MailOnChange is off.
    local = "192.0.2.20";
    nw::Timer1_Tick();
    EXPECT_EQ(watcherState().PreviousFirstAddress, "192.0.2.20");
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(server.count(), 1);
}

}  // namespace
