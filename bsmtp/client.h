#pragma once
// The callers' side of libbsmtp.so: UTF-8 in, CP932 across the C boundary, bound by name from
// the program's folder at the first call. A missing library or routine throws RuntimeError.
#include <string>

namespace nw::bsmtp {

// Empty text when the mail was sent, otherwise what went wrong.
std::string SendMail(const std::string& server, const std::string& to, const std::string& from,
                     const std::string& subject, const std::string& body, const std::string& attachments);
int RcvMail(const std::string& server, const std::string& user, const std::string& password,
            const std::string& command, const std::string& folder);

}  // namespace nw::bsmtp
