// The settings dialog, offscreen: values in and out, the number boxes and their up-downs, OK and
// Cancel, the pages and their keyboard order, the test buttons with fake operations, browse.
#include <gtest/gtest.h>
#include <sys/fsuid.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFrame>
#include <QGroupBox>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "cycle.h"
#include "formset.h"
#include "formset_logic.h"
#include "lookup.h"
#include "nw/platform/error.h"
#include "nw/platform/folder.h"
#include "recorder.h"
#include "settings.h"
#include "state.h"
#include "twips.h"
#include "updown.h"

namespace {

using nw::settings;
using nw::watcherState;
using nw::ui::FormSet;

class FakeView : public nw::AddressView {
public:
    std::string text1 = "-", text2 = "-", text3 = "-";
    void setText1(const std::string& t) override { text1 = t; }
    void setText2(const std::string& t) override { text2 = t; }
    void setText3(const std::string& t) override { text3 = t; }
};

struct MailCall {
    std::string smtp, to, reply, pop3, id, pass;
    bool receiveFirst;
};

struct FetchCall {
    std::string url;
    bool advanced;
    std::string start, end, charset, separator;
    int32_t ordinal;
};

std::string str(const QLineEdit* box) { return box->text().toStdString(); }

// A paste: the whole text replaced in one change.
void paste(QLineEdit* box, const QString& text) {
    box->selectAll();
    box->insert(text);
}

class FormSetTest : public ::testing::Test {
protected:
    nwtest::TempDir dir;
    nwtest::MessageRecorder boxes;
    FakeView view;

    std::vector<MailCall> mails;
    bool mailResult = true;
    std::function<void()> duringCall;  // runs inside a fake operation
    std::vector<FetchCall> fetches;
    std::string fetchResult = "203.0.113.5";
    std::vector<std::string> launches;
    int wanReads = 0;
    std::string first = "192.0.2.10", second = "198.51.100.7";

    void SetUp() override {
        nw::setProgramFolderForTesting(dir.path());
        settings() = nw::Settings{};
        settings().WatchIntervalSeconds = 600;
        settings().RetryCount = 3;
        settings().AddressOrdinal = 1;
        watcherState() = nw::WatcherState{};
        nw::ui::detailFlags() = nw::ui::DetailFlags{};

        nw::ui::FormSetServices& s = nw::ui::formSetServices();
        s.MailTestOnSub = [this](const std::string& smtp, const std::string& to, const std::string& reply,
                                 const std::string& pop3, const std::string& id, const std::string& pass, bool rsv) {
            mails.push_back({smtp, to, reply, pop3, id, pass, rsv});
            if (duringCall) duringCall();
            return mailResult;
        };
        s.AppTestOnSub = [this](const std::string& path) { launches.push_back(path); };
        s.FetchWanAddress = [this](const std::string& url, bool adv, const std::string& start, const std::string& end,
                                   const std::string& charset, const std::string& sep, int32_t ordinal) {
            fetches.push_back({url, adv, start, end, charset, sep, ordinal});
            if (duringCall) duringCall();
            return fetchResult;
        };
        nw::CycleHooks& hooks = nw::cycleHooks();
        hooks.GIp = [this] { return first; };
        hooks.PIp = [this] { return second; };
        hooks.WIp2 = [this] {
            ++wanReads;
            return std::string("203.0.113.77");
        };
        nw::setAddressView(&view);
    }

    void TearDown() override {
        if (FormSet* f = nw::ui::settingsDialog()) f->unload();
        flushDeletes();
        nw::ui::resetFormSetServices();
        nw::resetCycleHooks();
        nw::setAddressView(nullptr);
        nw::setProgramFolderForTesting("");
    }

    static void flushDeletes() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

    FormSet* open() {
        nw::ui::showSettingsDialog();
        return nw::ui::settingsDialog();
    }

    std::string iniValue(const std::string& section, const std::string& key) {
        return nw::ReadIniValue(section, key, nw::settingsPath());
    }

