// libbsmtp.so: the mail library. Two C exports on libcurl: SendMail (one SMTP send) and RcvMail
// (a POP3 login that can save a message into a folder, as used for POP-before-SMTP).
//
// Every text crosses the boundary zero-terminated in CP932. Inside, texts are converted to UTF-8:
// the message goes out as text/plain; charset=UTF-8, headers with non-ASCII characters as
// RFC 2047 encoded words, an ASCII body verbatim (7bit) and any other body in base64.
//
// Server argument: "host" or "host<TAB>port" (default port 25 for SMTP, 110 for POP3).
// Every connection has a connect time-out of 10 s (which also covers the server's greeting)
// and a total time-out of 60 s. STARTTLS is used when the server offers it.
#include <curl/curl.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "nw/platform/codepage.h"

#define BSMTP_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

constexpr long kConnectTimeoutMs = 10'000;
constexpr long kTotalTimeoutMs = 60'000;
constexpr long kSmtpPort = 25;
constexpr long kPop3Port = 110;
// A received message larger than this is not saved.
constexpr size_t kMaxMessageBytes = 64u << 20;
// The longest line that a 7bit body may hold (RFC 5321 allows 998 characters before CR LF).
constexpr size_t kMaxLine = 998;

long g_connectTimeoutMs = kConnectTimeoutMs;
long g_totalTimeoutMs = kTotalTimeoutMs;
std::string g_caFile;  // tests only: a CA file to trust instead of the system's

// RcvMail's results.
constexpr int32_t kRcvOk = 0;
constexpr int32_t kRcvBadArgument = -1;
constexpr int32_t kRcvSaveFailed = -2;

// ---------------------------------------------------------------------------------------------
// Text helpers

bool isAscii(std::string_view s) {
    for (unsigned char c : s)
        if (c >= 0x80) return false;
    return true;
}

bool hasLineBreak(std::string_view s) { return s.find_first_of("\r\n") != std::string_view::npos; }

std::string_view trimBlanks(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

// Error texts carry only printable ASCII, so they are valid CP932 as they stand.
std::string printable(std::string_view s) {
    std::string out;
    for (unsigned char c : s) out += (c >= 0x20 && c < 0x7F) ? static_cast<char>(c) : '?';
    return out;
}

std::string base64(std::string_view in) {
    static const char table[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    out.reserve((in.size() + 2) / 3 * 4);
    size_t i = 0;
    for (; i + 2 < in.size(); i += 3) {
        const uint32_t v = (uint32_t(uint8_t(in[i])) << 16) | (uint32_t(uint8_t(in[i + 1])) << 8) | uint8_t(in[i + 2]);
        out += table[v >> 18];
        out += table[(v >> 12) & 63];
        out += table[(v >> 6) & 63];
        out += table[v & 63];
    }
    if (i < in.size()) {
        uint32_t v = uint32_t(uint8_t(in[i])) << 16;
        if (i + 1 < in.size()) v |= uint32_t(uint8_t(in[i + 1])) << 8;
        out += table[v >> 18];
        out += table[(v >> 12) & 63];
        out += i + 1 < in.size() ? table[(v >> 6) & 63] : '=';
        out += '=';
    }
    return out;
}

// Every line end (CR LF, a bare LF or a bare CR) becomes CR LF.
std::string withCrLf(std::string_view in) {
    std::string out;
    out.reserve(in.size() + 16);
    for (size_t i = 0; i < in.size(); ++i) {
        if (in[i] == '\r') {
            out += "\r\n";
            if (i + 1 < in.size() && in[i + 1] == '\n') ++i;
        } else if (in[i] == '\n') {
            out += "\r\n";
        } else {
            out += in[i];
        }
    }
    return out;
}

// ---------------------------------------------------------------------------------------------
// Server argument

struct Server {
    std::string host;  // ready for a URL (an IPv6 literal in brackets)
    long port = 0;
};

// Digits with an optional sign, decimal fraction and exponent ("25", "+25", "2.5e1").
bool parseNumber(std::string_view text, double& value) {
    size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    const size_t start = i;
    size_t digits = 0;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i, ++digits;
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i, ++digits;
    }
    if (digits == 0) return false;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
        size_t exponentDigits = 0;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i, ++exponentDigits;
        if (exponentDigits == 0) return false;
    }
    if (i != text.size()) return false;
    // from_chars ignores the locale; it takes no '+' sign.
    const auto r = std::from_chars(text.data() + start, text.data() + text.size(), value);
    if (r.ec != std::errc()) return false;
    if (start > 0 && text[0] == '-') value = -value;
    return std::isfinite(value);
}

