#include "settings.h"

#include <fcntl.h>
#include <limits.h>
#include <locale.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdint>
#include <iterator>
#include <new>
#include <utility>

#include "nw/platform/codepage.h"
#include "nw/platform/error.h"
#include "nw/platform/folder.h"
#include "nw/platform/ui.h"

namespace nw {

namespace {

const char* const kErrorCaption = "エラーメッセージ";
const char* const kFileMissing = "設定ファイルがみつかりません。";

// Section and key names of the file.
const char* const kBasic = "基本設定";
const char* const kApp = "アプリケーション設定";
const char* const kMail = "メール設定";
const char* const kRouter = "ルーター用";

const char* const kWatchInterval = "IP監視周期";
const char* const kRunApp = "IP変化、時指定アプリケーションの起動";
const char* const kAppPath = "パス";
const char* const kMailOnChange = "IP変化時、現在のIPをメールで送信";
const char* const kSmtpServer = "SMTPサーバ";
const char* const kMailTo = "送信先アドレス";
const char* const kReplyAddress = "返信アドレス";
const char* const kPopBeforeSmtp = "メール受信後に送信";
const char* const kPop3Server = "pop3サーバ";
const char* const kPop3User = "pop3ID";
const char* const kPop3Password = "pop3Pass";
const char* const kRetryCount = "再試行回数";
const char* const kMailOnStartup = "起動時にIPをメールで送信する";
const char* const kUseRouter = "ルーターIP取得機能を使用する";
const char* const kLookupUrl = "IP取得先URL";
const char* const kAdvancedParse = "詳細設定を有効にする";
const char* const kStartMarker = "HTML解析開始文字列";
const char* const kEndMarker = "HTML解析終端文字列";
const char* const kPageCharset = "HTML文字コード";
const char* const kAddressOrdinal = "何番目のIP";
const char* const kAddressSeparator = "IPの区切り文字";

// ---- lines -------------------------------------------------------------------------------

// A line ends at LF; a CR right before it (or at the very end of the file) belongs to the line
// end. So CR LF files and LF-only files read alike, and a rewrite ends every line with CR LF.
class LineReader {
public:
    explicit LineReader(std::string_view bytes) : bytes_(bytes) {}
    bool next(std::string_view& raw) {
        if (pos_ >= bytes_.size()) return false;
        size_t lf = bytes_.find('\n', pos_);
        size_t end = lf == std::string_view::npos ? bytes_.size() : lf;
        raw = bytes_.substr(pos_, end - pos_);
        pos_ = lf == std::string_view::npos ? bytes_.size() : lf + 1;
        if (!raw.empty() && raw.back() == '\r') raw.remove_suffix(1);
        return true;
    }

private:
    std::string_view bytes_;
    size_t pos_ = 0;
};

// The text of a line; the CP932 decoding is skipped for plain ASCII.
std::string decode(std::string_view raw) {
    for (unsigned char c : raw) {
        if (c >= 0x80) return fromSjis(raw);
    }
    return std::string(raw);
}

// "[" first and "]" last: such a line ends the section being scanned.
bool isSectionLine(const std::string& text) {
    return text.size() >= 2 && text.front() == '[' && text.back() == ']';
}

// True when the text before the first "=" of the line is exactly `key`.
bool isKeyLine(const std::string& text, const std::string& key) {
    size_t eq = text.find('=');
    return eq != std::string::npos && eq == key.size() && text.compare(0, eq, key) == 0;
}

// A line break cannot be stored in a line: it would cut the line in two and could plant a
// section or a key. It is dropped from every name and value that goes into the file.
std::string oneLine(const std::string& text) {
    if (text.find_first_of("\r\n") == std::string::npos) return text;
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        if (c != '\r' && c != '\n') out += c;
    }
    return out;
}

// A line as it stands in the file (CP932 bytes, no line end) and as text.
struct Line {
    std::string raw;
    std::string text;
};

std::vector<Line> splitLines(std::string_view bytes) {
    std::vector<Line> lines;
    LineReader reader(bytes);
    std::string_view raw;
    while (reader.next(raw)) lines.push_back({std::string(raw), decode(raw)});
    return lines;
}

std::string joinLines(const std::vector<Line>& lines) {
    size_t size = 0;
    for (const Line& l : lines) size += l.raw.size() + 2;
    std::string out;
    out.reserve(size);
    for (const Line& l : lines) {
        out += l.raw;
        out += "\r\n";
    }
    return out;
}

Line makeLine(const std::string& text) {
    std::string raw = toSjis(text);
    std::string back = decode(raw);
    return {std::move(raw), std::move(back)};
}

// Sets the key in the first block of the section: an existing key line is replaced where it
// stands, a missing key becomes the block's last line, a missing section goes to the end.
// Lines other than the key line keep their bytes.
void setValue(std::vector<Line>& lines, const std::string& sectionName, const std::string& keyName,
              const std::string& valueText) {
    const std::string section = oneLine(sectionName);
    const std::string key = oneLine(keyName);
    const std::string header = "[" + section + "]";
    Line keyLine = makeLine(key + "=" + oneLine(valueText));

    size_t h = 0;
    while (h < lines.size() && lines[h].text != header) ++h;
    if (h == lines.size()) {
        lines.push_back(makeLine(header));
        lines.push_back(std::move(keyLine));
        return;
    }
    for (size_t i = h + 1; i < lines.size(); ++i) {
        if (isSectionLine(lines[i].text)) {
            lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(i), std::move(keyLine));
            return;
        }
        if (isKeyLine(lines[i].text, key)) {
            lines[i] = std::move(keyLine);
            return;
        }
    }
    lines.push_back(std::move(keyLine));
}

