#include "cycle.h"

#include <exception>

#include "notify.h"
#include "settings.h"
#include "sources.h"
#include "state.h"

namespace nw {

namespace {

bool g_running = false;

CycleHooks realHooks() {
    return CycleHooks{
        [] { return GIp(); },
        [] { return PIp(); },
        [] { return WIp2(); },
        [] { MailOnSub(); },
        [] { AppOnSub(); },
    };
}

void showReading(const WatcherState& st) {
    if (AddressView* view = addressView()) {
        view->setText1(st.FirstAddress);
        view->setText2(st.SecondAddress);
        view->setText3(st.WanAddress);
    }
}

// One watch cycle. Errors leave it at the step where they happen; the caller drops them.
void runCycle() {
    WatcherState& st = watcherState();
    CycleHooks& hooks = cycleHooks();

    st.TickCount = 0;

    st.FirstAddress = hooks.GIp();
    st.SecondAddress = hooks.PIp();
    st.WanAddress = hooks.WIp2();
    ffff(st.SecondAddress, st.FirstAddress);

    showReading(st);

    st.TrayTipText = LabelledTipText(st.FirstAddress, st.SecondAddress, st.WanAddress);
    const std::string tipField = MakeTipField(st.TrayTipText);

    // The retry of an earlier failed notification, with the addresses just read.
    if (st.MailRetryPending) hooks.MailOnSub();

    if (AddressView* view = addressView()) view->UpdateTrayTip(tipField);

    const bool changed = st.FirstAddress != st.PreviousFirstAddress ||
                         st.SecondAddress != st.PreviousSecondAddress ||
                         st.WanAddress != st.PreviousWanAddress;
    if (changed) {
        if (settings().RunAppOnChange) hooks.AppOnSub();
        if (settings().MailOnChange || st.MailRetryPending) hooks.MailOnSub();
    }

    st.PreviousSecondAddress = st.SecondAddress;
    st.PreviousFirstAddress = st.FirstAddress;
    st.PreviousWanAddress = st.WanAddress;
}

}  // namespace

CycleHooks& cycleHooks() {
    static CycleHooks hooks = realHooks();
    return hooks;
}

void resetCycleHooks() { cycleHooks() = realHooks(); }

bool cycleRunning() { return g_running; }

CycleHold::CycleHold() : previous_(g_running) { g_running = true; }
CycleHold::~CycleHold() { g_running = previous_; }

void Timer1_Tick() {
    WatcherState& st = watcherState();
    if (st.TickCount < settings().WatchIntervalSeconds) {
        ++st.TickCount;
        return;
    }
    // A cycle is due, but one is already running further up the stack (this tick came from an
    // event loop turn inside it): no nested cycle.
    if (g_running) return;

    CycleHold hold;
    try {
        runCycle();
    } catch (const std::exception&) {
        // The cycle swallows every error silently; TickCount is already 0.
    } catch (...) {
    }
}

std::string LabelledTipText(const std::string& first, const std::string& second, const std::string& wan) {
    std::string text = "G:" + first + "\r\n" + "P:" + second + "\r\n" + "W:" + wan;
    text.push_back('\0');
    return text;
}

std::string PlainTipText(const std::string& first, const std::string& second, const std::string& wan) {
    std::string text = first + "\r\n" + second + "\r\n" + wan;
    text.push_back('\0');
    return text;
}

std::string MakeTipField(const std::string& text) {
    // Count UTF-8 characters by their lead bytes; stop in front of the 65th.
    int chars = 0;
    size_t end = 0;
    for (; end < text.size(); ++end) {
        const auto byte = static_cast<unsigned char>(text[end]);
        if ((byte & 0xC0) != 0x80) {
            if (chars == kTipFieldChars) break;
            ++chars;
        }
    }
    std::string field = text.substr(0, end);
    field.append(static_cast<size_t>(kTipFieldChars - chars), ' ');
    return field;
}

}  // namespace nw