// "host" or "host<TAB>port". The port may be written as any number (blanks around it allowed)
// whose value is a whole number from 1 to 65535.
bool parseServer(std::string_view text, long defaultPort, Server& server, std::string& error) {
    std::string_view host = text;
    server.port = defaultPort;
    const size_t tab = text.find('\t');
    if (tab != std::string_view::npos) {
        host = text.substr(0, tab);
        const std::string_view portText = trimBlanks(text.substr(tab + 1));
        double value = 0;
        if (!parseNumber(portText, value) || value != std::floor(value) || value < 1 || value > 65535) {
            error = "invalid port: " + printable(portText);
            return false;
        }
        server.port = static_cast<long>(value);
    }
    host = trimBlanks(host);
    if (host.empty()) {
        error = "no server given";
        return false;
    }
    // Only the characters of host names and address literals: nothing that could change the URL.
    for (unsigned char c : host) {
        const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
                        c == '-' || c == '_' || c == ':' || c == '[' || c == ']';
        if (!ok) {
            error = "invalid server name: " + printable(host);
            return false;
        }
    }
    server.host = std::string(host);
    if (server.host.find(':') != std::string::npos && server.host.front() != '[') server.host = "[" + server.host + "]";
    return true;
}

// ---------------------------------------------------------------------------------------------
// Addresses and headers

struct Mailbox {
    std::string display;  // UTF-8, may be empty
    std::string address;  // ASCII
};

// Splits at ',' and ';' outside double quotes.
std::vector<std::string_view> splitList(std::string_view s) {
    std::vector<std::string_view> parts;
    bool quoted = false;
    size_t start = 0;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '"') quoted = !quoted;
        else if (s[i] == '\\' && quoted && i + 1 < s.size()) ++i;
        else if (!quoted && (s[i] == ',' || s[i] == ';')) {
            parts.push_back(s.substr(start, i - start));
            start = i + 1;
        }
    }
    parts.push_back(s.substr(start));
    return parts;
}

// "addr@host" or "Display Name <addr@host>".
bool parseMailbox(std::string_view text, Mailbox& box, std::string& error) {
    text = trimBlanks(text);
    std::string_view address = text;
    box.display.clear();
    if (!text.empty() && text.back() == '>') {
        const size_t open = text.rfind('<');
        if (open == std::string_view::npos) {
            error = "invalid address: " + printable(text);
            return false;
        }
        address = text.substr(open + 1, text.size() - open - 2);
        std::string_view display = trimBlanks(text.substr(0, open));
        if (display.size() >= 2 && display.front() == '"' && display.back() == '"') {
            display = display.substr(1, display.size() - 2);
            std::string unescaped;
            for (size_t i = 0; i < display.size(); ++i) {
                if (display[i] == '\\' && i + 1 < display.size()) ++i;
                unescaped += display[i];
            }
            box.display = unescaped;
        } else {
            box.display = std::string(display);
        }
    }
    address = trimBlanks(address);
    if (address.empty()) {
        error = "empty address";
        return false;
    }
    for (unsigned char c : address) {
        if (c <= 0x20 || c >= 0x7F || c == '<' || c == '>' || c == ',' || c == ';' || c == '"') {
            error = "invalid address: " + printable(address);
            return false;
        }
    }
    box.address = std::string(address);
    return true;
}

