#pragma once
// Runs tests/fixtures/httpserver.py on 127.0.0.1 for one test: a free port, a routes table the
// test writes, a log of the requests. Stopped by PID when the object goes.
#include <string>
#include <sys/types.h>
#include <vector>

#include "recorder.h"

namespace nwtest {

class HttpServer {
public:
    // `tls`: serve HTTPS with a fresh self-signed certificate for 127.0.0.1 (see caFile()).
    explicit HttpServer(const std::string& routesJson = "{}", bool tls = false);
    ~HttpServer();
    HttpServer(const HttpServer&) = delete;
    HttpServer& operator=(const HttpServer&) = delete;

    // Replaces the routes table (the server reads it at each request).
    void setRoutes(const std::string& routesJson) const;
    std::string url(const std::string& path) const;
    // Puts bytes into a file of the server's folder and returns its path (for "body_file").
    std::string writeBody(const std::string& name, const std::string& bytes) const;
    // "METHOD PATH" per request so far.
    std::vector<std::string> requests() const;
    const std::string& caFile() const { return cert_; }

private:
    TempDir dir_;
    std::string cert_;
    pid_t pid_ = -1;
    int port_ = 0;
};

}  // namespace nwtest
