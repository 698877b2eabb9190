#pragma once
// The watcher state: one instance for the whole run, touched only on the user-interface thread.
#include <cstdint>
#include <string>

namespace nw {

struct WatcherState {
    std::string FirstAddress;           // first local address, from GIp
    std::string SecondAddress;          // host library address, from PIp; "***.***.***.***" when equal to FirstAddress
    std::string WanAddress;             // WAN address, from WIp2
    std::string PreviousFirstAddress;   // the three values of the last completed reading
    std::string PreviousSecondAddress;
    std::string PreviousWanAddress;
    std::string TrayTipText;            // tooltip built by the last watch cycle
    int32_t TickCount = 0;              // ticks counted since the last watch cycle
    bool InTray = false;                // the window lives in the notification area
    bool MailRetryPending = false;      // a notification mail is to be sent again at the next cycle
    int16_t MailFailureCount = 0;       // failed sends since start or since the dialog's last OK
};

WatcherState& watcherState();

// ffff: the host-library address `a` becomes "***.***.***.***" in SecondAddress when it equals
// the first local address `b` (exact comparison).
void ffff(const std::string& a, const std::string& b);

// The main window as the logic sees it. The forms register themselves; tests register fakes.
class AddressView {
public:
    virtual ~AddressView() = default;
    // Text1, Text2, Text3: the three address boxes.
    virtual void setText1(const std::string& text) = 0;
    virtual void setText2(const std::string& text) = 0;
    virtual void setText3(const std::string& text) = 0;
    // Hands the 64-character tip field to the tray icon; no effect while no icon is shown.
    virtual void UpdateTrayTip(const std::string& tipField) { (void)tipField; }
};
void setAddressView(AddressView* view);
AddressView* addressView();  // may be null

}  // namespace nw