    static int px(const QWidget* w, int twips) { return nw::ui::twipsY(w, twips); }
};

// ---- number boxes ---------------------------------------------------------------------------

TEST_F(FormSetTest, NumberBoxesCheckWhatIsTypedAndMoveTheirUpDown) {
    struct Case {
        const char* box;
        const char* typed;
        const char* shown;  // the box afterwards
        int upDown;         // the up-down afterwards
        int field;          // the field in memory afterwards
    };
    // Start: watch period 600, retry count 3, ordinal 1.
    const Case cases[] = {
        {"Text1", "abc", "100000", 100000, 100000},
        {"Text1", "", "100000", 100000, 100000},
        {"Text1", "99999999999", "100000", 100000, 100000},  // beyond 32 bits
        {"Text1", "0", "0", 600, 600},                       // outside the up-down: left alone
        {"Text1", "250", "250", 250, 250},
        {"Text9", "x", "1", 1, 1},
        {"Text9", "", "1", 1, 1},
        {"Text9", "2.5", "2", 2, 2},  // the up-down takes 2 (halves to even) and rewrites the box
        {"Text9", "40000", "40000", 3, 3},
        {"Text14", "z", "1", 1, 1},
        {"Text14", "50", "50", 50, 50},
        {"Text14", "500", "500", 1, 1},
        {"Text14", "1e12", "1e12", 1, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.box) + " <- '" + c.typed + "'");
        settings().WatchIntervalSeconds = 600;
        settings().RetryCount = 3;
        settings().AddressOrdinal = 1;
        FormSet* f = open();
        QLineEdit* box = f->findChild<QLineEdit*>(c.box);
        ASSERT_NE(box, nullptr);
        paste(box, QString::fromUtf8(c.typed));
        EXPECT_EQ(str(box), c.shown);
        const std::string name = c.box;
        if (name == "Text1") {
            EXPECT_EQ(f->UpDown1->value(), c.upDown);
            EXPECT_EQ(settings().WatchIntervalSeconds, c.field);
        } else if (name == "Text9") {
            EXPECT_EQ(f->UpDown2->value(), c.upDown);
            EXPECT_EQ(settings().RetryCount, c.field);
        } else {
            EXPECT_EQ(f->UpDown3->value(), c.upDown);
            EXPECT_EQ(settings().AddressOrdinal, c.field);
        }
        f->unload();
        flushDeletes();
    }
}

TEST_F(FormSetTest, TypedLettersTurnIntoTheFallbackAlsoWhenTypedKeyByKey) {
    FormSet* f = open();
    f->Text1->setFocus();
    f->Text1->end(false);
    QTest::keyClicks(f->Text1, "q");
    EXPECT_EQ(str(f->Text1), "100000");
    QTest::keyClick(f->Text9, Qt::Key_Backspace);  // "3" emptied
    EXPECT_EQ(str(f->Text9), "1");
    EXPECT_EQ(settings().RetryCount, 1);
}

TEST_F(FormSetTest, UpDownArrowsWriteBoxAndFieldAtOnceAndStopAtTheirBounds) {
    settings().AddressOrdinal = 99;
    FormSet* f = open();
    QTest::mouseClick(f->UpDown3->upButton(), Qt::LeftButton);
    EXPECT_EQ(str(f->Text14), "100");
    EXPECT_EQ(settings().AddressOrdinal, 100);
    QTest::mouseClick(f->UpDown3->upButton(), Qt::LeftButton);
    EXPECT_EQ(f->UpDown3->value(), 100);
    QTest::mouseClick(f->UpDown2->downButton(), Qt::LeftButton);
    EXPECT_EQ(str(f->Text9), "2");
    EXPECT_EQ(settings().RetryCount, 2);
}

TEST_F(FormSetTest, UpDownMoveThenCancelKeepsTheValueInMemoryButNotInTheFile) {
    nw::SaveSettings();
    FormSet* f = open();
    QTest::mouseClick(f->UpDown2->upButton(), Qt::LeftButton);
    EXPECT_EQ(settings().RetryCount, 4);
    QTest::mouseClick(f->Command3, Qt::LeftButton);
    EXPECT_EQ(nw::ui::settingsDialog(), nullptr);
    flushDeletes();
    EXPECT_EQ(settings().RetryCount, 4);
    EXPECT_EQ(iniValue("メール設定", "再試行回数"), "3");
    // The next showing loads afresh from memory.
    EXPECT_EQ(str(open()->Text9), "4");
}

TEST_F(FormSetTest, CreationBoundsTheWatchPeriodAndShowsOtherNumbersAsStored) {
    struct Case {
        int32_t watch;
        int16_t retry;
        const char* shownWatch;
        int32_t watchAfter;
        const char* shownRetry;
        int retryUpDown;
    };
    const Case cases[] = {
        {0, 3, "1", 1, "3", 3},
        {250000, 3, "100000", 100000, "3", 3},
        {-5, 0, "1", 1, "0", 1},  // a retry count of 0 stays as stored; the up-down keeps its place
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.watch);
        settings().WatchIntervalSeconds = c.watch;
        settings().RetryCount = c.retry;
        // Hiding a dialog that is not loaded loads it, hidden.
        nw::ui::hideSettingsDialog();
        FormSet* f = nw::ui::settingsDialog();
        ASSERT_NE(f, nullptr);
        EXPECT_FALSE(f->isVisible());
        EXPECT_EQ(str(f->Text1), c.shownWatch);
        EXPECT_EQ(f->UpDown1->value(), c.watchAfter);
        EXPECT_EQ(settings().WatchIntervalSeconds, c.watchAfter);
        EXPECT_EQ(str(f->Text9), c.shownRetry);
        EXPECT_EQ(f->UpDown2->value(), c.retryUpDown);
        EXPECT_EQ(settings().RetryCount, c.retry);
        f->unload();
        flushDeletes();
    }
}

// ---- values in and out ----------------------------------------------------------------------

