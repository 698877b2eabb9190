// Fuzzes the settings reader and writer on arbitrary file bytes, section names, keys and values.
// Input: three length bytes (section, key, value), those three texts as CP932, then the file.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "nw/platform/codepage.h"
#include "settings.h"

namespace {

void check(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "broken: %s\n", what);
        std::abort();
    }
}

// Text as the programs hold it: what the file's code page carries, on one line.
std::string asText(const std::string& cp932) {
    std::string text;
    for (char c : nw::fromSjis(cp932)) {
        if (c != '\r' && c != '\n') text += c;
    }
    return nw::fromSjis(nw::toSjis(text));
}

bool survivesTheFile(const std::string& text) { return nw::fromSjis(nw::toSjis(text)) == text; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 3) return 0;
    std::string_view rest(reinterpret_cast<const char*>(data) + 3, size - 3);
    auto take = [&rest](size_t n) {
        n = std::min(n, rest.size());
        std::string part(rest.substr(0, n));
        rest.remove_prefix(n);
        return part;
    };
    const std::string rawSection = take(data[0] % 32);
    const std::string rawKey = take(data[1] % 32);
    const std::string rawValue = take(data[2] % 64);
    const std::string_view file = rest;

    // Anything at all, invalid UTF-8 included: no crash.
    nw::iniValueIn(file, rawSection, rawKey);
    nw::withIniValue(file, rawSection, rawKey, rawValue);

    const std::string section = asText(rawSection), key = asText(rawKey), value = asText(rawValue);
    if (!survivesTheFile(section) || !survivesTheFile(key) || !survivesTheFile(value)) return 0;

    const std::string out = nw::withIniValue(file, section, key, value);
    check(out.empty() || out.ends_with("\r\n"), "the file ends without CR LF");
    for (size_t i = out.find('\n'); i != std::string::npos; i = out.find('\n', i + 1)) {
        check(i > 0 && out[i - 1] == '\r', "a line ended by LF alone");
    }
    // A key with "=" or a key line that looks like a section line cannot be found again; any
    // other key reads back, and writing it again changes nothing.
    const std::string line = key + "=" + value;
    bool lineIsSectionLine = line.size() >= 2 && line.front() == '[' && line.back() == ']';
    if (key.find('=') == std::string::npos && !lineIsSectionLine) {
        check(nw::iniValueIn(out, section, key) == value, "the written value does not read back");
        check(nw::withIniValue(out, section, key, value) == out, "writing the same value twice differs");
    }

    // A whole record saved over any file loads back as it was.
    nw::Settings saved;
    saved.WatchIntervalSeconds = static_cast<int32_t>(data[0] * 0x01010101u);
    saved.RetryCount = static_cast<int16_t>(data[1] * 0x0101 - 0x8000);
    saved.AddressOrdinal = -static_cast<int32_t>(data[2]);
    saved.RunAppOnChange = saved.PopBeforeSmtp = saved.UseAdvancedParse = data[0] & 1;
    saved.MailOnChange = saved.MailOnStartup = saved.UseRouterLookup = data[1] & 1;
    saved.AppPath = saved.SmtpServer = saved.Pop3Password = saved.ParseStartMarker = value;
    saved.MailTo = saved.Pop3User = saved.LookupUrl = saved.ParseEndMarker = key;
    saved.ReplyAddress = saved.Pop3Server = saved.PageCharset = saved.AddressSeparator = section;
    const std::string text = nw::settingsFileText(saved, file);
    nw::Settings loaded;
    for (const nw::IniField& field : nw::settingsFields(loaded)) field.store(nw::iniValueIn(text, field.section, field.key));
    check(loaded == saved, "a saved record does not load back");
    return 0;
}
