#pragma once
// Two full records that the tests save over each other.
#include "settings.h"

namespace settingstest {

inline nw::Settings recordA() {
    nw::Settings s;
    s.WatchIntervalSeconds = 10;
    s.RunAppOnChange = true;
    s.AppPath = "/usr/bin/notify-send 変化";
    s.MailOnChange = true;
    s.SmtpServer = "127.0.0.1:2525";
    s.MailTo = "owner@example.jp";
    s.ReplyAddress = "reply@example.jp";
    s.PopBeforeSmtp = false;
    s.Pop3Server = "127.0.0.1";
    s.Pop3User = "test";
    s.Pop3Password = "pa=ss";
    s.RetryCount = -5;
    s.MailOnStartup = true;
    s.UseRouterLookup = true;
    s.LookupUrl = "http://127.0.0.1:8080/ip";
    s.UseAdvancedParse = false;
    s.ParseStartMarker = "<b>IP=";
    s.ParseEndMarker = "</b>";
    s.PageCharset = "sjis";
    s.AddressOrdinal = 2;
    s.AddressSeparator = "～";
    return s;
}

inline nw::Settings recordB() {
    nw::Settings s = nw::defaultSettings();
    s.WatchIntervalSeconds = 3600;
    s.AppPath = "x";
    s.Pop3Password = "a much longer password than before, to change the size of the file";
    s.RetryCount = 32767;
    s.PageCharset = "euc";
    return s;
}

}  // namespace settingstest
