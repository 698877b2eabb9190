// Tray residency of the main window. Tests named NoTray* need a display without a tray host
// (offscreen has none); Tray* need a tray host and are skipped without one, unless
// NW_EXPECT_TRAY=1 says there must be one (the Xvfb + trayer run).
#include <gtest/gtest.h>

#include <csignal>

#include <QApplication>
#include <QElapsedTimer>
#include <QSystemTrayIcon>
#include <QWidget>
#include <cstdlib>
#include <string>
#include <vector>

#include "cycle.h"
#include "nw/platform/ui.h"
#include "recorder.h"
#include "state.h"
#include "tray.h"

namespace {

using nw::watcherState;
using namespace nw::ui;

constexpr const char* kNoTrayText = "通知領域が見つからないため常駐できません。";

void processEventsFor(int ms) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) QApplication::processEvents(QEventLoop::AllEvents, 10);
}

template <class Pred>
bool waitFor(Pred pred, int ms = 3000) {
    QElapsedTimer t;
    t.start();
    while (!pred()) {
        if (t.elapsed() > ms) return false;
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

std::array<char, kTrayTipBytes> field(const std::string& bytes) {
    std::array<char, kTrayTipBytes> tip;
    tip.fill(' ');
    std::copy_n(bytes.begin(), std::min(bytes.size(), tip.size()), tip.begin());
    return tip;
}

// Every request the tray service received.
struct Request {
    int request;
    TrayIconRecord record;
};

// Counts the events of one kind that reach a window through the filter chain.
class Counter : public QObject {
public:
    QEvent::Type type;
    std::vector<intptr_t> seen;
    explicit Counter(QEvent::Type t) : type(t) {}
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == type) seen.push_back(static_cast<TrayMessageEvent*>(e)->lParam);
        return false;
    }
};

class TrayFixture : public ::testing::Test {
protected:
    QWidget window;
    int entered = 0;
    std::vector<Request> requests;
    nwtest::MessageRecorder boxes;
    std::unique_ptr<TrayResidency> tray;

    void SetUp() override {
        watcherState() = nw::WatcherState{};
        auto& st = watcherState();
        st.FirstAddress = "192.0.2.10";
        st.SecondAddress = "198.51.100.7";
        st.WanAddress = "203.0.113.5";
        nw::setProgramTitle("Netwarden");
        setTrayRequestObserver([this](int r, const TrayIconRecord& rec) { requests.push_back({r, rec}); });
        window.resize(240, 76);
        window.show();
        tray = std::make_unique<TrayResidency>(&window, [this] { ++entered; });
    }

    void TearDown() override {
        tray.reset();
        setTrayRequestObserver({});
        watcherState() = nw::WatcherState{};
    }

    QSystemTrayIcon* icon() { return trayIconFor(&window, kTrayIconId); }

    // A mouse event on the icon as the tray reports it.
    void press(QSystemTrayIcon::ActivationReason reason) {
        QSystemTrayIcon* i = icon();
        ASSERT_NE(i, nullptr);
        emit i->activated(reason);
    }
};

class NoTray : public TrayFixture {
protected:
    void SetUp() override {
        if (QSystemTrayIcon::isSystemTrayAvailable()) GTEST_SKIP() << "a tray host is running";
        TrayFixture::SetUp();
    }
};

class Tray : public TrayFixture {
protected:
    void SetUp() override {
        if (!QSystemTrayIcon::isSystemTrayAvailable()) {
            const char* expect = std::getenv("NW_EXPECT_TRAY");
            if (expect && std::string(expect) == "1") FAIL() << "no tray host";
            GTEST_SKIP() << "no tray host";
        }
        TrayFixture::SetUp();
    }
};

TEST_F(NoTray, TheMenuCommandSaysWhyAndLeavesTheWindowShown) {
    tray->EnterTray();
    ASSERT_EQ(boxes.boxes().size(), 1u);
    EXPECT_EQ(boxes.boxes()[0], (nwtest::Box{"Netwarden", kNoTrayText}));
    EXPECT_TRUE(window.isVisible());
    EXPECT_FALSE(watcherState().InTray);
    EXPECT_EQ(entered, 0);
    EXPECT_TRUE(requests.empty());
}

TEST_F(NoTray, MinimizingLeavesTheWindowMinimizedAndSaysNothing) {
    window.showMinimized();
    tray->Form_Resize();
    tray->EnterTray();  // as a form that enters on minimizing calls it
    EXPECT_TRUE(boxes.boxes().empty());
    EXPECT_TRUE(window.isVisible());
    EXPECT_TRUE(window.windowState() & Qt::WindowMinimized);
    EXPECT_FALSE(watcherState().InTray);
    EXPECT_TRUE(requests.empty());
}