TEST_F(FormSetTest, OkCopiesEveryControlIntoSettingsAndTheFile) {
    nw::Settings& s = settings();
    s.SmtpServer = "smtp.example:25";
    s.MailTo = "to@example.org";
    s.Pop3Password = "pw";
    s.MailOnChange = true;
    s.LookupUrl = "http://127.0.0.1/ip";
    s.ParseStartMarker = "<b>=";
    FormSet* f = open();
    // What DAINYUU2 put in.
    EXPECT_EQ(str(f->Text2), "smtp.example:25");
    EXPECT_EQ(str(f->Text3), "to@example.org");
    EXPECT_EQ(str(f->Text8), "pw");
    EXPECT_EQ(f->Check1->checkState(), Qt::Checked);
    EXPECT_EQ(str(f->Text13), "http://127.0.0.1/ip");
    EXPECT_EQ(str(f->Text10), "<b>=");

    f->Text1->setText("30");
    f->Check1->setCheckState(Qt::PartiallyChecked);  // greyed counts as unticked
    f->Check2->setChecked(true);
    f->Text4->setText("me@example.org");
    f->Text5->setText("/usr/bin/env true");
    f->Check3->setChecked(true);
    f->Text6->setText("pop.example");
    f->Text7->setText("user");
    f->Check4->setChecked(true);
    f->Check5->setChecked(true);
    f->Check6->setChecked(true);
    f->Text11->setText("</b>");
    f->Text12->setText(",");
    f->Option1[1]->setChecked(true);
    f->Command2->click();

    nw::Settings want = s;  // reloaded from the file by OK
    EXPECT_EQ(want.WatchIntervalSeconds, 30);
    EXPECT_FALSE(want.MailOnChange);
    EXPECT_TRUE(want.RunAppOnChange);
    EXPECT_EQ(want.ReplyAddress, "me@example.org");
    EXPECT_EQ(want.AppPath, "/usr/bin/env true");
    EXPECT_TRUE(want.PopBeforeSmtp);
    EXPECT_EQ(want.Pop3Server, "pop.example");
    EXPECT_EQ(want.Pop3User, "user");
    EXPECT_TRUE(want.UseRouterLookup);
    EXPECT_TRUE(want.UseAdvancedParse);
    EXPECT_TRUE(want.MailOnStartup);
    EXPECT_EQ(want.ParseStartMarker, "<b>=");
    EXPECT_EQ(want.ParseEndMarker, "</b>");
    EXPECT_EQ(want.AddressSeparator, ",");
    EXPECT_EQ(want.PageCharset, "euc");
    EXPECT_EQ(iniValue("アプリケーション設定", "パス"), "/usr/bin/env true");
    EXPECT_EQ(iniValue("ルーター用", "HTML解析開始文字列"), "<b>=");
}

TEST_F(FormSetTest, NumbersThatDoNotFitTheirFieldAreSettledByOk) {
    struct Case {
        const char* box;
        const char* typed;
        const char* shown;  // the box after OK
        int32_t stored;
    };
    const Case cases[] = {
        {"Text9", "40000", "32767", 32767},
        {"Text9", "-40000", "-32768", -32768},
        {"Text9", "1e12", "32767", 32767},
        {"Text14", "1e12", "1", 1},
        {"Text14", "500", "500", 500},
        {"Text1", "0", "0", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.box) + " <- " + c.typed);
        FormSet* f = open();
        QLineEdit* box = f->findChild<QLineEdit*>(c.box);
        paste(box, QString::fromUtf8(c.typed));
        f->Command2->click();
        EXPECT_EQ(str(box), c.shown);
        const std::string name = c.box;
        const int32_t stored = name == "Text9"    ? settings().RetryCount
                               : name == "Text14" ? settings().AddressOrdinal
                                                  : settings().WatchIntervalSeconds;
        EXPECT_EQ(stored, c.stored);
        f->unload();
        flushDeletes();
    }
}

TEST_F(FormSetTest, ZeroWatchPeriodIsSavedAndBecomesOneAtTheNextLoad) {
    FormSet* f = open();
    paste(f->Text1, "0");
    f->Command2->click();
    EXPECT_EQ(iniValue("基本設定", "IP監視周期"), "0");
    EXPECT_EQ(settings().WatchIntervalSeconds, 0);
    f->unload();
    flushDeletes();
    f = open();
    EXPECT_EQ(str(f->Text1), "1");
    EXPECT_EQ(settings().WatchIntervalSeconds, 1);
}

