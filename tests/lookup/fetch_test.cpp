// The page fetch and the whole lookup against a real HTTP server on 127.0.0.1.
#include <gtest/gtest.h>

#include <iconv.h>

#include <chrono>
#include <functional>
#include <string>

#include "http_server.h"
#include "lookup.h"
#include "nw/platform/error.h"
#include "nw/platform/folder.h"
#include "nw/platform/http.h"
#include "recorder.h"

namespace {

using nwtest::Box;
using nwtest::HttpServer;
using Clock = std::chrono::steady_clock;

// The error number that `f` raises, or 0.
int raised(const std::function<void()>& f) {
    try {
        f();
    } catch (const nw::RuntimeError& e) {
        return e.number();
    }
    return 0;
}

double secondsFor(const std::function<void()>& f) {
    const auto start = Clock::now();
    f();
    return std::chrono::duration<double>(Clock::now() - start).count();
}

TEST(Fetch, BodyIsTakenWhateverTheStatusAndRedirectsAreFollowed) {
    HttpServer server(R"({
        "/missing": {"status": 404, "body": "not here 10.0.0.1"},
        "/broken": {"status": 500, "body": "oops"},
        "/moved": {"redirect": "/twice"},
        "/twice": {"status": 301, "redirect": "/page"},
        "/page": {"body": "arrived", "headers": {"Content-Type": "text/html; charset=EUC-JP"}},
        "/empty": {},
        "/unsized": {"body": "no length", "length": false}
    })");
    EXPECT_EQ(nw::fetchUrl(server.url("/missing")), "not here 10.0.0.1");
    EXPECT_EQ(nw::fetchUrl(server.url("/broken")), "oops");
    EXPECT_EQ(nw::fetchUrl(server.url("/moved")), "arrived");
    EXPECT_EQ(nw::fetchUrl(server.url("/empty")), "");
    EXPECT_EQ(nw::fetchUrl(server.url("/unsized")), "no length");
    EXPECT_EQ(nw::fetchUrl(server.url("/nowhere")), "");  // a 404 without a body
}

TEST(Fetch, FailuresRaiseNetworkFailure) {
    HttpServer server(R"({"/loop": {"redirect": "/loop"}})");
    const std::string closedPort = "http://127.0.0.1:1/";
    for (const std::string& url : {server.url("/loop"), closedPort, std::string(), std::string("not a url"),
                                   std::string("file:///etc/hostname"), std::string("ftp://127.0.0.1/")}) {
        double seconds = secondsFor([&] { EXPECT_EQ(raised([&] { nw::fetchUrl(url); }), nw::err::NetworkFailure) << url; });
        EXPECT_LT(seconds, 5) << url;
    }
    // The loop was cut after a bounded number of redirects.
    EXPECT_LE(server.requests().size(), 12u);
    EXPECT_GE(server.requests().size(), 2u);
}

TEST(Fetch, BodiesOver16MiBAreRefused) {
    const long limit = 16L << 20;
    HttpServer server("{\"/limit\": {\"fill\": {\"byte\": \"7\", \"size\": " + std::to_string(limit) +
                      "}}, \"/over\": {\"fill\": {\"size\": " + std::to_string(limit + 1) +
                      "}}, \"/over-unsized\": {\"fill\": {\"size\": " + std::to_string(limit + 1) +
                      "}, \"length\": false}}");
    EXPECT_EQ(nw::fetchUrl(server.url("/limit")).size(), static_cast<size_t>(limit));
    EXPECT_EQ(raised([&] { nw::fetchUrl(server.url("/over")); }), nw::err::NetworkFailure);
    // Without an announced length the body itself is cut off.
    EXPECT_EQ(raised([&] { nw::fetchUrl(server.url("/over-unsized")); }), nw::err::NetworkFailure);
}

TEST(Fetch, AServerThatNeverAnswersRunsIntoTheTotalTimeout) {
    HttpServer server(R"({"/hang": {"hang": true}})");
    nw::setFetchOptionsForTesting(1500, {});
    const double seconds =
        secondsFor([&] { EXPECT_EQ(raised([&] { nw::fetchUrl(server.url("/hang")); }), nw::err::NetworkFailure); });
    nw::setFetchOptionsForTesting(0, {});
    EXPECT_GE(seconds, 1.4);
    EXPECT_LT(seconds, 10);
}

TEST(Fetch, HttpsVerifiesTheCertificate) {
    HttpServer server(R"({"/": {"body": "secure 10.0.0.2"}})", true);
    EXPECT_EQ(raised([&] { nw::fetchUrl(server.url("/")); }), nw::err::NetworkFailure);
    nw::setFetchOptionsForTesting(0, server.caFile());
    std::string body;
    EXPECT_EQ(raised([&] { body = nw::fetchUrl(server.url("/")); }), 0);
    nw::setFetchOptionsForTesting(0, {});
    EXPECT_EQ(body, "secure 10.0.0.2");
}

// "グローバルIP</td><td>203.0.113.77</td>" and some Japanese around it, per character code.
const char kPageUtf8[] =
    "<html>\n<title>\xE3\x83\xAB\xE3\x83\xBC\xE3\x82\xBF\xE3\x83\xBC</title>\n"
    "<tr><td>\xE3\x83\xAD\xE3\x83\xBC\xE3\x82\xAB\xE3\x83\xAB IP</td><td>192.168.1.1</td></tr>\n"
    "<tr><td>\xE3\x82\xB0\xE3\x83\xAD\xE3\x83\xBC\xE3\x83\x90\xE3\x83\xAB IP</td><td>203.0.113.77</td></tr>\n"
    "\xE2\x91\xA0\n</html>\n";