// ---- files -------------------------------------------------------------------------------

class Fd {
public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0) ::close(fd_);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }
    // Closes now and gives close's errno (0 when fine).
    int close() {
        int r = ::close(fd_);
        fd_ = -1;
        return r == 0 ? 0 : errno;
    }

private:
    int fd_;
};

std::string readWholeFile(const std::string& path) {
    Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0) throw fileError(errno, path);
    std::string bytes;
    char buffer[65536];
    for (;;) {
        ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR) continue;
            throw fileError(errno, path);
        }
        if (n == 0) break;
        bytes.append(buffer, static_cast<size_t>(n));
    }
    return bytes;
}

bool writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        bytes.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

// Replaces the file's content as a whole: the new bytes go to a temporary file in the same
// folder, reach the disk, and are renamed over the old file. A crash, a kill or a full disk
// leaves either the old file or the new one, never a part of either. The file keeps its mode
// (and, where allowed, its owner); a symbolic link keeps pointing at the file it names.
void replaceFile(const std::string& path, std::string_view bytes) {
    std::string target = path;
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        char resolved[PATH_MAX];
        if (!::realpath(path.c_str(), resolved)) throw fileError(errno, path);
        target = resolved;
    }
    bool known = ::stat(target.c_str(), &st) == 0;
    mode_t mode = known ? (st.st_mode & 07777) : 0600;

    size_t slash = target.rfind('/');
    std::string folder = slash == std::string::npos ? "." : target.substr(0, slash == 0 ? 1 : slash);
    std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
    std::string temp = (folder == "/" ? "" : folder) + "/." + name + ".XXXXXX";

    Fd fd(::mkostemp(temp.data(), O_CLOEXEC));
    if (fd.get() < 0) throw fileError(errno, path);
    auto fail = [&](int error) {
        ::unlink(temp.c_str());
        return fileError(error, path);
    };
    if (::fchmod(fd.get(), mode) != 0) throw fail(errno);
    if (known && (st.st_uid != ::geteuid() || st.st_gid != ::getegid())) {
        // Only root can give the file back to its owner; anyone else writes it as their own.
        if (::fchown(fd.get(), st.st_uid, st.st_gid) != 0) {
        }
    }
    if (!writeAll(fd.get(), bytes)) throw fail(errno);
    if (::fsync(fd.get()) != 0) throw fail(errno);
    if (int e = fd.close()) throw fail(e);
    if (::rename(temp.c_str(), target.c_str()) != 0) throw fail(errno);

    // Make the rename itself durable; a folder that cannot be synced is no error of the save.
    int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        if (::fsync(dir) != 0) {
        }
        ::close(dir);
    }
}

// ---- numbers -----------------------------------------------------------------------------

bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isBlank(char c) { return c == ' ' || c == '\t'; }

double roundHalfEven(double v) {
    double f = std::floor(v);
    double d = v - f;
    if (d < 0.5) return f;
    if (d > 0.5) return f + 1;
    return std::fmod(f, 2.0) == 0 ? f : f + 1;
}

locale_t cLocale() {
    static locale_t c = ::newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return c;
}

std::string boolText(bool b) { return b ? "True" : "False"; }

