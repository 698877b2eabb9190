#pragma once
// Real mail servers on 127.0.0.1 for one test: the SMTP fixture (tests/fixtures/smtpserver.py),
// a private dovecot (tests/fixtures/pop3server.sh), and two bare listeners. Each picks a free
// port and is stopped by PID when the object goes, so tests may run side by side.
#include <sys/types.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "recorder.h"

namespace nwtest {

struct ReceivedMail {
    std::string raw;  // the DATA as received, CR LF and the closing line end included
    std::string mailFrom;
    std::vector<std::string> rcptTos;
    std::vector<std::string> watched;  // file names in the watched folder at EHLO
    bool tls = false;                  // came over a connection switched to TLS (STARTTLS)
};

class SmtpServer {
public:
    struct Options {
        std::vector<std::string> rejectRcpt;  // recipients answered with 550
        std::string watchFolder;              // listed into ReceivedMail::watched
        bool tls = false;                     // offer STARTTLS with a fresh certificate for 127.0.0.1
    };
    SmtpServer();
    explicit SmtpServer(const Options& options);
    ~SmtpServer();
    SmtpServer(const SmtpServer&) = delete;
    SmtpServer& operator=(const SmtpServer&) = delete;

    int port() const { return port_; }
    // The certificate that the server offers with STARTTLS (empty without Options::tls).
    const std::string& caFile() const { return cert_; }
    // Every recipient refused (550) while on.
    void refuseRecipients(bool on) const;
    // Every DATA refused (554) while on.
    void refuseData(bool on) const;
    // The mails accepted so far, in order.
    std::vector<ReceivedMail> mails() const;

private:
    TempDir dir_;
    std::string cert_;
    pid_t pid_ = -1;
    int port_ = 0;
};

class Pop3Server {
public:
    // User "test", password "secret"; `messages` become messages 1, 2, ... of the mailbox.
    explicit Pop3Server(const std::vector<std::string>& messages);
    ~Pop3Server();
    Pop3Server(const Pop3Server&) = delete;
    Pop3Server& operator=(const Pop3Server&) = delete;

    int port() const { return port_; }
    // dovecot's log so far.
    std::string log() const;

private:
    TempDir dir_;
    pid_t pid_ = -1;
    int port_ = 0;
};

// A socket that listens and never accepts: the kernel completes the connection, nobody answers.
class SilentListener {
public:
    SilentListener();
    ~SilentListener();
    SilentListener(const SilentListener&) = delete;
    SilentListener& operator=(const SilentListener&) = delete;
    int port() const { return port_; }
    // True when a client connected since the last call (takes the waiting connections).
    bool connected();

private:
    int fd_ = -1;
    int port_ = 0;
};

// A port that refuses connections: bound (so nobody else takes it) but not listening.
class ClosedPort {
public:
    ClosedPort();
    ~ClosedPort();
    ClosedPort(const ClosedPort&) = delete;
    ClosedPort& operator=(const ClosedPort&) = delete;
    int port() const { return port_; }

private:
    int fd_ = -1;
    int port_ = 0;
};

// Accepts, sends an SMTP greeting, then reads and never answers again.
class StallingSmtpServer {
public:
    StallingSmtpServer();
    ~StallingSmtpServer();
    StallingSmtpServer(const StallingSmtpServer&) = delete;
    StallingSmtpServer& operator=(const StallingSmtpServer&) = delete;
    int port() const { return port_; }

private:
    int fd_ = -1;
    int port_ = 0;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

// "127.0.0.1:<port>" (the settings form) and "127.0.0.1<TAB><port>" (the library's form).
std::string hostColonPort(int port);
std::string hostTabPort(int port);

// Waits up to `seconds` for `path` to exist.
bool waitForFile(const std::string& path, double seconds);

}  // namespace nwtest
