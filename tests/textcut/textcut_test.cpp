// libtextcut.so: what a piece is, and that the three routines that look at the page agree.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "textcut.h"

namespace {

// The pieces as nukidashi writes them, in slots sized the way the lookup's contract says.
std::vector<std::string> cut(const std::string& page, const std::string& sep) {
    const int32_t n = nanko(page.c_str(), sep.c_str());
    const int32_t width = 3 * nukidashi_maxlen(page.c_str(), sep.c_str()) + 2;
    std::vector<char> slots(static_cast<size_t>(n + 2) * width + 1, '\0');
    EXPECT_EQ(nukidashi(page.c_str(), sep.c_str(), slots.data(), static_cast<int16_t>(width)), n + 1);
    std::vector<std::string> pieces;
    for (int32_t i = 0; i <= n; ++i) pieces.emplace_back(slots.data() + static_cast<size_t>(i) * width);
    return pieces;
}

using Pieces = std::vector<std::string>;

TEST(Textcut, PiecesCountAndLongestAgree) {
    struct Case {
        std::string page, sep;
        Pieces pieces;
    } cases[] = {
        {"203.0.113.5", ".", {"203", "0", "113", "5"}},
        {".a..", ".", {"", "a", "", ""}},
        {"no separator", ".", {"no separator"}},
        {"abc", "", {"abc"}},  // an empty separator never cuts
        {"", ".", {""}},
        {"1<>2<><>3", "<>", {"1", "2", "", "3"}},
        {"aaaa", "aa", {"", "", ""}},  // left to right, no overlap
        {"aaa", "aa", {"", "a"}},
        // "ア" is 83 41 and "ソ" is 83 5C: their second bytes are "A" and "\" but do not cut.
        {"\x83\x41" "A1A\x83\x5C\\2", "A", {"\x83\x41", "1", "\x83\x5C\\2"}},
        {"\x83\x41" "A1A\x83\x5C\\2", "\\", {"\x83\x41" "A1A\x83\x5C", "2"}},
        // a full-width separator "．" (81 44)
        {"1\x81\x44" "2\x81\x44\x81\x44", "\x81\x44", {"1", "2", "", ""}},
        // a lead byte without a second byte is a character of its own, and the cut still happens
        {"\x81.1", ".", {"\x81", "1"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.page + " | " + c.sep);
        EXPECT_EQ(cut(c.page, c.sep), c.pieces);
        EXPECT_EQ(nanko(c.page.c_str(), c.sep.c_str()), static_cast<int32_t>(c.pieces.size()) - 1);
        size_t longest = 0;
        for (const auto& p : c.pieces) longest = std::max(longest, p.size());
        EXPECT_EQ(nukidashi_maxlen(c.page.c_str(), c.sep.c_str()), static_cast<int32_t>(longest));
    }
}

TEST(Textcut, NukidashiNeverWritesPastASlot) {
    // Slots of 4 bytes for pieces of up to 6: each is cut after its last whole character.
    std::vector<char> slots(3 * 4 + 1, '#');
    EXPECT_EQ(nukidashi("abcdef,\x82\xA0\x82\xA0,x", ",", slots.data(), 4), 3);
    EXPECT_STREQ(slots.data(), "abc");
    EXPECT_STREQ(slots.data() + 4, "\x82\xA0");  // no half character
    EXPECT_STREQ(slots.data() + 8, "x");
    EXPECT_EQ(slots[12], '#');
    EXPECT_EQ(nukidashi("a.b", ".", slots.data(), 0), 0);
    EXPECT_EQ(nukidashi("a.b", ".", slots.data(), -5), 0);
}

TEST(Textcut, CopyAndZeroSearch) {
    char scratch[] = "          ";
    EXPECT_EQ(txstrcpy(scratch, "12 a"), 4);
    EXPECT_EQ(std::string(scratch, sizeof scratch - 1), std::string("12 a\0     ", 10));
    EXPECT_EQ(doko_null(scratch), 4);
    EXPECT_EQ(doko_null(""), 0);
}

}  // namespace