std::function<void(const std::string&)> storeText(std::string& target) {
    return [&target](const std::string& v) { target = v; };
}
std::function<void(const std::string&)> storeBool(bool& target) {
    return [&target](const std::string& v) { target = v == "True"; };
}
std::function<void(const std::string&)> storeInt32(int32_t& target, int32_t fallback) {
    return [&target, fallback](const std::string& v) {
        double d = 0;
        target = parseNumber(v, d) ? toInt32(d) : fallback;
    };
}
std::function<void(const std::string&)> storeInt16(int16_t& target, int16_t fallback) {
    return [&target, fallback](const std::string& v) {
        double d = 0;
        target = parseNumber(v, d) ? toInt16(d) : fallback;
    };
}

}  // namespace

// ---- record ------------------------------------------------------------------------------

Settings& settings() {
    static Settings record;
    return record;
}

Settings defaultSettings() {
    Settings s;
    s.WatchIntervalSeconds = 600;
    s.RetryCount = 3;
    s.AddressOrdinal = 1;
    return s;
}

std::string settingsPath() { return inProgramFolder("netwarden.ini"); }

// ---- single keys -------------------------------------------------------------------------

std::string iniValueIn(std::string_view fileBytes, const std::string& sectionName, const std::string& keyName) {
    const std::string header = "[" + oneLine(sectionName) + "]";
    const std::string key = oneLine(keyName);
    LineReader reader(fileBytes);
    std::string_view raw;
    while (reader.next(raw)) {
        if (decode(raw) != header) continue;
        // The block of the section; the section line that ends it is not itself a header.
        while (reader.next(raw)) {
            std::string text = decode(raw);
            if (isSectionLine(text)) break;
            if (isKeyLine(text, key)) return text.substr(key.size() + 1);
        }
    }
    return {};
}

std::string withIniValue(std::string_view fileBytes, const std::string& section, const std::string& key,
                         const std::string& value) {
    std::vector<Line> lines = splitLines(fileBytes);
    setValue(lines, section, key, value);
    return joinLines(lines);
}

std::string ReadIniValue(const std::string& section, const std::string& key, const std::string& path) {
    return iniValueIn(readWholeFile(path), section, key);
}

void WriteIniValue(const std::string& section, const std::string& key, const std::string& value,
                   const std::string& path) {
    replaceFile(path, withIniValue(readWholeFile(path), section, key, value));
}

void EnsureFileExists(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd >= 0) {
        ::close(fd);
        return;
    }
    if (errno != ENOENT) return;  // exists but cannot be opened: the write will tell
    // It will hold the POP3 password: only its owner may read it.
    fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) throw fileError(errno, path);
    ::close(fd);
}

// ---- whole record ------------------------------------------------------------------------

std::vector<IniField> settingsFields(Settings& s) {
    return {
        {kBasic, kWatchInterval, storeInt32(s.WatchIntervalSeconds, 600)},
        {kApp, kRunApp, storeBool(s.RunAppOnChange)},
        {kApp, kAppPath, storeText(s.AppPath), true},
        {kMail, kMailOnChange, storeBool(s.MailOnChange)},
        {kMail, kSmtpServer, storeText(s.SmtpServer), true},
        {kMail, kMailTo, storeText(s.MailTo), true},
        {kMail, kReplyAddress, storeText(s.ReplyAddress), true},
        {kMail, kPopBeforeSmtp, storeBool(s.PopBeforeSmtp)},
        {kMail, kPop3Server, storeText(s.Pop3Server), true},
        {kMail, kPop3User, storeText(s.Pop3User), true},
        {kMail, kPop3Password, storeText(s.Pop3Password), true},
        {kMail, kRetryCount, storeInt16(s.RetryCount, 3)},
        {kMail, kMailOnStartup, storeBool(s.MailOnStartup)},
        {kRouter, kUseRouter, storeBool(s.UseRouterLookup)},
        {kRouter, kLookupUrl, storeText(s.LookupUrl), true},
        {kRouter, kAdvancedParse, storeBool(s.UseAdvancedParse)},
        {kRouter, kStartMarker, storeText(s.ParseStartMarker), true},
        {kRouter, kEndMarker, storeText(s.ParseEndMarker), true},
        {kRouter, kPageCharset, storeText(s.PageCharset), true},
        {kRouter, kAddressOrdinal, storeInt32(s.AddressOrdinal, 1)},
        {kRouter, kAddressSeparator, storeText(s.AddressSeparator), true},
    };
}