TEST(TipBytes, TheFieldIsCp932CutWithoutSplittingACharacter) {
    struct Case {
        std::string text;
        std::string bytes;  // before padding
    };
    const std::string a63(63, 'a');
    const std::vector<Case> cases = {
        {"1.2.3.4", "1.2.3.4"},
        {std::string(70, 'a'), std::string(64, 'a')},
        {"\xE3\x81\x82", "\x82\xA0"},                              // one double-byte character
        {a63 + "\xE3\x81\x82", a63},                                // it would straddle the end
        {std::string(62, 'a') + "\xE3\x81\x82", std::string(62, 'a') + "\x82\xA0"},
    };
    for (const Case& c : cases) EXPECT_EQ(toTipBytes(c.text), field(c.bytes)) << c.text;
}

TEST(TipBytes, TheTrayShowsUpToTheNulAndAtMost63Bytes) {
    std::string nul(1, '\0');
    struct Case {
        std::string bytes;
        QString shown;
    };
    const std::vector<Case> cases = {
        {"a\r\nb\r\nc" + nul + "junk", "a\nb\nc"},
        {std::string(64, 'x'), QString(63, 'x')},
        {std::string(62, 'x') + "\x82\xA0", QString(62, 'x')},  // the 63-byte cut falls inside a character
        {"\x82\xA0" + nul, QString::fromUtf8("\xE3\x81\x82")},
    };
    for (const Case& c : cases) EXPECT_EQ(tipToolTip(field(c.bytes)), c.shown) << c.bytes;
}

TEST_F(Tray, EnteringAddsOneIconWithTheUnlabelledTipAndHidesTheWindow) {
    watcherState().TrayTipText = nw::LabelledTipText("old", "old", "old");  // a cycle ran before
    tray->UpdateTrayTip(nw::MakeTipField(watcherState().TrayTipText));
    EXPECT_EQ(icon(), nullptr);  // refused: no icon yet
    requests.clear();

    tray->EnterTray();
    ASSERT_EQ(requests.size(), 1u);
    const TrayIconRecord& rec = requests[0].record;
    EXPECT_EQ(requests[0].request, NIM_ADD);
    EXPECT_EQ(rec.cbSize, 152u);
    EXPECT_EQ(rec.hWnd, &window);
    EXPECT_EQ(rec.uID, 10u);
    EXPECT_EQ(rec.uFlags, 7u);
    EXPECT_EQ(rec.uCallbackMessage, 1025u);
    EXPECT_EQ(rec.szTip, field(std::string("192.0.2.10\r\n198.51.100.7\r\n203.0.113.5") + '\0'));

    ASSERT_NE(icon(), nullptr);
    EXPECT_TRUE(icon()->isVisible());
    EXPECT_EQ(icon()->toolTip(), "192.0.2.10\n198.51.100.7\n203.0.113.5");
    EXPECT_FALSE(window.isVisible());
    EXPECT_TRUE(watcherState().InTray);
    EXPECT_EQ(entered, 1);
    EXPECT_EQ(tray->SavedWindowProc(), nullptr);  // the window's own handling

    // The next cycle's tip carries the labels.
    tray->UpdateTrayTip(nw::MakeTipField(nw::LabelledTipText("192.0.2.10", "198.51.100.7", "203.0.113.6")));
    EXPECT_EQ(icon()->toolTip(), "G:192.0.2.10\nP:198.51.100.7\nW:203.0.113.6");
    EXPECT_EQ(requests.back().request, NIM_MODIFY);
    EXPECT_EQ(requests.back().record.uFlags, 7u);

    // A second entry adds no second icon and installs nothing twice, but hides and notifies again.
    window.show();
    requests.clear();
    tray->EnterTray();
    EXPECT_TRUE(requests.empty());
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(entered, 2);
    EXPECT_EQ(tray->SavedWindowProc(), nullptr);
    EXPECT_TRUE(QSystemTrayIcon::isSystemTrayAvailable());
}

