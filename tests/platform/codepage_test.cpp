#include <gtest/gtest.h>

#include "nw/platform/codepage.h"

TEST(Codepage, RoundTripsJapaneseAndTheWindowsOnlyCharacters) {
    // "～" (U+FF5E) and "①" exist in CP932 but not in plain Shift_JIS; 0x5C stays a backslash.
    const std::string text = "IP監視周期～①\\";
    const std::string sjis = nw::toSjis(text);
    EXPECT_EQ(sjis, std::string("IP\x8A\xC4\x8E\x8B\x8E\xFC\x8A\xFA\x81\x60\x87\x40\\"));
    EXPECT_EQ(nw::fromSjis(sjis), text);
}

TEST(Codepage, BadBytesAreReplacedAndTheRestSurvives) {
    EXPECT_EQ(nw::fromSjis(std::string("a\x81\x7F" "b", 4)), "a\xEF\xBF\xBD\x7F" "b");
    EXPECT_EQ(nw::fromSjis(std::string("a\0b", 3)), std::string("a\0b", 3));
    EXPECT_EQ(nw::toSjis("a\xF0\x9F\x98\x80" "b"), "a?b");  // an emoji has no CP932 code
}