TEST_F(FormSetTest, PageCharsetSelectsItsOptionAndOkKeepsIt) {
    struct Case {
        const char* stored;
        int selected;  // Option1 index, -1 none
        const char* saved;
    };
    const Case cases[] = {
        {"", 0, "sjis"}, {"SJIS", 0, "sjis"}, {"utf8", 0, "sjis"}, {"sjis", 0, "sjis"}, {"euc", 1, "euc"}, {"uni", 2, "uni"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stored);
        settings().PageCharset = c.stored;
        FormSet* f = open();
        for (int i = 0; i < 3; ++i) EXPECT_EQ(f->Option1[i]->isChecked(), i == c.selected) << i;
        f->TabStrip1->setCurrentIndex(3);
        f->Command8->click();
        EXPECT_TRUE(f->Option1[0]->isVisible());
        EXPECT_FALSE(f->Option1[2]->isVisible());  // "UNICODE" is never shown
        f->Command2->click();
        EXPECT_EQ(settings().PageCharset, c.saved);
        f->unload();
        flushDeletes();
    }
}

// ---- OK and Cancel --------------------------------------------------------------------------

TEST_F(FormSetTest, OkSavesHidesReloadsAndRefreshesTheAddresses) {
    struct Case {
        bool lookup;
        std::string second;  // what the host library gives
        std::string text2, text3, wan;
        int wanReads;
    };
    const Case cases[] = {
        {false, "198.51.100.7", "198.51.100.7", "***.***.***.***", "203.0.113.5", 0},
        {true, "192.0.2.10", "***.***.***.***", "203.0.113.77", "203.0.113.77", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.lookup);
        watcherState().WanAddress = "203.0.113.5";
        watcherState().MailFailureCount = 4;
        watcherState().TickCount = 17;
        second = c.second;
        wanReads = 0;
        view = FakeView{};
        FormSet* f = open();
        f->Check4->setChecked(c.lookup);
        f->Text2->setText("smtp.test");
        f->Command2->click();

        EXPECT_EQ(nw::ui::settingsDialog(), f);  // hidden, not unloaded
        EXPECT_FALSE(f->isVisible());
        EXPECT_EQ(f->windowTitle().toStdString(), "設定");
        EXPECT_EQ(watcherState().MailFailureCount, 0);
        EXPECT_EQ(watcherState().TickCount, 17);
        EXPECT_EQ(iniValue("メール設定", "SMTPサーバ"), "smtp.test");
        EXPECT_EQ(view.text1, "192.0.2.10");
        EXPECT_EQ(view.text2, c.text2);
        EXPECT_EQ(view.text3, c.text3);
        EXPECT_EQ(watcherState().WanAddress, c.wan);
        EXPECT_EQ(wanReads, c.wanReads);
        f->unload();
        flushDeletes();
    }
    EXPECT_TRUE(boxes.boxes().empty());
}

TEST_F(FormSetTest, OkReportsAReaderThatRaisesAndGoesOn) {
    nw::cycleHooks().PIp = []() -> std::string { throw nw::makeError(nw::err::LibraryLoad, "libHostexp.so"); };
    FormSet* f = open();
    f->Command2->click();
    ASSERT_EQ(boxes.boxes().size(), 1u);
    EXPECT_EQ(boxes.boxes()[0].text, nw::makeError(nw::err::LibraryLoad, "libHostexp.so").report());
    EXPECT_EQ(view.text1, "192.0.2.10");
    EXPECT_EQ(view.text2, "***.***.***.***");
    EXPECT_EQ(view.text3, "***.***.***.***");
}

TEST_F(FormSetTest, ShowingAfterOkKeepsPageStateAndValuesWithoutReloading) {
    FormSet* f = open();
    f->TabStrip1->setCurrentIndex(3);
    f->Command8->click();
    f->Text2->setText("typed");
    f->Command2->click();
    settings().SmtpServer = "changed in memory";
    settings().WatchIntervalSeconds = 0;  // init would bound it

    nw::ui::showSettingsDialog();
    EXPECT_EQ(nw::ui::settingsDialog(), f);
    EXPECT_TRUE(f->isVisible());
    EXPECT_EQ(f->TabStrip1->currentIndex(), 3);
    EXPECT_TRUE(f->Check5->isVisible());
    EXPECT_EQ(f->height(), px(f, 6270));
    EXPECT_EQ(str(f->Text2), "typed");
    EXPECT_EQ(settings().WatchIntervalSeconds, 0);
}

TEST_F(FormSetTest, CancelAndClosingUnloadAndTheNextShowingStartsAfresh) {
    for (bool byFrame : {false, true}) {
        SCOPED_TRACE(byFrame);
        FormSet* f = open();
        f->TabStrip1->setCurrentIndex(1);
        f->Command4->click();
        f->Text2->setText("not kept");
        if (byFrame) {
            f->close();
        } else {
            f->Command3->click();
        }
        EXPECT_EQ(nw::ui::settingsDialog(), nullptr);
        flushDeletes();
        EXPECT_TRUE(nw::ui::detailFlags().MailDetailShown);  // the flag outlives the dialog

        f = open();
        EXPECT_EQ(f->TabStrip1->currentIndex(), 0);
        EXPECT_TRUE(f->Frm_kihon->isVisible());
        EXPECT_TRUE(f->Check3->isHidden());
        EXPECT_EQ(f->height(), px(f, 3705));
        EXPECT_EQ(str(f->Text2), "");
        EXPECT_EQ(settings().SmtpServer, "");
        // The stale flag makes the next tab switch collapse once more, unseen, and clears it.
        f->TabStrip1->setCurrentIndex(2);
        EXPECT_FALSE(nw::ui::detailFlags().MailDetailShown);
        EXPECT_EQ(f->height(), px(f, 3705));
        f->unload();
        flushDeletes();
    }
}

