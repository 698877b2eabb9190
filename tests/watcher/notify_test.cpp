// The notification mail against real servers on 127.0.0.1: what arrives, the receive before the
// send, the retry rules and a missing mail library.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "mail_servers.h"
#include "notify.h"
#include "nw/platform/error.h"
#include "nw/platform/folder.h"
#include "nw/platform/library.h"
#include "nw/platform/ui.h"
#include "recorder.h"
#include "settings.h"
#include "state.h"

namespace {

using nw::settings;
using nw::watcherState;
using nwtest::hostColonPort;

const std::string kGiveUp = "回送信を試みましたがメールを送信できませんでした。";

// The body of a received mail (after the blank line).
std::string bodyOf(const std::string& raw) {
    const size_t end = raw.find("\r\n\r\n");
    return end == std::string::npos ? std::string("<no body>") : raw.substr(end + 4);
}

std::vector<std::string> filesIn(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(folder)) names.push_back(e.path().filename().string());
    return names;
}

class NotifyTest : public ::testing::Test {
protected:
    nwtest::TempDir program;  // the program's folder for the test: the library and "receive"
    nwtest::MessageRecorder boxes;

    void SetUp() override {
        // The real library, seen from a folder of the test's own.
        std::filesystem::create_symlink(nw::libraryPath("bsmtp"), program.file("libbsmtp.so"));
        nw::setProgramFolderForTesting(program.path());
        watcherState() = nw::WatcherState{};
        watcherState().FirstAddress = "192.0.2.10";
        watcherState().SecondAddress = "198.51.100.7";
        watcherState().WanAddress = "***.***.***.***";
        settings() = nw::Settings{};
        settings().MailTo = "owner@example.test";
        settings().ReplyAddress = "watcher@example.test";
        settings().RetryCount = 3;
        settings().Pop3User = "test";
        settings().Pop3Password = "secret";
    }
    void TearDown() override { nw::setProgramFolderForTesting({}); }

    bool mailTest(const std::string& smtp, bool receive, const std::string& pop3 = {}) {
        return nw::MailTestOnSub(smtp, "owner@example.test", "watcher@example.test", pop3, "test", "secret", receive);
    }
};

TEST_F(NotifyTest, MailCarriesTheThreeAddresses) {
    nwtest::SmtpServer smtp;
    settings().SmtpServer = hostColonPort(smtp.port());  // host:port, handed over as host, TAB, port
    watcherState().MailRetryPending = true;
    watcherState().MailFailureCount = 2;

    nw::MailOnSub();
    EXPECT_FALSE(watcherState().MailRetryPending);
    EXPECT_EQ(watcherState().MailFailureCount, 2);  // a success does not reset the count
    EXPECT_TRUE(mailTest(hostColonPort(smtp.port()), false));
    EXPECT_TRUE(boxes.boxes().empty());

    const auto mails = smtp.mails();
    ASSERT_EQ(mails.size(), 2u);
    for (const auto& mail : mails) {
        EXPECT_EQ(mail.mailFrom, "watcher@example.test");
        EXPECT_EQ(mail.rcptTos, std::vector<std::string>{"owner@example.test"});
        EXPECT_NE(mail.raw.find("\r\nSubject: from_a_Netwarden\r\n"), std::string::npos) << mail.raw;
        // Three lines, no break after the last: the CR LF seen here closes the DATA.
        EXPECT_EQ(bodyOf(mail.raw), "1stIP:192.0.2.10\r\n2ndIP:198.51.100.7\r\n3rdIP:***.***.***.***\r\n");
    }
}

TEST_F(NotifyTest, ReceiveIsDoneBeforeTheSend) {
    const std::string message = "Subject: waiting\r\n\r\nfor the watcher\r\n";
    nwtest::Pop3Server pop3({message});
    const std::string folder = nw::inProgramFolder("receive");
    std::filesystem::create_directory(folder);
    nwtest::SmtpServer smtp({.rejectRcpt = {}, .watchFolder = folder});
    settings().SmtpServer = hostColonPort(smtp.port());
    settings().Pop3Server = hostColonPort(pop3.port());
    settings().PopBeforeSmtp = true;

    const std::vector<std::pair<const char*, std::function<void()>>> entries = {
        {"MailOnSub", [] { nw::MailOnSub(); }},
        {"MailTestOnSub", [&] { EXPECT_TRUE(mailTest(settings().SmtpServer, true, settings().Pop3Server)); }},
    };
    for (size_t i = 0; i < entries.size(); ++i) {
        SCOPED_TRACE(entries[i].first);
        std::filesystem::remove_all(folder);
        std::filesystem::create_directory(folder);
        entries[i].second();
        const auto saved = filesIn(folder);
        ASSERT_EQ(saved.size(), 1u);
        EXPECT_EQ(nwtest::readFile(folder + "/" + saved[0]), message);
        const auto mails = smtp.mails();
        ASSERT_EQ(mails.size(), i + 1);
        // When the mail client greeted the SMTP server, the message was already saved.
        EXPECT_EQ(mails[i].watched, saved);
    }
}

TEST_F(NotifyTest, NoReceiveWithoutPopBeforeSmtp) {
    nwtest::SmtpServer smtp;
    nwtest::SilentListener pop3;
    settings().SmtpServer = hostColonPort(smtp.port());
    settings().Pop3Server = hostColonPort(pop3.port());
    settings().PopBeforeSmtp = false;

    nw::MailOnSub();
    EXPECT_TRUE(mailTest(settings().SmtpServer, false, settings().Pop3Server));
    EXPECT_EQ(smtp.mails().size(), 2u);
    EXPECT_FALSE(pop3.connected());

    // The listener does see a connection when one is made.
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<uint16_t>(pop3.port()));
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    EXPECT_TRUE(pop3.connected());
    close(fd);
}

