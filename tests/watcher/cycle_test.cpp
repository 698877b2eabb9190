// The watch cycle driven tick by tick, with fake address readers and notifications.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "cycle.h"
#include "lookup.h"
#include "nw/platform/error.h"
#include "recorder.h"
#include "settings.h"
#include "state.h"

namespace {

using nw::watcherState;

// The main window as the cycle sees it: every call in order.
class FakeView : public nw::AddressView {
public:
    std::vector<std::string> calls;
    void setText1(const std::string& t) override { calls.push_back("Text1=" + t); }
    void setText2(const std::string& t) override { calls.push_back("Text2=" + t); }
    void setText3(const std::string& t) override { calls.push_back("Text3=" + t); }
    void UpdateTrayTip(const std::string& tip) override { calls.push_back("Tip=" + tip); }
};

// What a notification saw when it ran.
struct Sent {
    std::string first, second, wan;
};

class CycleTest : public ::testing::Test {
protected:
    // The addresses the readers return now.
    std::string g = "192.0.2.10";
    std::string p = "198.51.100.7";
    std::string w = "203.0.113.5";

    int reads = 0;                 // cycles that got as far as reading
    std::vector<Sent> mails;
    std::vector<Sent> launches;
    bool sendSucceeds = true;      // what the fake mail library answers
    bool mailLibraryMissing = false;
    std::function<void()> duringRead;  // runs inside GIp, where the real reader lets events through

    FakeView view;
    nwtest::MessageRecorder boxes;

    void SetUp() override {
        watcherState() = nw::WatcherState{};
        nw::settings() = nw::Settings{};
        nw::settings().WatchIntervalSeconds = 0;
        nw::settings().RunAppOnChange = true;
        nw::settings().MailOnChange = true;

        nw::CycleHooks& hooks = nw::cycleHooks();
        hooks.GIp = [this] {
            ++reads;
            if (duringRead) duringRead();
            return g;
        };
        hooks.PIp = [this] { return p; };
        hooks.WIp2 = [this] { return w; };
        hooks.MailOnSub = [this] {
            if (mailLibraryMissing) throw nw::makeError(nw::err::LibraryLoad, "bsmtp");
            const auto& st = watcherState();
            mails.push_back({st.FirstAddress, st.SecondAddress, st.WanAddress});
            watcherState().MailRetryPending = !sendSucceeds;
        };
        hooks.AppOnSub = [this] {
            const auto& st = watcherState();
            launches.push_back({st.FirstAddress, st.SecondAddress, st.WanAddress});
        };
        nw::setAddressView(&view);
        startUp();
    }

    void TearDown() override {
        nw::setAddressView(nullptr);
        nw::resetCycleHooks();
        watcherState() = nw::WatcherState{};
        nw::settings() = nw::Settings{};
    }

    // The load's first reading, stored as the previous one.
    void startUp() {
        auto& st = watcherState();
        st.FirstAddress = g;
        st.SecondAddress = p;
        st.WanAddress = w;
        nw::ffff(st.SecondAddress, st.FirstAddress);
        st.PreviousFirstAddress = st.FirstAddress;
        st.PreviousSecondAddress = st.SecondAddress;
        st.PreviousWanAddress = st.WanAddress;
        st.TickCount = 0;
    }

    // Ticks until a cycle reads the addresses; returns the number of ticks it took.
    int ticksToNextCycle(int limit = 1000) {
        const int before = reads;
        for (int i = 1; i <= limit; ++i) {
            nw::Timer1_Tick();
            if (reads != before) return i;
        }
        return -1;
    }