// Root is not stopped by a read-only folder; the checks of the file system run as nobody then.
class Unprivileged {
public:
    Unprivileged() : root_(geteuid() == 0) {
        if (root_) setfsuid(65534);
    }
    ~Unprivileged() {
        if (root_) setfsuid(0);
    }

private:
    bool root_;
};

TEST_F(FormSetTest, FailedSaveIsReportedAndKeepsDialogMemoryAndFile) {
    nw::SaveSettings();
    const std::string before = nwtest::readFile(nw::settingsPath());
    const nw::Settings inMemory = settings();
    watcherState().MailFailureCount = 2;
    FormSet* f = open();
    f->Text2->setText("smtp.new");
    paste(f->Text9, "40000");

    ASSERT_EQ(chmod(dir.path().c_str(), 0555), 0);
    ASSERT_EQ(chmod(nw::settingsPath().c_str(), 0444), 0);
    {
        Unprivileged nobody;
        f->Command2->click();
    }
    chmod(dir.path().c_str(), 0755);

    ASSERT_EQ(boxes.boxes().size(), 1u);
    EXPECT_EQ(boxes.boxes()[0].caption, "エラーメッセージ");
    EXPECT_FALSE(boxes.boxes()[0].text.empty());
    EXPECT_EQ(nw::ui::settingsDialog(), f);
    EXPECT_TRUE(f->isVisible());
    EXPECT_EQ(f->windowTitle().toStdString(), "設定");
    EXPECT_EQ(str(f->Text2), "smtp.new");
    EXPECT_EQ(settings(), inMemory);
    EXPECT_EQ(watcherState().MailFailureCount, 2);
    EXPECT_EQ(nwtest::readFile(nw::settingsPath()), before);
    EXPECT_EQ(view.text1, "-");  // no re-reading either
}

// ---- pages ----------------------------------------------------------------------------------

TEST_F(FormSetTest, ExpandingAPageGrowsTheWindowAndAnotherTabCollapsesIt) {
    FormSet* f = open();
    EXPECT_EQ(f->windowTitle().toStdString(), "設定");
    EXPECT_EQ(f->height(), px(f, 3705));
    EXPECT_EQ(f->width(), nw::ui::twipsX(f, 5565));
    EXPECT_EQ(f->Command2->y(), px(f, 2640));

    struct Case {
        int tab;
        QPushButton* expand;
        QPushButton* test;
        QWidget* shownFirst;  // shown only when expanded
        int window, buttons, testLeft, testTop;
        std::vector<QWidget*> nowSeen;
    };
    const Case cases[] = {
        {1, f->Command4, f->Command5, f->Check3, 6970, 5905, 3690, 4745,
         {f->Text6, f->Text7, f->Text8, f->Text9, f->UpDown2, f->Check6}},
        {3, f->Command8, f->Command7, f->Check5, 6270, 5205, 3690, 4245,
         {f->Frame5, f->Frame6, f->Text10, f->Text11, f->Text14, f->UpDown3, f->Text12}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.tab);
        f->TabStrip1->setCurrentIndex(c.tab);
        QWidget* page = c.test->parentWidget();
        EXPECT_TRUE(page->isVisible());
        EXPECT_TRUE(c.shownFirst->isHidden());
        c.expand->click();
        EXPECT_TRUE(c.expand->isHidden());
        EXPECT_FALSE(c.shownFirst->isHidden());
        EXPECT_EQ(f->height(), px(f, c.window));
        EXPECT_EQ(f->Command2->y(), px(f, c.buttons));
        EXPECT_EQ(f->Command3->y(), px(f, c.buttons));
        EXPECT_EQ(c.test->pos(), QPoint(nw::ui::twipsX(f, c.testLeft), px(f, c.testTop)));
        // Every control of the expanded page lies inside the page and the window.
        for (QWidget* w : c.nowSeen) {
            EXPECT_TRUE(w->isVisible()) << w->objectName().toStdString();
            const QRect r(w->mapTo(f, QPoint(0, 0)), w->size());
            EXPECT_TRUE(QRect(QPoint(0, 0), page->size()).contains(QRect(w->mapTo(page, QPoint(0, 0)), w->size())))
                << w->objectName().toStdString();
            EXPECT_LE(r.bottom(), f->Command2->y()) << w->objectName().toStdString();
        }
        // A click on its own tab changes nothing.
        f->TabStrip1->tabBarClicked(c.tab);
        EXPECT_EQ(f->height(), px(f, c.window));
        // Another tab collapses it.
        f->TabStrip1->setCurrentIndex(c.tab == 1 ? 3 : 1);
        EXPECT_EQ(f->height(), px(f, 3705));
        EXPECT_EQ(f->Command2->y(), px(f, 2640));
        EXPECT_TRUE(c.shownFirst->isHidden());
        EXPECT_FALSE(c.expand->isHidden());
        EXPECT_EQ(c.test->pos(), QPoint(nw::ui::twipsX(f, 2280), px(f, 1680)));
        EXPECT_FALSE(nw::ui::detailFlags().MailDetailShown);
        EXPECT_FALSE(nw::ui::detailFlags().RouterDetailShown);
        // Coming back shows it collapsed.
        f->TabStrip1->setCurrentIndex(c.tab);
        EXPECT_TRUE(c.shownFirst->isHidden());
        EXPECT_EQ(f->height(), px(f, 3705));
    }
}