const char kStartMarker[] = "\xE3\x82\xB0\xE3\x83\xAD\xE3\x83\xBC\xE3\x83\x90\xE3\x83\xAB ip";  // グローバル ip

std::string encode(const char* to, const std::string& utf8) {
    iconv_t cd = iconv_open(to, "UTF-8");
    std::string out(utf8.size() * 4 + 8, '\0');
    char* in = const_cast<char*>(utf8.data());
    size_t inLeft = utf8.size(), outLeft = out.size();
    char* o = out.data();
    EXPECT_NE(iconv(cd, &in, &inLeft, &o, &outLeft), static_cast<size_t>(-1)) << to;
    iconv_close(cd);
    out.resize(out.size() - outLeft);
    return out;
}

TEST(Lookup, PagesInEveryCharacterCode) {
    HttpServer server;
    const std::string page = kPageUtf8;
    struct Case {
        std::string name, charset, body;
    } cases[] = {
        {"cp932", "sjis", encode("CP932", page)},
        {"euc-jp", "euc", encode("EUC-JP-MS", page)},
        {"utf-8", "uni", page},
        {"utf-8-mark", "uni", "\xEF\xBB\xBF" + page},
        {"utf-16le-mark", "uni", encode("UTF-16LE", "\xEF\xBB\xBF" + page)},
        {"utf-16be-mark", "uni", encode("UTF-16BE", "\xEF\xBB\xBF" + page)},
        {"utf-16le", "uni", encode("UTF-16LE", page)},
    };
    std::string routes = "{";
    for (const Case& c : cases)
        routes += (routes.size() > 1 ? "," : "") + ("\"/" + c.name + "\": {\"body_file\": \"" +
                                                     server.writeBody(c.name, c.body) + "\"}");
    server.setRoutes(routes + "}");
    for (const Case& c : cases) {
        EXPECT_EQ(nw::FetchWanAddress(server.url("/" + c.name), true, kStartMarker, "</TR>", c.charset, ".", 1),
                  "203.0.113.77")
            << c.name;
        EXPECT_EQ(nw::FetchWanAddress(server.url("/" + c.name), true, "<html>", "</html>", c.charset, ".", 2),
                  "203.0.113.77")
            << c.name;
    }
    // Simple mode reads the page as CP932 and takes the first address.
    EXPECT_EQ(nw::FetchWanAddress(server.url("/cp932"), false, "", "", "", "", 0), "192.168.1.1");
}

TEST(Lookup, Cp932LineFeedsBecomeCrLf) {
    HttpServer server(R"({"/": {"body": "IP: a 10.0.0.9\nnext 1.2.3.4.5\n"}})");
    EXPECT_EQ(nw::FetchWanAddress(server.url("/"), true, "ip:", "\r\n", "sjis", ".", 1), "10.0.0.9");
}

TEST(Lookup, PageWithoutAnAddress) {
    HttpServer server(R"({"/": {"body": "no address here. sorry. really."}})");
    nwtest::MessageRecorder boxes;
    EXPECT_EQ(nw::FetchWanAddress(server.url("/"), false, "", "", "", "", 0), nw::kNoAddress);
    EXPECT_TRUE(boxes.boxes().empty());
}

TEST(Lookup, UnknownCharacterCodeAndEmptyAddressAreTold) {
    HttpServer server(R"({"/": {"body": "a 1.2.3.4 b"}})");
    nwtest::MessageRecorder boxes;
    const std::vector<Box> unexpected = {{"エラーメッセージ", "予期しないエラー"}};
    for (const std::string charset : {"SJIS", "", "utf-8", "euc "}) {
        boxes.clear();
        EXPECT_EQ(nw::FetchWanAddress(server.url("/"), true, "a", "b", charset, ".", 1), "") << charset;
        EXPECT_EQ(boxes.boxes(), unexpected) << charset;
    }
    EXPECT_TRUE(server.requests().empty());  // nothing was fetched

    // An empty page address is told, then the fetch fails and the error reaches the caller.
    boxes.clear();
    EXPECT_EQ(raised([] { nw::FetchWanAddress("", false, "", "", "", "", 0); }), nw::err::NetworkFailure);
    EXPECT_EQ(boxes.boxes(), (std::vector<Box>{{nw::programTitle(), "ソースを読み込めていません"}}));
    boxes.clear();
    EXPECT_EQ(nw::FetchWanAddress("", true, "", "", "sjis!", ".", 1), "");
    EXPECT_EQ(boxes.boxes(), (std::vector<Box>{{nw::programTitle(), "ソースを読み込めていません"}, unexpected[0]}));
}

TEST(Lookup, FetchFailuresAndMissingLibrariesReachTheCaller) {
    nwtest::MessageRecorder boxes;
    EXPECT_EQ(raised([] { nw::FetchWanAddress("http://127.0.0.1:1/", false, "", "", "", "", 0); }),
              nw::err::NetworkFailure);
    EXPECT_TRUE(boxes.boxes().empty());

    HttpServer server(R"({"/empty": {}, "/page": {"body": "a 1.2.3.4 b"}})");
    nwtest::TempDir empty;
    nw::setProgramFolderForTesting(empty.path());
    // An empty body needs neither library.
    EXPECT_EQ(nw::FetchWanAddress(server.url("/empty"), true, "", "", "euc", ".", 1), nw::kNoAddress);
    for (const char* charset : {"euc", "uni"})
        EXPECT_EQ(raised([&] { nw::FetchWanAddress(server.url("/page"), true, "a", "b", charset, ".", 1); }),
                  nw::err::LibraryLoad)
            << charset;
    EXPECT_EQ(raised([&] { nw::FetchWanAddress(server.url("/page"), false, "", "", "", "", 0); }),
              nw::err::LibraryLoad);
    nw::setProgramFolderForTesting({});
}

}  // namespace