    void cycle() { ASSERT_NE(ticksToNextCycle(), -1); }
};

TEST_F(CycleTest, TicksUntilACycleFollowTheWatchPeriod) {
    struct Case {
        int period;
        int first, second;
    };
    for (const Case& c : {Case{10, 11, 11}, Case{1, 2, 2}, Case{0, 1, 1}, Case{-5, 1, 1}, Case{600, 601, 601}}) {
        SCOPED_TRACE(c.period);
        startUp();
        nw::settings().WatchIntervalSeconds = c.period;
        EXPECT_EQ(ticksToNextCycle(), c.first);
        EXPECT_EQ(watcherState().TickCount, 0);
        EXPECT_EQ(ticksToNextCycle(), c.second);
    }
}

TEST_F(CycleTest, ANewWatchPeriodTakesEffectAtTheNextTickWithoutResettingTheCount) {
    nw::settings().WatchIntervalSeconds = 10;
    for (int i = 0; i < 7; ++i) nw::Timer1_Tick();
    ASSERT_EQ(watcherState().TickCount, 7);

    nw::settings().WatchIntervalSeconds = 3;  // below the count: due at once
    EXPECT_EQ(ticksToNextCycle(), 1);

    for (int i = 0; i < 2; ++i) nw::Timer1_Tick();
    nw::settings().WatchIntervalSeconds = 5;  // raised: the two ticks already counted stay
    EXPECT_EQ(ticksToNextCycle(), 4);
}

TEST_F(CycleTest, AnUnchangedReadingRefreshesDisplayAndTipButNotifiesNobody) {
    cycle();
    std::string tip = "G:192.0.2.10\r\nP:198.51.100.7\r\nW:203.0.113.5";
    tip.push_back('\0');
    EXPECT_EQ(watcherState().TrayTipText, tip);
    tip.append(64 - tip.size(), ' ');
    const std::vector<std::string> expected = {"Text1=192.0.2.10", "Text2=198.51.100.7", "Text3=203.0.113.5",
                                               "Tip=" + tip};
    EXPECT_EQ(view.calls, expected);
    EXPECT_TRUE(launches.empty());
    EXPECT_TRUE(mails.empty());

    view.calls.clear();
    cycle();
    EXPECT_EQ(view.calls, expected);
    EXPECT_TRUE(launches.empty());
    EXPECT_TRUE(mails.empty());
}

TEST_F(CycleTest, WhichReadingsCountAsAChange) {
    struct Case {
        const char* what;
        std::string g, p, w;
        bool changed;
        std::string shownSecond;
    };
    const std::string na = nw::kNotAvailable;
    const std::vector<Case> cases = {
        {"nothing", "192.0.2.10", "198.51.100.7", "203.0.113.5", false, "198.51.100.7"},
        {"only the WAN address", "192.0.2.10", "198.51.100.7", "203.0.113.99", true, "198.51.100.7"},
        {"the first local address", "192.0.2.11", "198.51.100.7", "203.0.113.5", true, "198.51.100.7"},
        {"host library repeats the local address", "192.0.2.10", "192.0.2.10", "203.0.113.5", true, na},
        {"WAN lookup now finds nothing", "192.0.2.10", "198.51.100.7", "xxx.xxx.xxx.xxx", true, "198.51.100.7"},
        {"host library now fails", "192.0.2.10", "", "203.0.113.5", true, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        g = "192.0.2.10", p = "198.51.100.7", w = "203.0.113.5";
        startUp();
        launches.clear(), mails.clear(), view.calls.clear();

        g = c.g, p = c.p, w = c.w;
        cycle();
        EXPECT_EQ(view.calls.at(1), "Text2=" + c.shownSecond);
        EXPECT_EQ(launches.size(), c.changed ? 1u : 0u);
        ASSERT_EQ(mails.size(), c.changed ? 1u : 0u);
        if (c.changed) {
            // The mail carries all three current addresses, after the launch.
            EXPECT_EQ(mails[0].first, c.g);
            EXPECT_EQ(mails[0].second, c.shownSecond);
            EXPECT_EQ(mails[0].wan, c.w);
        }
        // The reading is the previous one now: the same reading again is no change.
        cycle();
        EXPECT_EQ(launches.size(), c.changed ? 1u : 0u);
        EXPECT_EQ(mails.size(), c.changed ? 1u : 0u);
    }
}

TEST_F(CycleTest, TheHostLibraryAddressStoppingToRepeatTheLocalOneIsAChange) {
    p = g;
    startUp();
    ASSERT_EQ(watcherState().PreviousSecondAddress, nw::kNotAvailable);
    p = "198.51.100.7";
    cycle();
    EXPECT_EQ(launches.size(), 1u);
    EXPECT_EQ(mails.size(), 1u);
}

TEST_F(CycleTest, ChangeSettingsDecideLaunchAndMail) {
    struct Case {
        bool runApp, mailOnChange;
    };
    for (const Case& c : {Case{true, false}, Case{false, true}, Case{false, false}}) {
        SCOPED_TRACE(testing::Message() << c.runApp << c.mailOnChange);
        startUp();
        launches.clear(), mails.clear();
        nw::settings().RunAppOnChange = c.runApp;
        nw::settings().MailOnChange = c.mailOnChange;
        w = w == "203.0.113.5" ? "203.0.113.6" : "203.0.113.5";
        cycle();
        EXPECT_EQ(launches.size(), c.runApp ? 1u : 0u);
        EXPECT_EQ(mails.size(), c.mailOnChange ? 1u : 0u);
    }
}

TEST_F(CycleTest, APendingRetrySendsBeforeTheChangeTest) {
    struct Case {
        const char* what;
        bool change, mailOnChange, retrySucceeds;
        size_t sends;
    };
    const std::vector<Case> cases = {
        {"no change", false, true, true, 1},
        {"no change, the retry fails again", false, true, false, 1},
        {"change, mail on change", true, true, true, 2},
        {"change, no mail on change, the retry succeeds", true, false, true, 1},
        {"change, no mail on change, the retry fails again", true, false, false, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        w = "203.0.113.5";
        startUp();
        mails.clear(), view.calls.clear();
        nw::settings().MailOnChange = c.mailOnChange;
        watcherState().MailRetryPending = true;
        sendSucceeds = c.retrySucceeds;
        if (c.change) w = "203.0.113.6";
        cycle();
        ASSERT_EQ(mails.size(), c.sends);
        // The retry sends the reading just taken.
        EXPECT_EQ(mails[0].wan, w);
        EXPECT_EQ(watcherState().MailRetryPending, !c.retrySucceeds);
    }
}

TEST_F(CycleTest, OneCycleShowsRetriesUpdatesTheTipThenLaunchesBeforeMailing) {
    watcherState().MailRetryPending = true;
    nw::cycleHooks().MailOnSub = [this] {
        view.calls.push_back("Mail");
        watcherState().MailRetryPending = false;
    };
    nw::cycleHooks().AppOnSub = [this] { view.calls.push_back("App"); };
    w = "203.0.113.6";
    cycle();
    ASSERT_EQ(view.calls.size(), 7u);
    view.calls[4] = view.calls[4].substr(0, 4);
    const std::vector<std::string> expected = {"Text1=192.0.2.10", "Text2=198.51.100.7", "Text3=203.0.113.6",
                                               "Mail", "Tip=", "App", "Mail"};
    EXPECT_EQ(view.calls, expected);
}

TEST_F(CycleTest, AMissingMailLibraryFindsTheSameChangeEveryCycleSilently) {
    mailLibraryMissing = true;
    nw::settings().WatchIntervalSeconds = 2;
    w = "203.0.113.6";
    for (int round = 1; round <= 3; ++round) {
        EXPECT_EQ(ticksToNextCycle(), 3);
        EXPECT_EQ(launches.size(), static_cast<size_t>(round));
        EXPECT_EQ(watcherState().PreviousWanAddress, "203.0.113.5");
        EXPECT_EQ(watcherState().TickCount, 0);
        EXPECT_EQ(view.calls.at(2), "Text3=203.0.113.6");  // shown before the error
        view.calls.clear();
    }
    EXPECT_TRUE(mails.empty());
    EXPECT_TRUE(boxes.boxes().empty());
    EXPECT_FALSE(nw::cycleRunning());

    mailLibraryMissing = false;  // the library is back: the change is mailed once
    cycle();
    EXPECT_EQ(mails.size(), 1u);
    cycle();
    EXPECT_EQ(mails.size(), 1u);
}

TEST_F(CycleTest, AnErrorFromAReaderEndsTheTickBeforeAnythingIsShown) {
    nw::cycleHooks().WIp2 = []() -> std::string { throw std::runtime_error("fetch failed"); };
    w = "203.0.113.6";
    nw::settings().WatchIntervalSeconds = 1;
    EXPECT_EQ(ticksToNextCycle(), 2);
    EXPECT_TRUE(view.calls.empty());
    EXPECT_TRUE(launches.empty());
    EXPECT_EQ(watcherState().PreviousWanAddress, "203.0.113.5");
    EXPECT_EQ(ticksToNextCycle(), 2);  // a full watch period later
    EXPECT_TRUE(boxes.boxes().empty());
}

TEST_F(CycleTest, ATickDuringACycleOnlyCounts) {
    // Period 0: every tick is due, so a re-entrant one would start a nested cycle.
    int nested = 0;
    duringRead = [&] {
        duringRead = nullptr;
        nw::Timer1_Tick();
        nested = reads;
    };
    cycle();
    EXPECT_EQ(nested, 1);
    EXPECT_EQ(reads, 1);

    // Period 3: the cycle set the count to 0 first, and the tick inside counts one.
    nw::settings().WatchIntervalSeconds = 3;
    for (int i = 0; i < 3; ++i) nw::Timer1_Tick();
    duringRead = [&] {
        duringRead = nullptr;
        nw::Timer1_Tick();
        nw::Timer1_Tick();
    };
    EXPECT_EQ(ticksToNextCycle(), 1);
    EXPECT_EQ(watcherState().TickCount, 2);
    EXPECT_EQ(ticksToNextCycle(), 2);
}

TEST_F(CycleTest, NoCycleStartsWhileHeld) {
    {
        nw::CycleHold hold;  // as while the start-up mail's give-up box is open
        for (int i = 0; i < 5; ++i) nw::Timer1_Tick();
        EXPECT_EQ(reads, 0);
    }
    EXPECT_EQ(ticksToNextCycle(), 1);
}

TEST(TipField, IsSixtyFourCharactersPaddedOrCut) {
    struct Case {
        std::string text, field;
    };
    const std::string longest = nw::LabelledTipText("255.255.255.255", "255.255.255.255", "255.255.255.255");
    ASSERT_EQ(longest.size(), 56u);
    const std::string a64(64, 'a');
    const std::string kana = "\xE3\x81\x82";  // one character, three bytes
    std::string kana64, kana70;
    for (int i = 0; i < 64; ++i) kana64 += kana;
    kana70 = kana64 + kana + kana + kana + kana + kana + kana;
    const std::vector<Case> cases = {
        {"", std::string(64, ' ')},
        {longest, longest + std::string(8, ' ')},
        {a64, a64},
        {a64 + "bcd", a64},
        {kana + "x", kana + "x" + std::string(62, ' ')},
        {kana70, kana64},
    };
    for (const Case& c : cases) EXPECT_EQ(nw::MakeTipField(c.text), c.field) << c.text;

    std::string plain = "a\r\nb\r\nc";
    plain.push_back('\0');
    EXPECT_EQ(nw::PlainTipText("a", "b", "c"), plain);
}

}  // namespace