TEST_F(FormSetTest, TabSwitchPutsTheUpDownValueBackIntoTheWatchPeriodBox) {
    FormSet* f = open();
    paste(f->Text1, "0");
    EXPECT_EQ(str(f->Text1), "0");
    f->TabStrip1->setCurrentIndex(1);
    EXPECT_EQ(str(f->Text1), "600");
}

TEST_F(FormSetTest, TabStripHasFourKeyedTabs) {
    FormSet* f = open();
    QTabBar* bar = f->TabStrip1->tabBar();
    ASSERT_EQ(bar->count(), 4);
    const char* const keys[] = {"key1", "key2", "key3", "key4"};
    const char* const captions[] = {"基本設定", "メール", "実行ファイル", "ルーター用"};
    const char* const tips[] = {"基本設定", "メールの設定", "実行ファイルの設定", "wanのIP取得の設定"};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(bar->tabData(i).toString().toStdString(), keys[i]);
        EXPECT_EQ(bar->tabText(i).toStdString(), captions[i]);
        EXPECT_EQ(bar->tabToolTip(i).toStdString(), tips[i]);
        // Every tab is in sight, whole.
        EXPECT_LE(bar->tabRect(i).right(), f->TabStrip1->width()) << i;
    }
}

// The controls that Tab visits, from the first one round to it again.
std::vector<std::string> tabCycle(FormSet* f, QWidget* start) {
    start->setFocus(Qt::TabFocusReason);
    std::vector<std::string> seen;
    for (int i = 0; i < 20; ++i) {
        QWidget* w = QApplication::focusWidget();
        if (!w) break;
        if (i > 0 && w == start) break;
        seen.push_back(w == f->TabStrip1->tabBar() ? "strip" : w->objectName().toStdString());
        QTest::keyClick(w, Qt::Key_Tab);
    }
    return seen;
}

TEST_F(FormSetTest, TabKeyVisitsEachStateInItsOrder) {
    FormSet* f = open();
    QApplication::setActiveWindow(f);
    ASSERT_TRUE(QTest::qWaitForWindowActive(f));
    using V = std::vector<std::string>;
    EXPECT_EQ(tabCycle(f, f->Text1), (V{"Text1", "Check1", "Check2", "Command2", "Command3", "strip"}));

    f->TabStrip1->setCurrentIndex(1);
    EXPECT_EQ(tabCycle(f, f->Text2),
              (V{"Text2", "Text3", "Text4", "Command5", "Command4", "Command2", "Command3", "strip"}));
    f->Command4->click();
    EXPECT_EQ(tabCycle(f, f->Text2), (V{"Text2", "Text3", "Text4", "Check3", "Text6", "Text7", "Text8", "Text9",
                                        "Command5", "Command2", "Command3", "strip", "Check6"}));

    f->TabStrip1->setCurrentIndex(2);
    EXPECT_EQ(tabCycle(f, f->Text5), (V{"Text5", "Command6", "Command1", "Command2", "Command3", "strip"}));

    f->TabStrip1->setCurrentIndex(3);
    EXPECT_EQ(tabCycle(f, f->Check4), (V{"Check4", "Text13", "Command7", "Command8", "Command2", "Command3", "strip"}));
    f->Command8->click();
    const V expanded{"Check4", "Text13", "Check5", "Text10", "Text11", "Option1_0",
                     "Text14", "Text12", "Command7", "Command2", "Command3", "strip"};
    EXPECT_EQ(tabCycle(f, f->Check4), expanded);
    f->Option1[1]->setChecked(true);
    V withEuc = expanded;
    withEuc[5] = "Option1_1";
    EXPECT_EQ(tabCycle(f, f->Check4), withEuc);

    // Back to the mail page: collapsed again, and so is its order.
    f->TabStrip1->setCurrentIndex(1);
    EXPECT_EQ(tabCycle(f, f->Text2),
              (V{"Text2", "Text3", "Text4", "Command5", "Command4", "Command2", "Command3", "strip"}));
    EXPECT_EQ(f->UpDown1->focusPolicy(), Qt::NoFocus);
}