// RFC 2047 encoded words (UTF-8, base64) for `text`, each at most 75 characters, never splitting
// a character, joined by folding white space.
std::string encodedWords(std::string_view text) {
    constexpr size_t kMaxChunk = 45;  // 45 bytes give 60 base64 characters, 72 with the frame
    std::string out;
    size_t i = 0;
    while (i < text.size()) {
        size_t end = std::min(text.size(), i + kMaxChunk);
        while (end < text.size() && end > i && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
        if (end == i) end = std::min(text.size(), i + kMaxChunk);
        if (!out.empty()) out += "\r\n ";
        out += "=?UTF-8?B?" + base64(text.substr(i, end - i)) + "?=";
        i = end;
    }
    return out;
}

// An unstructured header value (Subject): verbatim when it is short printable ASCII.
std::string headerText(std::string_view text) {
    bool plain = text.size() <= 900;
    for (unsigned char c : text)
        if (c < 0x20 || c >= 0x7F) plain = false;
    return plain ? std::string(text) : encodedWords(text);
}

std::string mailboxHeader(const Mailbox& box) {
    if (box.display.empty()) return box.address;
    std::string name;
    if (isAscii(box.display) && !hasLineBreak(box.display)) {
        name = "\"";
        for (char c : box.display) {
            if (c == '"' || c == '\\') name += '\\';
            name += c;
        }
        name += "\"";
    } else {
        name = encodedWords(box.display);
    }
    return name + " <" + box.address + ">";
}

// Date in the form of RFC 5322, local time with its offset; independent of the locale.
std::string dateHeader(std::time_t now) {
    static const char* const days[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char* const months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    std::tm local{};
    localtime_r(&now, &local);
    const long offset = local.tm_gmtoff / 60;
    const long absOffset = offset < 0 ? -offset : offset;
    char text[64];
    std::snprintf(text, sizeof text, "%s, %02d %s %04d %02d:%02d:%02d %c%02ld%02ld", days[local.tm_wday % 7],
                  local.tm_mday, months[local.tm_mon % 12], local.tm_year + 1900, local.tm_hour, local.tm_min,
                  local.tm_sec, offset < 0 ? '-' : '+', absOffset / 60, absOffset % 60);
    return text;
}

std::string messageId(std::time_t now, const std::string& fromAddress) {
    static std::mt19937_64 generator{std::random_device{}()};
    const size_t at = fromAddress.rfind('@');
    std::string domain = at == std::string::npos ? std::string() : fromAddress.substr(at + 1);
    if (domain.empty()) domain = "localhost";
    char local[80];
    std::snprintf(local, sizeof local, "%llx.%lx.%016llx", static_cast<unsigned long long>(now),
                  static_cast<unsigned long>(getpid()), static_cast<unsigned long long>(generator()));
    return "<" + std::string(local) + "@" + domain + ">";
}

// ---------------------------------------------------------------------------------------------
// libcurl

struct CurlHandle {
    CURL* curl = curl_easy_init();
    curl_slist* recipients = nullptr;
    char errorText[CURL_ERROR_SIZE] = {};
    ~CurlHandle() {
        if (curl) curl_easy_cleanup(curl);  // closes the connection (QUIT)
        curl_slist_free_all(recipients);
    }
};

void commonOptions(CurlHandle& h, const std::string& url) {
    curl_easy_setopt(h.curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(h.curl, CURLOPT_ERRORBUFFER, h.errorText);
    curl_easy_setopt(h.curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(h.curl, CURLOPT_CONNECTTIMEOUT_MS, g_connectTimeoutMs);
    curl_easy_setopt(h.curl, CURLOPT_TIMEOUT_MS, g_totalTimeoutMs);
    curl_easy_setopt(h.curl, CURLOPT_USE_SSL, static_cast<long>(CURLUSESSL_TRY));
    curl_easy_setopt(h.curl, CURLOPT_PROTOCOLS_STR, "smtp,pop3");
    if (!g_caFile.empty()) curl_easy_setopt(h.curl, CURLOPT_CAINFO, g_caFile.c_str());
}

std::string curlFailure(const char* what, CurlHandle& h, CURLcode code) {
    std::string text = std::string(what) + " failed: " + curl_easy_strerror(code) + " (" + std::to_string(code) + ")";
    if (h.errorText[0]) text += ": " + printable(h.errorText);
    long response = 0;
    if (curl_easy_getinfo(h.curl, CURLINFO_RESPONSE_CODE, &response) == CURLE_OK && response != 0)
        text += "; server reply " + std::to_string(response);
    return text;
}

struct Upload {
    const std::string* data;
    size_t offset = 0;
};

size_t readUpload(char* buffer, size_t size, size_t count, void* user) {
    auto* up = static_cast<Upload*>(user);
    const size_t n = std::min(size * count, up->data->size() - up->offset);
    std::memcpy(buffer, up->data->data() + up->offset, n);
    up->offset += n;
    return n;
}

size_t collect(char* data, size_t size, size_t count, void* user) {
    auto* out = static_cast<std::string*>(user);
    const size_t n = size * count;
    if (out->size() + n > kMaxMessageBytes) return 0;  // ends the transfer with a write error
    out->append(data, n);
    return n;
}

// ---------------------------------------------------------------------------------------------
// SendMail

// Returns the empty text when the mail was sent, otherwise what went wrong.
std::string sendMail(const char* serverArg, const char* toArg, const char* fromArg, const char* subjectArg,
                     const char* bodyArg, const char* attachmentsArg) {
    if (!serverArg || !toArg || !fromArg || !subjectArg || !bodyArg || !attachmentsArg)
        return "missing argument (null pointer)";

    const std::string to = nw::fromSjis(toArg);
    const std::string from = nw::fromSjis(fromArg);
    const std::string subject = nw::fromSjis(subjectArg);
    const std::string body = nw::fromSjis(bodyArg);

    // A line break in a header field would let the text write headers (or commands) of its own.
    if (hasLineBreak(to)) return "line break in the recipient field";
    if (hasLineBreak(from)) return "line break in the sender field";
    if (hasLineBreak(subject)) return "line break in the subject";
    if (*attachmentsArg) return "attachments are not supported";

    std::string error;
    Server server;
    if (!parseServer(serverArg, kSmtpPort, server, error)) return error;

    Mailbox sender;
    if (!parseMailbox(from, sender, error)) return "sender: " + error;
    std::vector<Mailbox> recipients;
    for (std::string_view part : splitList(to)) {
        if (trimBlanks(part).empty()) continue;
        Mailbox box;
        if (!parseMailbox(part, box, error)) return "recipient: " + error;
        recipients.push_back(box);
    }
    if (recipients.empty()) return "no recipient given";

    const std::time_t now = std::time(nullptr);
    std::string message;
    message += "Date: " + dateHeader(now) + "\r\n";
    message += "From: " + mailboxHeader(sender) + "\r\n";
    message += "To: ";
    for (size_t i = 0; i < recipients.size(); ++i) message += (i ? ",\r\n " : "") + mailboxHeader(recipients[i]);
    message += "\r\n";
    message += "Subject: " + headerText(subject) + "\r\n";
    message += "Message-ID: " + messageId(now, sender.address) + "\r\n";
    message += "MIME-Version: 1.0\r\n";
    message += "Content-Type: text/plain; charset=UTF-8\r\n";

    const std::string text = withCrLf(body);
    bool sevenBit = isAscii(text);
    for (size_t start = 0; sevenBit && start < text.size();) {
        size_t end = text.find("\r\n", start);
        if (end == std::string::npos) end = text.size();
        if (end - start > kMaxLine) sevenBit = false;
        start = end + 2;
    }
    if (sevenBit) {
        message += "Content-Transfer-Encoding: 7bit\r\n\r\n" + text;
    } else {
        message += "Content-Transfer-Encoding: base64\r\n\r\n";
        const std::string encoded = base64(text);
        for (size_t i = 0; i < encoded.size(); i += 76) message += encoded.substr(i, 76) + "\r\n";
    }

    CurlHandle h;
    if (!h.curl) return "cannot start the mail transfer";
    commonOptions(h, "smtp://" + server.host + ":" + std::to_string(server.port));
    const std::string mailFrom = "<" + sender.address + ">";
    curl_easy_setopt(h.curl, CURLOPT_MAIL_FROM, mailFrom.c_str());
    for (const Mailbox& r : recipients) h.recipients = curl_slist_append(h.recipients, ("<" + r.address + ">").c_str());
    curl_easy_setopt(h.curl, CURLOPT_MAIL_RCPT, h.recipients);
    Upload upload{&message};
    curl_easy_setopt(h.curl, CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(h.curl, CURLOPT_READFUNCTION, readUpload);
    curl_easy_setopt(h.curl, CURLOPT_READDATA, &upload);
    curl_easy_setopt(h.curl, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(message.size()));

    const CURLcode code = curl_easy_perform(h.curl);
    if (code != CURLE_OK) return curlFailure("SMTP", h, code);
    return {};
}

// ---------------------------------------------------------------------------------------------
// RcvMail

// Writes `bytes` as a new file in `folder`, named after the time with a number that makes it
// unique; an existing file is never replaced. The file appears whole or not at all.
bool saveMessage(const std::string& folder, const std::string& bytes) {
    std::string temp = folder + "/.receiving-XXXXXX";
    const int fd = mkstemp(temp.data());
    if (fd < 0) return false;
    size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t n = write(fd, bytes.data() + written, bytes.size() - written);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        written += static_cast<size_t>(n);
    }
    const bool ok = written == bytes.size() && fsync(fd) == 0;
    close(fd);
    if (!ok) {
        unlink(temp.c_str());
        return false;
    }
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
    bool saved = false;
    for (int n = 1; n <= 100000 && !saved; ++n) {
        const std::string name = folder + "/" + stamp + "-" + std::to_string(n) + ".eml";
        if (link(temp.c_str(), name.c_str()) == 0) saved = true;
        else if (errno != EEXIST) break;
    }
    unlink(temp.c_str());
    return saved;
}

// "SAVE n": the number of the message to save, or 0 when the command is anything else.
long saveCommandNumber(std::string_view command) {
    command = trimBlanks(command);
    if (command.size() < 5) return 0;
    for (size_t i = 0; i < 4; ++i)
        if ((command[i] | 0x20) != "save"[i]) return 0;
    if (command[4] != ' ' && command[4] != '\t') return 0;
    const std::string_view number = trimBlanks(command.substr(5));
    if (number.empty() || number.size() > 9) return 0;
    long value = 0;
    for (char c : number) {
        if (c < '0' || c > '9') return 0;
        value = value * 10 + (c - '0');
    }
    return value;
}

int32_t rcvMail(const char* serverArg, const char* userArg, const char* passwordArg, const char* commandArg,
                const char* folderArg) {
    if (!serverArg || !userArg || !passwordArg || !commandArg || !folderArg) return kRcvBadArgument;
    const long number = saveCommandNumber(commandArg);
    if (number <= 0) return kRcvBadArgument;
    const std::string user = nw::fromSjis(userArg);
    const std::string password = nw::fromSjis(passwordArg);
    // A line break would end the POP3 command and start another.
    if (hasLineBreak(user) || hasLineBreak(password)) return kRcvBadArgument;

    Server server;
    std::string error;
    if (!parseServer(serverArg, kPop3Port, server, error)) return kRcvBadArgument;

    const std::string folder = nw::fromSjis(folderArg);
    struct stat st {};
    const bool folderExists = !folder.empty() && stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode);

    CurlHandle h;
    if (!h.curl) return kRcvBadArgument;
    std::string url = "pop3://" + server.host + ":" + std::to_string(server.port) + "/";
    std::string received;
    if (folderExists) {
        // RETR n: the message stays on the server (no DELE).
        url += std::to_string(number);
        curl_easy_setopt(h.curl, CURLOPT_WRITEFUNCTION, collect);
        curl_easy_setopt(h.curl, CURLOPT_WRITEDATA, &received);
    } else {
        // Log in and out only: that alone opens the SMTP server to POP-before-SMTP.
        curl_easy_setopt(h.curl, CURLOPT_CUSTOMREQUEST, "NOOP");
        curl_easy_setopt(h.curl, CURLOPT_NOBODY, 1L);
    }
    commonOptions(h, url);
    curl_easy_setopt(h.curl, CURLOPT_USERNAME, user.c_str());
    curl_easy_setopt(h.curl, CURLOPT_PASSWORD, password.c_str());

    const CURLcode code = curl_easy_perform(h.curl);
    if (code != CURLE_OK) return static_cast<int32_t>(code);
    if (folderExists && !saveMessage(folder, received)) return kRcvSaveFailed;
    return kRcvOk;
}

}  // namespace

// SendMail(server, to, from, subject, body, attachments): sends one text mail. The result is the
// empty text when the mail was sent, otherwise a description of what went wrong (ASCII). It is
// owned by the library and valid until the next call. `to` may name several recipients separated
// by ',' or ';'; addresses are "addr" or "Name <addr>". Attachments are not supported: anything
// but the empty text there gives a failure.
BSMTP_EXPORT const char* SendMail(const char* server, const char* to, const char* from, const char* subject,
                                  const char* body, const char* attachments) {
    static std::string result;
    try {
        result = sendMail(server, to, from, subject, body, attachments);
    } catch (...) {
        return "internal error (out of memory)";
    }
    return result.c_str();
}

// RcvMail(server, user, password, command, folder): logs in to a POP3 server. With the command
// "SAVE n" and an existing folder, message n is saved into the folder as a new file
// "YYYYMMDD-HHMMSS-k.eml" and left on the server; without the folder the call only logs in and
// out. The folder is never created. Result: 0 done, -1 bad argument, -2 the file could not be
// written, otherwise the transfer's error number (libcurl's).
BSMTP_EXPORT int32_t RcvMail(const char* server, const char* user, const char* password, const char* command,
                             const char* folder) {
    try {
        return rcvMail(server, user, password, command, folder);
    } catch (...) {
        return kRcvBadArgument;
    }
}

// For tests: trust the certificates of this CA file (a test server's own); null or empty text
// goes back to the system's.
BSMTP_EXPORT void BsmtpSetCaFileForTesting(const char* path) {
    try {
        g_caFile = path ? path : "";
    } catch (...) {
        g_caFile.clear();
    }
}

// For tests: shorter time-outs in milliseconds; 0 restores the defaults (10 s connect, 60 s total).
BSMTP_EXPORT void BsmtpSetTimeoutsForTesting(int32_t connectMs, int32_t totalMs) {
    g_connectTimeoutMs = connectMs > 0 ? connectMs : kConnectTimeoutMs;
    g_totalTimeoutMs = totalMs > 0 ? totalMs : kTotalTimeoutMs;
}
