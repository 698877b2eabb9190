#pragma once
// The address watch cycle, driven by the one-second tick of Timer1.
#include <functional>
#include <string>

namespace nw {

// One tick of Timer1: counts up to WatchIntervalSeconds (read at every tick), then runs a cycle.
// A tick that arrives while a cycle is running (re-entrantly, from the event loop) only counts.
// Any error raised during a cycle ends the tick silently.
void Timer1_Tick();

// What a cycle calls out to: the real readers and notifications unless a test replaced them.
struct CycleHooks {
    std::function<std::string()> GIp;
    std::function<std::string()> PIp;
    std::function<std::string()> WIp2;
    std::function<void()> MailOnSub;
    std::function<void()> AppOnSub;
};
CycleHooks& cycleHooks();
void resetCycleHooks();  // back to the real ones

// True while a cycle runs, or while a CycleHold is alive.
bool cycleRunning();

// Holds the cycle off: while one is alive, ticks only count. The cycle itself holds one, so the
// give-up box of a retried mail (modal, inside the cycle) never lets a second cycle start; the
// start-up mail can hold one for the same reason.
class CycleHold {
public:
    CycleHold();
    ~CycleHold();
    CycleHold(const CycleHold&) = delete;
    CycleHold& operator=(const CycleHold&) = delete;

private:
    bool previous_;
};

// The tooltip texts: labelled by the cycle ("G:", "P:", "W:"), unlabelled at entry into the tray.
// Both end with one NUL character.
std::string LabelledTipText(const std::string& first, const std::string& second, const std::string& wan);
std::string PlainTipText(const std::string& first, const std::string& second, const std::string& wan);

// The 64-character tip field: the text left-aligned, padded with blanks, cut after 64 characters
// (characters, not bytes: a multibyte character is never split).
inline constexpr int kTipFieldChars = 64;
std::string MakeTipField(const std::string& text);

}  // namespace nw