// ---- test buttons ---------------------------------------------------------------------------

TEST_F(FormSetTest, SendTestUsesTheUnsavedValuesAndRestoresTheButton) {
    settings().SmtpServer = "saved.smtp";
    FormSet* f = open();
    f->TabStrip1->setCurrentIndex(1);
    f->Command4->click();
    f->Text2->setText("127.0.0.1:2525");
    f->Text3->setText("to@test");
    f->Text4->setText("from@test");
    f->Text6->setText("127.0.0.1:1110");
    f->Text7->setText("u");
    f->Text8->setText("p");

    struct Case {
        Qt::CheckState check3;
        bool receiveFirst;
        int outcome;  // 1 sent, 0 not sent, -1 the library is missing
        std::string message;
    };
    const std::string missing = nw::makeError(nw::err::LibraryLoad, "libbsmtp.so").report();
    const Case cases[] = {
        {Qt::Checked, true, 1, "メールを送信しました。"},
        {Qt::PartiallyChecked, false, 0, "メールを送信できませんでした。"},
        {Qt::Unchecked, false, -1, missing},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.outcome);
        mails.clear();
        boxes.clear();
        watcherState().MailRetryPending = false;
        f->Check3->setCheckState(c.check3);
        mailResult = c.outcome == 1;
        duringCall = [&] {
            EXPECT_FALSE(f->Command5->isEnabled());
            EXPECT_EQ(f->Command5->text().toStdString(), "送信中");
            EXPECT_TRUE(watcherState().MailRetryPending);
            if (c.outcome < 0) throw nw::makeError(nw::err::LibraryLoad, "libbsmtp.so");
        };
        boxes.onShow([&](const nwtest::Box&) { EXPECT_FALSE(f->Command5->isEnabled()); });
        f->Command5->click();
        ASSERT_EQ(mails.size(), 1u);
        const MailCall& m = mails[0];
        EXPECT_EQ(m.smtp, "127.0.0.1:2525");
        EXPECT_EQ(m.to, "to@test");
        EXPECT_EQ(m.reply, "from@test");
        EXPECT_EQ(m.pop3, "127.0.0.1:1110");
        EXPECT_EQ(m.id, "u");
        EXPECT_EQ(m.pass, "p");
        EXPECT_EQ(m.receiveFirst, c.receiveFirst);
        EXPECT_EQ(boxes.boxes(), (std::vector<nwtest::Box>{{"Netwarden", c.message}}));
        EXPECT_TRUE(f->Command5->isEnabled());
        EXPECT_EQ(f->Command5->text().toStdString(), "送信テスト");
        EXPECT_TRUE(watcherState().MailRetryPending);
    }
    boxes.onShow(nullptr);
    EXPECT_EQ(settings().SmtpServer, "saved.smtp");
}

TEST_F(FormSetTest, LookupTestUsesTheUnsavedValuesAndShowsTheResult) {
    settings().UseRouterLookup = false;
    FormSet* f = open();
    f->TabStrip1->setCurrentIndex(3);
    f->Command8->click();
    f->Text13->setText("http://127.0.0.1:8080/ip");
    f->Check5->setCheckState(Qt::PartiallyChecked);
    f->Text10->setText("<body>");
    f->Text11->setText("</body>");
    f->Option1[1]->setChecked(true);
    paste(f->Text14, "7");
    f->Text12->setText(".");

    const std::string fetchFailed = nw::makeError(nw::err::NetworkFailure).report();
    struct Case {
        std::string result;  // "!" raises
        std::string caption, message;
    };
    const Case cases[] = {
        {"203.0.113.5", "取得したIP", "203.0.113.5"},
        {"xxx.xxx.xxx.xxx", "取得したIP", "IPは取得できませんでした。"},
        {"XXX.XXX.XXX.XXX", "取得したIP", "XXX.XXX.XXX.XXX"},
        {"", "取得したIP", ""},
        {"!", "Netwarden", fetchFailed},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.result);
        fetches.clear();
        boxes.clear();
        fetchResult = c.result;
        duringCall = [&] {
            EXPECT_FALSE(f->Command7->isEnabled());
            EXPECT_EQ(f->Command7->text().toStdString(), "取得中");
            if (c.result == "!") throw nw::makeError(nw::err::NetworkFailure);
        };
        f->Command7->click();
        ASSERT_EQ(fetches.size(), 1u);
        const FetchCall& q = fetches[0];
        EXPECT_EQ(q.url, "http://127.0.0.1:8080/ip");
        EXPECT_FALSE(q.advanced);  // greyed counts as unticked
        EXPECT_EQ(q.start, "<body>");
        EXPECT_EQ(q.end, "</body>");
        EXPECT_EQ(q.charset, "euc");
        EXPECT_EQ(q.separator, ".");
        EXPECT_EQ(q.ordinal, 7);
        EXPECT_EQ(boxes.boxes(), (std::vector<nwtest::Box>{{c.caption, c.message}}));
        EXPECT_TRUE(f->Command7->isEnabled());
        EXPECT_EQ(f->Command7->text().toStdString(), "取得テスト");
    }
    EXPECT_EQ(watcherState().WanAddress, "");
    EXPECT_EQ(settings().LookupUrl, "");
}

