#include "mail_servers.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>

extern char** environ;

namespace nwtest {

namespace {

std::string fixture(const std::string& name) {
    const char* fixtures = std::getenv("NW_FIXTURES");
    if (!fixtures) throw std::runtime_error("NW_FIXTURES is not set");
    return std::string(fixtures) + "/" + name;
}

pid_t spawn(std::vector<std::string> args) {
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    const int rc = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) throw std::runtime_error("cannot start " + args[0]);
    return pid;
}

// Stops a child: `sig` first, SIGKILL when it has not ended after `seconds`.
void stop(pid_t pid, int sig, double seconds) {
    if (pid <= 0) return;
    kill(pid, sig);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (waitpid(pid, nullptr, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

int readyPort(const std::string& readyFile, pid_t pid, const char* what) {
    if (!waitForFile(readyFile, 20)) {
        stop(pid, SIGKILL, 1);
        throw std::runtime_error(std::string(what) + " did not start");
    }
    return std::stoi(readFile(readyFile));
}

int bindLoopback(int& port, bool listening) {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    if (fd < 0 || bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || (listening && listen(fd, 8) != 0) ||
        getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) != 0)
        throw std::runtime_error("cannot bind 127.0.0.1");
    port = ntohs(addr.sin_port);
    return fd;
}

std::vector<std::string> strings(const QJsonValue& v) {
    std::vector<std::string> out;
    for (const QJsonValue& item : v.toArray()) out.push_back(item.toString().toStdString());
    return out;
}

}  // namespace

bool waitForFile(const std::string& path, double seconds) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (!std::filesystem::exists(path)) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

std::string hostColonPort(int port) { return "127.0.0.1:" + std::to_string(port); }
std::string hostTabPort(int port) { return "127.0.0.1\t" + std::to_string(port); }

SmtpServer::SmtpServer() : SmtpServer(Options{}) {}

SmtpServer::SmtpServer(const Options& options) {
    std::vector<std::string> args = {"/usr/bin/python3", fixture("smtpserver.py"), "--dir", dir_.path(),
                                     "--ready", dir_.file("ready")};
    for (const std::string& r : options.rejectRcpt) args.insert(args.end(), {"--reject-rcpt", r});
    if (!options.watchFolder.empty()) args.insert(args.end(), {"--watch", options.watchFolder});
    if (options.tls) {
        cert_ = dir_.file("cert.pem");
        const std::string command = "openssl req -x509 -newkey rsa:2048 -nodes -days 1 -subj /CN=127.0.0.1 "
                                    "-addext subjectAltName=IP:127.0.0.1 -keyout '" +
                                    dir_.file("key.pem") + "' -out '" + cert_ + "' >/dev/null 2>&1";
        if (std::system(command.c_str()) != 0) throw std::runtime_error("openssl failed");
        args.insert(args.end(), {"--tls-cert", cert_, "--tls-key", dir_.file("key.pem")});
    }
    pid_ = spawn(args);
    port_ = readyPort(dir_.file("ready"), pid_, "the SMTP test server");
}

SmtpServer::~SmtpServer() { stop(pid_, SIGKILL, 5); }

void SmtpServer::refuseRecipients(bool on) const {
    if (on) writeFile(dir_.file("reject-rcpt"), "");
    else std::filesystem::remove(dir_.file("reject-rcpt"));
}

void SmtpServer::refuseData(bool on) const {
    if (on) writeFile(dir_.file("reject-data"), "");
    else std::filesystem::remove(dir_.file("reject-data"));
}

std::vector<ReceivedMail> SmtpServer::mails() const {
    std::vector<ReceivedMail> out;
    for (int n = 1; std::filesystem::exists(dir_.file(std::to_string(n) + ".json")); ++n) {
        const std::string json = readFile(dir_.file(std::to_string(n) + ".json"));
        const QJsonObject o = QJsonDocument::fromJson(QByteArray::fromStdString(json)).object();
        out.push_back({readFile(dir_.file(std::to_string(n) + ".eml")), o["mail_from"].toString().toStdString(),
                       strings(o["rcpt_tos"]), strings(o["watched"]), o["tls"].toBool()});
    }
    return out;
}

Pop3Server::Pop3Server(const std::vector<std::string>& messages) {
    std::vector<std::string> args = {"/bin/bash", fixture("pop3server.sh"), dir_.path()};
    for (size_t i = 0; i < messages.size(); ++i) {
        const std::string file = dir_.file("message" + std::to_string(i + 1));
        writeFile(file, messages[i]);
        args.push_back(file);
    }
    pid_ = spawn(args);
    port_ = readyPort(dir_.file("ready"), pid_, "the POP3 test server");
}

Pop3Server::~Pop3Server() { stop(pid_, SIGTERM, 10); }

std::string Pop3Server::log() const {
    const std::string path = dir_.file("dovecot.log");
    return std::filesystem::exists(path) ? readFile(path) : std::string();
}

SilentListener::SilentListener() { fd_ = bindLoopback(port_, true); }
SilentListener::~SilentListener() { close(fd_); }

bool SilentListener::connected() {
    bool any = false;
    // Only what is already waiting: the listener itself blocks.
    for (pollfd p{fd_, POLLIN, 0}; poll(&p, 1, 0) > 0; p.revents = 0) {
        const int c = accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (c < 0) break;
        close(c);
        any = true;
    }
    return any;
}

ClosedPort::ClosedPort() { fd_ = bindLoopback(port_, false); }
ClosedPort::~ClosedPort() { close(fd_); }

StallingSmtpServer::StallingSmtpServer() {
    fd_ = bindLoopback(port_, true);
    thread_ = std::thread([this] {
        std::vector<int> clients;
        while (!stop_) {
            pollfd p{fd_, POLLIN, 0};
            if (poll(&p, 1, 50) > 0) {
                const int c = accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC);
                if (c >= 0) {
                    const char greeting[] = "220 stalling.test ESMTP\r\n";
                    (void)!write(c, greeting, sizeof greeting - 1);
                    clients.push_back(c);  // kept open, never answered
                }
            }
        }
        for (int c : clients) close(c);
    });
}

StallingSmtpServer::~StallingSmtpServer() {
    stop_ = true;
    thread_.join();
    close(fd_);
}

}  // namespace nwtest
