#pragma once
// Change notification: the mail with its retry rules, and the launch of the configured program.
#include <string>

namespace nw {

// Mails the current addresses with the stored settings and keeps the retry state.
// Throws RuntimeError when the mail library or a routine is missing (before any state changes).
void MailOnSub();
// Sends the same mail with the given (unsaved) values; true when the library reported it sent.
// Leaves the retry state alone.
bool MailTestOnSub(const std::string& smtp22, const std::string& tom22, const std::string& rec22,
                   const std::string& pop322, const std::string& id22, const std::string& pass22, bool rsvon2);
// "host:port" becomes "host<TAB>port" when the part after the last ':' is a number.
std::string FormatMailServer(const std::string& text);

// Starts AppPath / path22 without waiting; any failure shows "アプリケーションを実行できませんでした。".
void AppOnSub();
void AppTestOnSub(const std::string& path22);

}  // namespace nw
