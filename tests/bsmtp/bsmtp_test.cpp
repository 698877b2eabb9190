// The mail library against real servers on 127.0.0.1, through the callers' binding
// (UTF-8 in, CP932 across the C boundary).
#include <gtest/gtest.h>

#include <QByteArray>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "mail_servers.h"
#include "mailclient.h"
#include "nw/platform/library.h"
#include "recorder.h"

namespace {

using nwtest::hostTabPort;
using Clock = std::chrono::steady_clock;

struct Header {
    std::string name, value;
};

// The header lines (folded lines joined) and the body of a raw message.
void splitMessage(const std::string& raw, std::vector<Header>& headers, std::string& body) {
    const size_t end = raw.find("\r\n\r\n");
    ASSERT_NE(end, std::string::npos) << raw;
    body = raw.substr(end + 4);
    const std::string head = raw.substr(0, end + 2);
    for (size_t pos = 0; pos < head.size();) {
        size_t eol = head.find("\r\n", pos);
        std::string line = head.substr(pos, eol - pos);
        pos = eol + 2;
        if (!line.empty() && (line[0] == ' ' || line[0] == '\t')) {
            ASSERT_FALSE(headers.empty());
            headers.back().value += line;
            continue;
        }
        const size_t colon = line.find(": ");
        ASSERT_NE(colon, std::string::npos) << line;
        headers.push_back({line.substr(0, colon), line.substr(colon + 2)});
    }
}

// Decodes "=?UTF-8?B?...?=" words (separated by folding white space) back to UTF-8.
std::string decodeWords(const std::string& value) {
    static const std::regex word(R"(=\?UTF-8\?B\?([A-Za-z0-9+/=]*)\?=)");
    std::string out;
    for (std::sregex_iterator it(value.begin(), value.end(), word), end; it != end; ++it)
        out += QByteArray::fromBase64(QByteArray::fromStdString((*it)[1].str())).toStdString();
    return out;
}

// The value of header `name`; "<missing>" when there is none.
std::string headerValue(const std::vector<Header>& headers, const std::string& name) {
    for (const Header& h : headers)
        if (h.name == name) return h.value;
    return "<missing>";
}

bool hasBareLineFeed(const std::string& s) {
    for (size_t i = 0; i < s.size(); ++i)
        if ((s[i] == '\n' && (i == 0 || s[i - 1] != '\r')) || (s[i] == '\r' && (i + 1 == s.size() || s[i + 1] != '\n')))
            return true;
    return false;
}

using SetTimeoutsFn = void(int32_t connectMs, int32_t totalMs);

// Shorter time-outs for one test; the library's defaults come back at the end.
class ShortTimeouts {
public:
    ShortTimeouts(int32_t connectMs, int32_t totalMs) { set()(connectMs, totalMs); }
    ~ShortTimeouts() { set()(0, 0); }

private:
    static SetTimeoutsFn* set() { return nw::bindRoutine<SetTimeoutsFn>("bsmtp", "BsmtpSetTimeoutsForTesting"); }
};

const std::string kBody = "1stIP:192.0.2.10\r\n2ndIP:***.***.***.***\r\n3rdIP:203.0.113.5";

TEST(SendMail, MessageArrivesAsWritten) {
    nwtest::SmtpServer server;
    const std::string result = nw::bsmtp::SendMail(hostTabPort(server.port()), "owner@example.test",
                                                   "watcher@example.test", "from_a_Netwarden", kBody, "");
    ASSERT_EQ(result, "");

    const auto mails = server.mails();
    ASSERT_EQ(mails.size(), 1u);
    EXPECT_EQ(mails[0].mailFrom, "watcher@example.test");
    EXPECT_EQ(mails[0].rcptTos, std::vector<std::string>{"owner@example.test"});
    EXPECT_FALSE(hasBareLineFeed(mails[0].raw));

    std::vector<Header> headers;
    std::string body;
    splitMessage(mails[0].raw, headers, body);
    // The body as given; the CR LF after it is the line end that the end-of-data marker closes.
    EXPECT_EQ(body, kBody + "\r\n");

    std::vector<std::string> names;
    for (const Header& h : headers) names.push_back(h.name);
    EXPECT_EQ(names, (std::vector<std::string>{"Date", "From", "To", "Subject", "Message-ID", "MIME-Version",
                                               "Content-Type", "Content-Transfer-Encoding"}));
    auto value = [&](const std::string& name) { return headerValue(headers, name); };
    EXPECT_EQ(value("From"), "watcher@example.test");
    EXPECT_EQ(value("To"), "owner@example.test");
    EXPECT_EQ(value("Subject"), "from_a_Netwarden");
    EXPECT_EQ(value("MIME-Version"), "1.0");
    EXPECT_EQ(value("Content-Type"), "text/plain; charset=UTF-8");
    EXPECT_EQ(value("Content-Transfer-Encoding"), "7bit");
    EXPECT_TRUE(std::regex_match(value("Date"), std::regex(R"((Mon|Tue|Wed|Thu|Fri|Sat|Sun), \d\d (Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) \d{4} \d\d:\d\d:\d\d [+-]\d{4})")))
        << value("Date");
    EXPECT_TRUE(std::regex_match(value("Message-ID"), std::regex(R"(<[0-9a-f.]+@example\.test>)"))) << value("Message-ID");

    // A second mail gets a Message-ID of its own.
    ASSERT_EQ(nw::bsmtp::SendMail(hostTabPort(server.port()), "owner@example.test", "watcher@example.test", "s", "b", ""),
              "");
    std::vector<Header> second;
    splitMessage(server.mails().at(1).raw, second, body);
    EXPECT_NE(second[4].value, value("Message-ID"));
}

TEST(SendMail, JapaneseTextAndSeveralRecipients) {
    nwtest::SmtpServer server;
    const std::string subject = "アドレス変更のお知らせ～①";
    const std::string body = "新しいアドレス:\r\n203.0.113.5\nbare LF above";
    const std::string result = nw::bsmtp::SendMail(
        hostTabPort(server.port()), "山田 <a@example.test>, \"Doe, Bob\" <b@example.test>; c@example.test",
        "監視 <watcher@example.test>", subject, body, "");
    ASSERT_EQ(result, "");

    const auto mails = server.mails();
    ASSERT_EQ(mails.size(), 1u);
    EXPECT_EQ(mails[0].mailFrom, "watcher@example.test");
    EXPECT_EQ(mails[0].rcptTos, (std::vector<std::string>{"a@example.test", "b@example.test", "c@example.test"}));
    EXPECT_FALSE(hasBareLineFeed(mails[0].raw));
    for (unsigned char c : mails[0].raw) ASSERT_LT(c, 0x80) << "8-bit byte on the wire";

    std::vector<Header> headers;
    std::string encoded;
    splitMessage(mails[0].raw, headers, encoded);
    EXPECT_EQ(decodeWords(headerValue(headers, "Subject")), subject);
    const std::string from = headerValue(headers, "From");
    EXPECT_EQ(decodeWords(from), "監視");
    EXPECT_NE(from.find("<watcher@example.test>"), std::string::npos) << from;
    const std::string to = headerValue(headers, "To");
    EXPECT_EQ(decodeWords(to), "山田");
    EXPECT_NE(to.find("<a@example.test>"), std::string::npos) << to;
    EXPECT_NE(to.find("\"Doe, Bob\" <b@example.test>"), std::string::npos) << to;
    EXPECT_NE(to.find("c@example.test"), std::string::npos) << to;
    EXPECT_EQ(headerValue(headers, "Content-Transfer-Encoding"), "base64");
    EXPECT_EQ(QByteArray::fromBase64(QByteArray::fromStdString(encoded)).toStdString(),
              "新しいアドレス:\r\n203.0.113.5\r\nbare LF above");
}

TEST(SendMail, FailuresGiveATextAndSendNothing) {
    nwtest::SmtpServer server({.rejectRcpt = {"nobody@example.test"}, .watchFolder = {}});
    nwtest::ClosedPort closed;
    struct Case {
        const char* what;
        std::string server, to, from, subject, attachments;
        bool refuseData = false;
    };
    const std::string ok = hostTabPort(server.port());
    const std::vector<Case> cases = {
        {"refused recipient", ok, "nobody@example.test", "w@example.test", "s", ""},
        {"one of two recipients refused", ok, "a@example.test, nobody@example.test", "w@example.test", "s", ""},
        {"refused data", ok, "a@example.test", "w@example.test", "s", "", true},
        {"closed port", hostTabPort(closed.port()), "a@example.test", "w@example.test", "s", ""},
        {"port that is no number", "127.0.0.1\tsmtp", "a@example.test", "w@example.test", "s", ""},
        {"port out of range", "127.0.0.1\t70000", "a@example.test", "w@example.test", "s", ""},
        {"server name with URL characters", "127.0.0.1/x?y\t" + std::to_string(server.port()), "a@example.test",
         "w@example.test", "s", ""},
        {"empty server", "", "a@example.test", "w@example.test", "s", ""},
        {"empty recipient", ok, "", "w@example.test", "s", ""},
        {"empty sender", ok, "a@example.test", "", "s", ""},
        {"line break in the recipient", ok, "a@example.test\r\nBcc: victim@example.test", "w@example.test", "s", ""},
        {"line break in the sender", ok, "a@example.test", "w@example.test\nBcc: victim@example.test", "s", ""},
        {"line break in the subject", ok, "a@example.test", "w@example.test", "s\r\nBcc: victim@example.test", ""},
        {"attachments", ok, "a@example.test", "w@example.test", "s", "/etc/hostname"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        server.refuseData(c.refuseData);
        const std::string result = nw::bsmtp::SendMail(c.server, c.to, c.from, c.subject, "body", c.attachments);
        EXPECT_NE(result, "");
    }
    server.refuseData(false);
    EXPECT_TRUE(server.mails().empty());
}

TEST(SendMail, NullPointersGiveAFailure) {
    using SendMailFn = const char*(const char*, const char*, const char*, const char*, const char*, const char*);
    using RcvMailFn = int32_t(const char*, const char*, const char*, const char*, const char*);
    auto* sendMail = nw::bindRoutine<SendMailFn>("bsmtp", "SendMail");
    auto* rcvMail = nw::bindRoutine<RcvMailFn>("bsmtp", "RcvMail");
    const char* args[6] = {"127.0.0.1\t1", "a@example.test", "b@example.test", "s", "b", ""};
    for (int i = 0; i < 6; ++i) {
        const char* a[6];
        for (int j = 0; j < 6; ++j) a[j] = j == i ? nullptr : args[j];
        const char* result = sendMail(a[0], a[1], a[2], a[3], a[4], a[5]);
        ASSERT_NE(result, nullptr);
        EXPECT_STRNE(result, "") << "null argument " << i;
    }
    for (int i = 0; i < 5; ++i) {
        const char* a[5] = {"127.0.0.1\t1", "test", "secret", "SAVE 1", "/nonexistent"};
        a[i] = nullptr;
        EXPECT_NE(rcvMail(a[0], a[1], a[2], a[3], a[4]), 0) << "null argument " << i;
    }
}

// A server that takes the connection and never says a word: the connect time-out (10 s, which
// covers the greeting) ends the call with a failure.
TEST(SendMail, SilentServerFailsWithinTheConnectTimeout) {
    nwtest::SilentListener silent;
    const auto start = Clock::now();
    const std::string result =
        nw::bsmtp::SendMail(hostTabPort(silent.port()), "a@example.test", "w@example.test", "s", "b", "");
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    EXPECT_NE(result, "");
    EXPECT_GT(seconds, 8.0);
    EXPECT_LT(seconds, 20.0);
}

// A server that greets and then stops answering: the total time-out ends the call (shortened here).
TEST(SendMail, ServerThatStopsAnsweringFailsWithinTheTotalTimeout) {
    ShortTimeouts shorter(5000, 1500);
    nwtest::StallingSmtpServer stalling;
    const auto start = Clock::now();
    const std::string result =
        nw::bsmtp::SendMail(hostTabPort(stalling.port()), "a@example.test", "w@example.test", "s", "b", "");
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    EXPECT_NE(result, "");
    EXPECT_LT(seconds, 5.0);
}

// STARTTLS when the server offers it, with the certificate checked: a server whose certificate
// is not trusted gets no mail at all, not one in plain text.
TEST(SendMail, UsesStartTlsWhenOffered) {
    nwtest::SmtpServer server({.rejectRcpt = {}, .watchFolder = {}, .tls = true});
    const std::string address = hostTabPort(server.port());
    EXPECT_NE(nw::bsmtp::SendMail(address, "a@example.test", "w@example.test", "s", "untrusted", ""), "");
    EXPECT_TRUE(server.mails().empty());

    using SetCaFileFn = void(const char*);
    auto* setCaFile = nw::bindRoutine<SetCaFileFn>("bsmtp", "BsmtpSetCaFileForTesting");
    setCaFile(server.caFile().c_str());
    const std::string result = nw::bsmtp::SendMail(address, "a@example.test", "w@example.test", "s", "trusted", "");
    setCaFile(nullptr);
    EXPECT_EQ(result, "");
    const auto mails = server.mails();
    ASSERT_EQ(mails.size(), 1u);
    EXPECT_TRUE(mails[0].tls);

    // Without STARTTLS on offer the mail goes out in plain text.
    nwtest::SmtpServer plain;
    ASSERT_EQ(nw::bsmtp::SendMail(hostTabPort(plain.port()), "a@example.test", "w@example.test", "s", "b", ""), "");
    EXPECT_FALSE(plain.mails().at(0).tls);
}

std::vector<std::string> filesIn(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(folder)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

TEST(RcvMail, SavesMessageOneAndLeavesItOnTheServer) {
    const std::string first = "Subject: one\r\n\r\nfirst\r\n.dotted line\r\n";
    nwtest::Pop3Server pop3({first, "Subject: two\r\n\r\nsecond\r\n"});
    nwtest::TempDir program;
    const std::string folder = program.file("receive");
    std::filesystem::create_directory(folder);
    const std::string server = hostTabPort(pop3.port());

    ASSERT_EQ(nw::bsmtp::RcvMail(server, "test", "secret", "SAVE 1", folder), 0);
    auto names = filesIn(folder);
    ASSERT_EQ(names.size(), 1u);
    EXPECT_TRUE(std::regex_match(names[0], std::regex(R"(\d{8}-\d{6}-\d+\.eml)"))) << names[0];
    EXPECT_EQ(nwtest::readFile(folder + "/" + names[0]), first);

    // Still on the server: a second receive saves it again, under a name of its own.
    ASSERT_EQ(nw::bsmtp::RcvMail(server, "test", "secret", "SAVE 1", folder), 0);
    names = filesIn(folder);
    ASSERT_EQ(names.size(), 2u);
    EXPECT_EQ(nwtest::readFile(folder + "/" + names[1]), first);

    // Each session ended with a logout, and nothing was deleted.
    const auto deadline = Clock::now() + std::chrono::seconds(5);
    std::string log;
    while (Clock::now() < deadline) {
        log = pop3.log();
        size_t n = 0;
        for (size_t p = 0; (p = log.find("Disconnected: Logged out", p)) != std::string::npos; ++p) ++n;
        if (n >= 2) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    EXPECT_NE(log.find("Disconnected: Logged out"), std::string::npos) << log;
    EXPECT_EQ(log.find("del=1"), std::string::npos) << log;
}

TEST(RcvMail, WithoutTheFolderOnlyLogsIn) {
    nwtest::Pop3Server pop3({"Subject: one\r\n\r\nfirst\r\n"});
    nwtest::TempDir program;
    const std::string folder = program.file("receive");
    EXPECT_EQ(nw::bsmtp::RcvMail(hostTabPort(pop3.port()), "test", "secret", "SAVE 1", folder), 0);
    EXPECT_FALSE(std::filesystem::exists(folder));
    EXPECT_TRUE(filesIn(program.path()).empty());
}

TEST(RcvMail, FailuresSaveNothing) {
    nwtest::Pop3Server pop3({"Subject: one\r\n\r\nfirst\r\n"});
    nwtest::ClosedPort closed;
    nwtest::TempDir program;
    const std::string folder = program.file("receive");
    std::filesystem::create_directory(folder);
    const std::string server = hostTabPort(pop3.port());
    struct Case {
        const char* what;
        std::string server, user, password, command;
    };
    const std::vector<Case> cases = {
        {"wrong password", server, "test", "wrong", "SAVE 1"},
        {"no such message", server, "test", "secret", "SAVE 2"},
        {"unknown command", server, "test", "secret", "DELE 1"},
        {"line break in the user", server, "test\r\nDELE 1", "secret", "SAVE 1"},
        {"closed port", hostTabPort(closed.port()), "test", "secret", "SAVE 1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_NE(nw::bsmtp::RcvMail(c.server, c.user, c.password, c.command, folder), 0);
    }
    EXPECT_TRUE(filesIn(folder).empty());
}

}  // namespace