TEST_F(Tray, OnlyALeftPressBringsTheWindowBackAndEveryIconMessagePauses) {
    tray->EnterTray();
    for (auto reason : {QSystemTrayIcon::Context, QSystemTrayIcon::DoubleClick, QSystemTrayIcon::MiddleClick}) {
        QElapsedTimer t;
        t.start();
        press(reason);
        processEventsFor(50);
        EXPECT_GE(t.elapsed(), 100) << reason;
        EXPECT_FALSE(window.isVisible()) << reason;
        EXPECT_TRUE(watcherState().InTray);
    }

    requests.clear();
    press(QSystemTrayIcon::Trigger);
    ASSERT_TRUE(waitFor([&] { return window.isVisible(); }));
    EXPECT_FALSE(watcherState().InTray);
    EXPECT_EQ(window.windowState(), Qt::WindowNoState);
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].request, NIM_DELETE);
    EXPECT_EQ(requests[0].record.cbSize, 152u);
    EXPECT_EQ(requests[0].record.uID, 10u);
    EXPECT_EQ(requests[0].record.uFlags, 0u);
    EXPECT_TRUE(waitFor([&] { return icon() == nullptr; }));
    EXPECT_EQ(entered, 1);  // nothing reopens what entering closed

    // The handler is gone with the icon: a stray press message does nothing now.
    QApplication::postEvent(&window, new TrayMessageEvent(kTrayCallbackMessage, kTrayIconId, kLeftButtonDown));
    window.hide();
    processEventsFor(50);
    EXPECT_FALSE(window.isVisible());
    window.show();

    // Entering again adds the icon anew with the addresses as they are now.
    watcherState().WanAddress = "203.0.113.9";
    requests.clear();
    tray->EnterTray();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].request, NIM_ADD);
    ASSERT_NE(icon(), nullptr);
    EXPECT_EQ(icon()->toolTip(), "192.0.2.10\n198.51.100.7\n203.0.113.9");
}

TEST_F(Tray, MinimizingEntersAndTheWayBackIsTheNormalState) {
    tray->Form_Resize();  // not minimized: nothing
    EXPECT_FALSE(watcherState().InTray);

    window.showMinimized();
    tray->Form_Resize();
    EXPECT_TRUE(watcherState().InTray);
    EXPECT_FALSE(window.isVisible());

    press(QSystemTrayIcon::Trigger);
    ASSERT_TRUE(waitFor([&] { return window.isVisible(); }));
    EXPECT_FALSE(window.windowState() & Qt::WindowMinimized);
    EXPECT_TRUE(boxes.boxes().empty());
}

TEST_F(Tray, TheWindowsOwnHandlingSeesIconMessagesFirstAndIsRestored) {
    Counter before(TrayMessageEvent::eventType());
    ASSERT_EQ(SetWindowProc(&window, &before), nullptr);
    tray->EnterTray();
    EXPECT_EQ(tray->SavedWindowProc(), &before);

    press(QSystemTrayIcon::Context);
    processEventsFor(150);
    EXPECT_EQ(before.seen, std::vector<intptr_t>{kRightButtonDown});

    press(QSystemTrayIcon::Trigger);
    ASSERT_TRUE(waitFor([&] { return window.isVisible(); }));
    EXPECT_EQ(before.seen, (std::vector<intptr_t>{kRightButtonDown, kLeftButtonDown}));
    // Back in place: swapping again hands it out.
    EXPECT_EQ(SetWindowProc(&window, nullptr), &before);
}

TEST_F(Tray, RemovingTheIconAtShutdownPutsTheHandlerBack) {
    tray->RemoveTrayIcon();  // not in the tray: nothing to do
    EXPECT_TRUE(requests.empty());

    tray->EnterTray();
    tray->RemoveTrayIcon();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[1].request, NIM_DELETE);
    EXPECT_FALSE(watcherState().InTray);
    EXPECT_TRUE(waitFor([&] { return icon() == nullptr; }));
    EXPECT_EQ(SetWindowProc(&window, nullptr), nullptr);  // our handler is out of the chain
}

// Run alone and last: it ends the tray host named by NW_TRAYER_PID.
TEST_F(Tray, LosingTheTrayHostBringsTheWindowBack) {
    const char* trayer = std::getenv("NW_TRAYER_PID");
    if (!trayer) GTEST_SKIP() << "NW_TRAYER_PID not set";
    tray->EnterTray();
    ASSERT_TRUE(watcherState().InTray);
    ASSERT_FALSE(window.isVisible());
    ASSERT_EQ(::kill(std::atoi(trayer), SIGTERM), 0);
    EXPECT_TRUE(waitFor([&] { return window.isVisible(); }, 10000));
    EXPECT_FALSE(watcherState().InTray);
    EXPECT_EQ(window.windowState() & Qt::WindowMinimized, 0);
}

}  // namespace
