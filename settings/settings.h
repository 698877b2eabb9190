#pragma once
// The settings file netwarden.ini beside the programs and the program-wide Settings record.
// Text is UTF-8 here; the file itself is Shift_JIS (CP932) with CR LF line ends.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace nw {

struct Settings {
    int32_t WatchIntervalSeconds = 0;  // 基本設定 / IP監視周期, default 600
    bool RunAppOnChange = false;
    std::string AppPath;
    bool MailOnChange = false;
    std::string SmtpServer;
    std::string MailTo;
    std::string ReplyAddress;
    bool PopBeforeSmtp = false;
    std::string Pop3Server;
    std::string Pop3User;
    std::string Pop3Password;
    int16_t RetryCount = 0;            // default 3
    bool MailOnStartup = false;
    bool UseRouterLookup = false;
    std::string LookupUrl;
    bool UseAdvancedParse = false;
    std::string ParseStartMarker;
    std::string ParseEndMarker;
    std::string PageCharset;
    int32_t AddressOrdinal = 0;        // default 1
    std::string AddressSeparator;

    bool operator==(const Settings&) const = default;
};

// The program-wide record, zeroed until the first LoadSettings.
Settings& settings();
// What a load gives for a file that holds no values: 600 s, 3 retries, ordinal 1, the rest
// empty or false. The build writes this record as the default netwarden.ini.
Settings defaultSettings();

// program folder + "/netwarden.ini"
std::string settingsPath();

// Value of `key` in the first block of `section` that holds it, or empty text.
// Throws RuntimeError (FileNotFound, ...) when the file cannot be read.
std::string ReadIniValue(const std::string& section, const std::string& key, const std::string& path);
// Sets `key` to `value`, adding the key or the section when missing. Throws on file errors;
// the old file stays whole when the write fails.
void WriteIniValue(const std::string& section, const std::string& key, const std::string& value,
                   const std::string& path);
// Creates an empty file (mode 0600) when none exists.
void EnsureFileExists(const std::string& path);

// The same rules on the bytes of a file (CP932, any line ends), without touching the disk.
std::string iniValueIn(std::string_view fileBytes, const std::string& section, const std::string& key);
// The file as WriteIniValue leaves it: every line ended by CR LF, the key set.
std::string withIniValue(std::string_view fileBytes, const std::string& section, const std::string& key,
                         const std::string& value);
// The file as SaveSettings leaves it when it held `fileBytes` before (empty: the 26-line layout).
std::string settingsFileText(const Settings& s, std::string_view fileBytes = {});

// Fills settings() from the file; reports problems in message boxes, never throws.
void LoadSettings();
// Writes all of settings() to the file; throws on file errors.
void SaveSettings();

// One field of a load: where its value stands and how it is stored (the store may throw
// RuntimeError Overflow, which ends the load like any other error).
struct IniField {
    std::string section;
    std::string key;
    std::function<void(const std::string& value)> store;
    // When the file is missing, a text field keeps its value; the others are stored as if the
    // value were empty (numbers take their defaults, flags become false).
    bool keepOnMissingFile = false;
};
// The 21 fields of LoadSettings, in their order, storing into `target`.
std::vector<IniField> settingsFields(Settings& target);
// Reads the fields in order, each with ReadIniValue, under the load's error rules: a missing file
// shows "設定ファイルがみつかりません。" (caption "エラーメッセージ") once per field and goes on; any
// other error shows its number and description and ends the load. Never throws.
void LoadIniFields(const std::string& path, const std::vector<IniField>& fields);

// Number conversions shared with the dialog and 3rdaddrclip.
// True when `text` reads as a number (optional blanks and sign, digits, a decimal fraction,
// an exponent); the value goes to `value`.
bool parseNumber(const std::string& text, double& value);
// Nearest integer, halves to the even neighbour; throws RuntimeError Overflow when it does not fit.
int32_t toInt32(double value);
int16_t toInt16(double value);

}  // namespace nw
