#include "notify.h"

#include <cstdint>
#include <exception>
#include <limits>

#include "mailclient.h"
#include "nw/platform/folder.h"
#include "nw/platform/launch.h"
#include "nw/platform/ui.h"
#include "settings.h"
#include "state.h"

namespace nw {

namespace {

constexpr const char* kMailSubject = "from_a_Netwarden";
constexpr const char* kReceiveCommand = "SAVE 1";  // save message 1 into the receive folder
constexpr const char* kGiveUpText = "回送信を試みましたがメールを送信できませんでした。";
constexpr const char* kLaunchFailedText = "アプリケーションを実行できませんでした。";

// The three addresses as mailed: three lines joined by CR LF, no break after the last.
std::string MailBody(const WatcherState& st) {
    return "1stIP:" + st.FirstAddress + "\r\n" + "2ndIP:" + st.SecondAddress + "\r\n" + "3rdIP:" + st.WanAddress;
}

// The receive (when asked for) and the send; the receive has returned before the send starts and
// its result is not looked at. Binding errors (missing library or routine) pass on to the caller.
std::string ReceiveAndSend(const std::string& smtp, const std::string& to, const std::string& from,
                           const std::string& pop3, const std::string& user, const std::string& password,
                           bool receiveFirst) {
    const std::string body = MailBody(watcherState());
    if (receiveFirst) {
        (void)bsmtp::RcvMail(FormatMailServer(pop3), user, password, kReceiveCommand, inProgramFolder("receive"));
    }
    return bsmtp::SendMail(FormatMailServer(smtp), to, from, kMailSubject, body, std::string());
}

}  // namespace

void MailOnSub() {
    const Settings& s = settings();
    const std::string result = ReceiveAndSend(s.SmtpServer, s.MailTo, s.ReplyAddress, s.Pop3Server, s.Pop3User,
                                              s.Pop3Password, s.PopBeforeSmtp);
    WatcherState& st = watcherState();
    if (result.empty()) {
        st.MailRetryPending = false;
        return;
    }
    st.MailRetryPending = true;
    // The count stops at the largest value its field holds instead of wrapping to a negative one.
    if (st.MailFailureCount < std::numeric_limits<int16_t>::max()) ++st.MailFailureCount;
    if (st.MailFailureCount < settings().RetryCount) return;  // the next watch cycle sends again
    messageBox(std::to_string(st.MailFailureCount) + kGiveUpText);
    st.MailRetryPending = false;
}

bool MailTestOnSub(const std::string& smtp22, const std::string& tom22, const std::string& rec22,
                   const std::string& pop322, const std::string& id22, const std::string& pass22, bool rsvon2) {
    return ReceiveAndSend(smtp22, tom22, rec22, pop322, id22, pass22, rsvon2).empty();
}

std::string FormatMailServer(const std::string& text) {
    const size_t colon = text.rfind(':');
    if (colon == std::string::npos) return text;
    const std::string port = text.substr(colon + 1);
    double value = 0;
    if (!parseNumber(port, value)) return text;
    return text.substr(0, colon) + "\t" + port;
}

void AppOnSub() {
    // A copy: the settings dialog may replace AppPath while the failure message is open.
    const std::string path = settings().AppPath;
    AppTestOnSub(path);
}

void AppTestOnSub(const std::string& path22) {
    bool started = false;
    try {
        startProgram(path22);
        started = true;
    } catch (...) {
        // Every kind of failure leads to the one message below.
    }
    if (!started) messageBox(kLaunchFailedText);
}

}  // namespace nw
