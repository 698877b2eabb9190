#pragma once
// The start-up of the watcher that needs no window: the load of the main window and the check of
// the settings file's folder.
#include <functional>
#include <string>

#include "state.h"

namespace nw {

// The load of the main window FormIP, in order:
//   1. LoadSettings
//   2. FirstAddress := GIp, SecondAddress := PIp, WanAddress := WIp2
//   3. ffff(SecondAddress, FirstAddress)
//   4. the reading becomes the previous reading
//   5. Text3, Text2, Text1 show it (in that order)
//   6. startTimer1 switches the tick timer on (TickCount is 0)
//   7. one turn of the event loop
//   8. MailOnSub when MailOnStartup is set (the watch cycle is held off meanwhile)
//   9. one turn of the event loop
// The readers and the mail are the ones in cycleHooks(), as for the watch cycle. An error that a
// step raises and its callee does not handle (the host library or the mail library missing, a
// failed page fetch) is shown in a message box, and the load goes on with the next step; a
// reader that raised leaves its address as "***.***.***.***".
void FormIP_Load(AddressView& view, const std::function<void()>& startTimer1);

// Empty when settings can be saved; otherwise the message that says which folder or file is not
// writable. The settings file lives beside the programs, which an installation may put in a
// folder the user cannot write to.
std::string SettingsWriteProblem();

}  // namespace nw