TEST_F(FormSetTest, LookupTestWithAnOrdinalBeyond32BitsFindsNothing) {
    FormSet* f = open();
    paste(f->Text14, "4294967296");
    f->Command7->click();
    EXPECT_TRUE(fetches.empty());
    EXPECT_EQ(boxes.boxes(), (std::vector<nwtest::Box>{{"取得したIP", "IPは取得できませんでした。"}}));
    EXPECT_TRUE(f->Command7->isEnabled());
    EXPECT_EQ(f->Command7->text().toStdString(), "取得テスト");
}

TEST_F(FormSetTest, RunTestStartsThePathBox) {
    FormSet* f = open();
    f->Text5->setText("/usr/bin/env true");
    f->Command6->click();
    EXPECT_EQ(launches, std::vector<std::string>{"/usr/bin/env true"});
    EXPECT_TRUE(f->Command6->isEnabled());
}

// ---- browse ---------------------------------------------------------------------------------

// Runs `drive` on the file-open dialog once it is up.
void whenFileDialogShows(const std::function<void(QFileDialog*)>& drive) {
    QTimer::singleShot(0, [drive] {
        QFileDialog* d = nullptr;
        (void)QTest::qWaitFor(
            [&] { return (d = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) != nullptr; }, 5000);
        if (!d) {
            ADD_FAILURE() << "no file dialog";
            return;
        }
        drive(d);
    });
}

std::set<std::string> listedFiles(QFileDialog* d, const QString& folder) {
    auto* view = d->findChild<QListView*>("listView");
    std::set<std::string> names;
    if (!view || !view->model()) return names;
    QAbstractItemModel* m = view->model();
    const QModelIndex root = view->rootIndex();
    for (int r = 0; r < m->rowCount(root); ++r) {
        const QModelIndex i = m->index(r, 0, root);
        if (!(m->flags(i) & Qt::ItemIsEnabled)) continue;
        names.insert(i.data().toString().toStdString());
    }
    (void)folder;
    return names;
}

TEST_F(FormSetTest, BrowseListsExecutablesAndRemembersTheLastChoice) {
    const std::string folder = dir.path() + "/apps";
    ASSERT_EQ(mkdir(folder.c_str(), 0755), 0);
    for (const char* n : {"tool.exe", "OLD.EXE", "runme", "notes.txt", "README"}) {
        nwtest::writeFile(folder + "/" + n, "x");
    }
    chmod((folder + "/runme").c_str(), 0755);
    const QString qfolder = QString::fromStdString(folder);

    FormSet* f = open();
    f->TabStrip1->setCurrentIndex(2);
    f->Text5->setText("typed by hand");

    // Cancelled before anything was chosen: the box becomes empty.
    std::set<std::string> firstChoice, allFiles;
    std::vector<std::string> filters;
    whenFileDialogShows([&](QFileDialog* d) {
        filters.clear();
        for (const QString& s : d->nameFilters()) filters.push_back(s.toStdString());
        d->setDirectory(qfolder);
        (void)QTest::qWaitFor([&] { return listedFiles(d, qfolder).size() >= 3; }, 5000);
        firstChoice = listedFiles(d, qfolder);
        auto* combo = d->findChild<QComboBox*>("fileTypeCombo");
        ASSERT_NE(combo, nullptr);
        combo->setFocus();
        QTest::keyClick(combo, Qt::Key_Down);
        (void)QTest::qWaitFor([&] { return listedFiles(d, qfolder).size() >= 5; }, 5000);
        allFiles = listedFiles(d, qfolder);
        d->reject();
    });
    f->Command1->click();
    EXPECT_EQ(filters, (std::vector<std::string>{"実行ファイル(*.exe)", "全て(*.*)"}));
    EXPECT_EQ(firstChoice, (std::set<std::string>{"tool.exe", "OLD.EXE", "runme"}));
    EXPECT_EQ(allFiles, (std::set<std::string>{"tool.exe", "OLD.EXE", "runme", "notes.txt", "README"}));
    EXPECT_EQ(str(f->Text5), "");

    // A choice lands in the box.
    whenFileDialogShows([&](QFileDialog* d) {
        d->selectFile(qfolder + "/runme");
        static_cast<QDialog*>(d)->accept();
    });
    f->Command1->click();
    EXPECT_EQ(str(f->Text5), folder + "/runme");

    // Cancelled later: the earlier choice comes back over what was typed since.
    f->Text5->setText("something else");
    whenFileDialogShows([](QFileDialog* d) { d->reject(); });
    f->Command1->click();
    EXPECT_EQ(str(f->Text5), folder + "/runme");
}

}  // namespace
