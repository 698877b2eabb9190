#include "http_server.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace nwtest {

HttpServer::HttpServer(const std::string& routesJson, bool tls) {
    writeFile(dir_.file("routes.json"), routesJson);
    const char* fixtures = std::getenv("NW_FIXTURES");
    if (!fixtures) throw std::runtime_error("NW_FIXTURES is not set");
    std::vector<std::string> args = {"/usr/bin/python3",  std::string(fixtures) + "/httpserver.py",
                                     "--routes",          dir_.file("routes.json"),
                                     "--ready",           dir_.file("ready"),
                                     "--log",             dir_.file("requests.log")};
    if (tls) {
        cert_ = dir_.file("cert.pem");
        const std::string command = "openssl req -x509 -newkey rsa:2048 -nodes -days 1 -subj /CN=127.0.0.1 "
                                    "-addext subjectAltName=IP:127.0.0.1 -keyout '" +
                                    dir_.file("key.pem") + "' -out '" + cert_ + "' >/dev/null 2>&1";
        if (std::system(command.c_str()) != 0) throw std::runtime_error("openssl failed");
        args.insert(args.end(), {"--cert", cert_, "--key", dir_.file("key.pem")});
    }
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    if (posix_spawn(&pid_, argv[0], nullptr, nullptr, argv.data(), environ) != 0)
        throw std::runtime_error("cannot start the test server");

    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!std::filesystem::exists(dir_.file("ready"))) {
        if (std::chrono::steady_clock::now() > deadline) throw std::runtime_error("test server did not start");
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    port_ = std::stoi(readFile(dir_.file("ready")));
}

HttpServer::~HttpServer() {
    if (pid_ > 0) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
}

void HttpServer::setRoutes(const std::string& routesJson) const {
    writeFile(dir_.file("routes.tmp"), routesJson);
    std::filesystem::rename(dir_.file("routes.tmp"), dir_.file("routes.json"));
}

std::string HttpServer::url(const std::string& path) const {
    return std::string(cert_.empty() ? "http" : "https") + "://127.0.0.1:" + std::to_string(port_) + path;
}

std::string HttpServer::writeBody(const std::string& name, const std::string& bytes) const {
    writeFile(dir_.file(name), bytes);
    return dir_.file(name);
}

std::vector<std::string> HttpServer::requests() const {
    std::vector<std::string> lines;
    if (!std::filesystem::exists(dir_.file("requests.log"))) return lines;
    std::istringstream in(readFile(dir_.file("requests.log")));
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

}  // namespace nwtest
