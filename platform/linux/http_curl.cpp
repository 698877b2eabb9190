// The page fetch, with libcurl.
#include <curl/curl.h>

#include <mutex>
#include <string>

#include "nw/platform/error.h"
#include "nw/platform/http.h"

namespace nw {

namespace {

constexpr long kConnectTimeoutMs = 10'000;
constexpr long kTotalTimeoutMs = 30'000;
constexpr long kMaxRedirects = 10;
constexpr size_t kMaxBodyBytes = 16u << 20;

struct TestOptions {
    long totalTimeoutMs = 0;
    std::string caFile;
};
TestOptions& testOptions() {
    static TestOptions options;
    return options;
}

struct Sink {
    std::string body;
    bool tooLarge = false;
};

size_t writeBody(char* data, size_t size, size_t count, void* user) {
    auto* sink = static_cast<Sink*>(user);
    const size_t n = size * count;
    if (n > kMaxBodyBytes - sink->body.size()) {
        sink->tooLarge = true;
        return 0;  // a short count aborts the transfer with CURLE_WRITE_ERROR
    }
    sink->body.append(data, n);
    return n;
}

struct EasyHandle {
    CURL* curl = curl_easy_init();
    ~EasyHandle() { curl_easy_cleanup(curl); }
};

}  // namespace

void setFetchOptionsForTesting(long totalTimeoutMs, const std::string& caFile) {
    testOptions() = TestOptions{totalTimeoutMs, caFile};
}

std::string fetchUrl(const std::string& url) {
    static std::once_flag initialised;
    std::call_once(initialised, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });

    EasyHandle easy;
    if (!easy.curl) throw makeError(err::NetworkFailure, url);
    CURL* c = easy.curl;
    Sink sink;
    char errorText[CURL_ERROR_SIZE] = {};
    const TestOptions& test = testOptions();

    curl_easy_setopt(c, CURLOPT_URL, url.c_str());
    curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(c, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(c, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(c, CURLOPT_MAXREDIRS, kMaxRedirects);
    curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT_MS, kConnectTimeoutMs);
    curl_easy_setopt(c, CURLOPT_TIMEOUT_MS, test.totalTimeoutMs > 0 ? test.totalTimeoutMs : kTotalTimeoutMs);
    curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(c, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(c, CURLOPT_SSL_VERIFYHOST, 2L);
    if (!test.caFile.empty()) curl_easy_setopt(c, CURLOPT_CAINFO, test.caFile.c_str());
    // Announced sizes over the limit are refused before the body comes; the write callback
    // catches the rest (no or false length, compressed bodies).
    curl_easy_setopt(c, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(kMaxBodyBytes));
    curl_easy_setopt(c, CURLOPT_ACCEPT_ENCODING, "");
    curl_easy_setopt(c, CURLOPT_USERAGENT, "Netwarden");
    curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, writeBody);
    curl_easy_setopt(c, CURLOPT_WRITEDATA, &sink);
    curl_easy_setopt(c, CURLOPT_ERRORBUFFER, errorText);

    const CURLcode result = curl_easy_perform(c);
    if (result != CURLE_OK) {
        std::string detail;
        if (sink.tooLarge || result == CURLE_FILESIZE_EXCEEDED)
            detail = "16 MiB を超えるページです";
        else
            detail = errorText[0] ? errorText : curl_easy_strerror(result);
        throw makeError(err::NetworkFailure, detail + ": " + url);
    }
    return std::move(sink.body);
}

}  // namespace nw
