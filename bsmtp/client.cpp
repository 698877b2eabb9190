#include "client.h"

#include <cstdint>

#include "nw/platform/codepage.h"
#include "nw/platform/library.h"

namespace nw::bsmtp {

namespace {
using SendMailFn = const char*(const char* server, const char* to, const char* from, const char* subject,
                               const char* body, const char* attachments);
using RcvMailFn = int32_t(const char* server, const char* user, const char* password, const char* command,
                          const char* folder);
}  // namespace

std::string SendMail(const std::string& server, const std::string& to, const std::string& from,
                     const std::string& subject, const std::string& body, const std::string& attachments) {
    // Bound by name at the first call; the library then stays loaded (librarySymbol keeps it).
    SendMailFn* sendMail = bindRoutine<SendMailFn>("bsmtp", "SendMail");
    const std::string a = toSjis(server), b = toSjis(to), c = toSjis(from), d = toSjis(subject), e = toSjis(body),
                      f = toSjis(attachments);
    const char* result = sendMail(a.c_str(), b.c_str(), c.c_str(), d.c_str(), e.c_str(), f.c_str());
    // Only an empty text means "sent"; a library that answers nothing has not sent anything.
    if (!result) return "no answer from the mail library";
    return fromSjis(result);
}

int RcvMail(const std::string& server, const std::string& user, const std::string& password,
            const std::string& command, const std::string& folder) {
    RcvMailFn* rcvMail = bindRoutine<RcvMailFn>("bsmtp", "RcvMail");
    const std::string a = toSjis(server), b = toSjis(user), c = toSjis(password), d = toSjis(command),
                      e = toSjis(folder);
    return rcvMail(a.c_str(), b.c_str(), c.c_str(), d.c_str(), e.c_str());
}

}  // namespace nw::bsmtp
