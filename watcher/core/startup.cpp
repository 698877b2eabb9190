#include "startup.h"

#include <unistd.h>

#include <exception>

#include "cycle.h"
#include "lookup.h"
#include "nw/platform/error.h"
#include "nw/platform/folder.h"
#include "nw/platform/ui.h"
#include "settings.h"

namespace nw {

namespace {

// Runs one step; an error it raises is shown and the load goes on. False when it raised.
template <typename Step>
bool guarded(Step&& step) {
    try {
        step();
        return true;
    } catch (const RuntimeError& e) {
        messageBox(e.report());
    } catch (const std::exception& e) {
        messageBox(e.what());
    }
    return false;
}

// One address of the first reading; "***.***.***.***" when its reader raised.
std::string firstReading(const std::function<std::string()>& reader) {
    std::string address;
    if (!guarded([&] { address = reader(); })) address = kNotAvailable;
    return address;
}

}  // namespace

void FormIP_Load(AddressView& view, const std::function<void()>& startTimer1) {
    WatcherState& st = watcherState();
    CycleHooks& hooks = cycleHooks();

    LoadSettings();  // reports its own problems and never throws

    st.FirstAddress = firstReading(hooks.GIp);
    st.SecondAddress = firstReading(hooks.PIp);
    st.WanAddress = firstReading(hooks.WIp2);

    ffff(st.SecondAddress, st.FirstAddress);

    st.PreviousFirstAddress = st.FirstAddress;
    st.PreviousSecondAddress = st.SecondAddress;
    st.PreviousWanAddress = st.WanAddress;

    view.setText3(st.WanAddress);
    view.setText2(st.SecondAddress);
    view.setText1(st.FirstAddress);

    st.TickCount = 0;
    startTimer1();

    doEvents();

    if (settings().MailOnStartup) {
        // A message box of the mail (the give-up notice) runs an event loop in which the timer
        // ticks; no watch cycle may start inside the load.
        CycleHold hold;
        guarded([&] { hooks.MailOnSub(); });
    }

    doEvents();
}

std::string SettingsWriteProblem() {
    // Saving replaces the file through a new one beside it, so the folder must be writable too.
    const std::string folder = programFolder();
    if (::access(folder.c_str(), W_OK) != 0)
        return "フォルダ " + folder +
               " に書き込めないため、設定を保存できません。設定を保存するには、このフォルダに書き込めるようにしてください。";
    const std::string file = settingsPath();
    if (::access(file.c_str(), F_OK) == 0 && ::access(file.c_str(), W_OK) != 0)
        return "設定ファイル " + file +
               " に書き込めないため、設定を保存できません。設定を保存するには、このファイルに書き込めるようにしてください。";
    return {};
}

}  // namespace nw