// One table for the retry rules: each row runs one step on the state the rows above left.
TEST_F(NotifyTest, RetryRules) {
    nwtest::SmtpServer smtp;
    settings().SmtpServer = hostColonPort(smtp.port());
    std::vector<bool> pendingWhileShown;
    boxes.onShow([&](const nwtest::Box&) { pendingWhileShown.push_back(watcherState().MailRetryPending); });

    enum Op { Mail, Test };
    constexpr int kKeep = -1;
    struct Step {
        const char* what;
        int countBefore;  // the dialog's OK sets 0; kKeep leaves the count alone
        int16_t retryCount;
        Op op;
        bool serverUp;
        bool pending;   // MailRetryPending after the step
        int16_t count;  // MailFailureCount after the step
        std::string box;
    };
    const std::vector<Step> steps = {
        {"first failure", 0, 3, Mail, false, true, 1, ""},
        {"send test fails: state untouched", kKeep, 3, Test, false, true, 1, ""},
        {"send test succeeds: state untouched", kKeep, 3, Test, true, true, 1, ""},
        {"retry fails", kKeep, 3, Mail, false, true, 2, ""},
        {"third failure gives up", kKeep, 3, Mail, false, false, 3, "3" + kGiveUp},
        {"next failure gives up at once", kKeep, 3, Mail, false, false, 4, "4" + kGiveUp},
        {"after OK: failure", 0, 3, Mail, false, true, 1, ""},
        {"success keeps the count", kKeep, 3, Mail, true, false, 1, ""},
        {"failure after success", kKeep, 3, Mail, false, true, 2, ""},
        {"gives up at 3", kKeep, 3, Mail, false, false, 3, "3" + kGiveUp},
        {"RetryCount 0", 0, 0, Mail, false, false, 1, "1" + kGiveUp},
        {"RetryCount 1", 0, 1, Mail, false, false, 1, "1" + kGiveUp},
        {"RetryCount 1, success", kKeep, 1, Mail, true, false, 1, ""},
        {"count reaches its largest value", 32766, 3, Mail, false, false, 32767, "32767" + kGiveUp},
        {"and stays there", kKeep, 3, Mail, false, false, 32767, "32767" + kGiveUp},
    };
    size_t sent = 0;
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        boxes.clear();
        pendingWhileShown.clear();
        if (step.countBefore != kKeep) watcherState().MailFailureCount = static_cast<int16_t>(step.countBefore);
        settings().RetryCount = step.retryCount;
        smtp.refuseRecipients(!step.serverUp);

        if (step.op == Mail) nw::MailOnSub();
        else EXPECT_EQ(mailTest(settings().SmtpServer, false), step.serverUp);

        EXPECT_EQ(watcherState().MailRetryPending, step.pending);
        EXPECT_EQ(watcherState().MailFailureCount, step.count);
        if (step.box.empty()) {
            EXPECT_TRUE(boxes.boxes().empty());
        } else {
            ASSERT_EQ(boxes.boxes().size(), 1u);
            EXPECT_EQ(boxes.boxes()[0], (nwtest::Box{nw::programTitle(), step.box}));
            EXPECT_EQ(pendingWhileShown, std::vector<bool>{true});  // cleared only once it is closed
        }
        if (step.serverUp) ++sent;
        EXPECT_EQ(smtp.mails().size(), sent);
    }
}

TEST_F(NotifyTest, MissingLibraryThrowsBeforeAnyStateChanges) {
    nwtest::TempDir empty;
    nw::setProgramFolderForTesting(empty.path());
    nwtest::SmtpServer smtp;
    settings().SmtpServer = hostColonPort(smtp.port());
    settings().RetryCount = 1;
    for (bool receive : {false, true}) {
        SCOPED_TRACE(receive ? "with receive" : "without receive");
        settings().PopBeforeSmtp = receive;
        watcherState().MailRetryPending = true;
        watcherState().MailFailureCount = 5;
        try {
            nw::MailOnSub();
            ADD_FAILURE() << "no error";
        } catch (const nw::RuntimeError& e) {
            EXPECT_EQ(e.number(), nw::err::LibraryLoad);
        }
        EXPECT_THROW(mailTest(settings().SmtpServer, receive), nw::RuntimeError);
        EXPECT_TRUE(watcherState().MailRetryPending);
        EXPECT_EQ(watcherState().MailFailureCount, 5);
    }
    EXPECT_TRUE(boxes.boxes().empty());
    EXPECT_TRUE(smtp.mails().empty());
}

TEST(FormatMailServer, HostColonNumberBecomesHostTabNumber) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"smtphost:587", "smtphost\t587"},
        {"smtphost", "smtphost"},
        {"smtphost:smtp", "smtphost:smtp"},
        {"a:b:25", "a:b\t25"},
        {"smtphost:", "smtphost:"},
        {"smtphost: 25 ", "smtphost\t 25 "},
        {"smtphost:+25", "smtphost\t+25"},
        {"smtphost:2.5e1", "smtphost\t2.5e1"},
        {"smtphost:25x", "smtphost:25x"},
        {"", ""},
    };
    for (const auto& [in, out] : cases) EXPECT_EQ(nw::FormatMailServer(in), out) << in;
}

}  // namespace