void LoadIniFields(const std::string& path, const std::vector<IniField>& fields) {
    for (const IniField& field : fields) {
        try {
            std::string value;
            bool missing = false;
            try {
                value = ReadIniValue(field.section, field.key, path);
            } catch (const RuntimeError& e) {
                if (e.number() != err::FileNotFound) throw;
                missing = true;
            }
            if (missing) {
                messageBox(kFileMissing, kErrorCaption);
                if (field.keepOnMissingFile) continue;
            }
            if (field.store) field.store(value);
        } catch (const RuntimeError& e) {
            // Reading past the end ends the load quietly; every other error is shown and ends it.
            if (e.number() != err::InputPastEnd) messageBox(e.report(), kErrorCaption);
            return;
        } catch (const std::bad_alloc&) {
            messageBox(makeError(err::OutOfMemory).report(), kErrorCaption);
            return;
        } catch (const std::exception& e) {
            messageBox(makeError(51, e.what()).report(), kErrorCaption);
            return;
        }
    }
}

void LoadSettings() { LoadIniFields(settingsPath(), settingsFields(settings())); }

std::string settingsFileText(const Settings& s, std::string_view fileBytes) {
    // The order of the keys in a fresh file; the watch period stands in "メール設定" a second
    // time, where it is written but never read.
    const std::pair<const char*, const char*> order[] = {
        {kBasic, kWatchInterval},     {kApp, kRunApp},           {kApp, kAppPath},
        {kMail, kMailOnChange},       {kMail, kSmtpServer},      {kMail, kMailTo},
        {kMail, kReplyAddress},       {kMail, kPopBeforeSmtp},   {kMail, kPop3Server},
        {kMail, kPop3User},           {kMail, kPop3Password},    {kMail, kRetryCount},
        {kMail, kWatchInterval},      {kMail, kMailOnStartup},   {kRouter, kUseRouter},
        {kRouter, kLookupUrl},        {kRouter, kAdvancedParse}, {kRouter, kStartMarker},
        {kRouter, kEndMarker},        {kRouter, kPageCharset},   {kRouter, kAddressOrdinal},
        {kRouter, kAddressSeparator},
    };
    const std::string values[] = {
        std::to_string(s.WatchIntervalSeconds), boolText(s.RunAppOnChange), s.AppPath,
        boolText(s.MailOnChange), s.SmtpServer, s.MailTo,
        s.ReplyAddress, boolText(s.PopBeforeSmtp), s.Pop3Server,
        s.Pop3User, s.Pop3Password, std::to_string(s.RetryCount),
        std::to_string(s.WatchIntervalSeconds), boolText(s.MailOnStartup), boolText(s.UseRouterLookup),
        s.LookupUrl, boolText(s.UseAdvancedParse), s.ParseStartMarker,
        s.ParseEndMarker, s.PageCharset, std::to_string(s.AddressOrdinal),
        s.AddressSeparator,
    };
    static_assert(std::size(order) == 22 && std::size(values) == 22);
    std::vector<Line> lines = splitLines(fileBytes);
    for (size_t i = 0; i < std::size(order); ++i) setValue(lines, order[i].first, order[i].second, values[i]);
    return joinLines(lines);
}

void SaveSettings() {
    const std::string path = settingsPath();
    EnsureFileExists(path);
    // All 22 keys are set in memory and the file is replaced once, so a save interrupted at any
    // point leaves the old settings or the new ones, never a mixture.
    replaceFile(path, settingsFileText(settings(), readWholeFile(path)));
}

// ---- numbers -----------------------------------------------------------------------------

bool parseNumber(const std::string& text, double& value) {
    size_t b = 0, e = text.size();
    while (b < e && isBlank(text[b])) ++b;
    while (e > b && isBlank(text[e - 1])) --e;
    size_t i = b;
    if (i < e && (text[i] == '+' || text[i] == '-')) ++i;
    size_t digits = 0;
    while (i < e && isDigit(text[i])) ++i, ++digits;
    if (i < e && text[i] == '.') {
        ++i;
        while (i < e && isDigit(text[i])) ++i, ++digits;
    }
    if (digits == 0) return false;
    if (i < e && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        if (i < e && (text[i] == '+' || text[i] == '-')) ++i;
        size_t exponentDigits = 0;
        while (i < e && isDigit(text[i])) ++i, ++exponentDigits;
        if (exponentDigits == 0) return false;
    }
    if (i != e) return false;
    // Too large gives infinity, which no field holds (an overflow when converted).
    value = ::strtod_l(text.substr(b, e - b).c_str(), nullptr, cLocale());
    return true;
}

int32_t toInt32(double value) {
    double r = roundHalfEven(value);
    if (!(r >= INT32_MIN && r <= INT32_MAX)) throw makeError(err::Overflow);
    return static_cast<int32_t>(r);
}

int16_t toInt16(double value) {
    double r = roundHalfEven(value);
    if (!(r >= INT16_MIN && r <= INT16_MAX)) throw makeError(err::Overflow);
    return static_cast<int16_t>(r);
}

}  // namespace nw
