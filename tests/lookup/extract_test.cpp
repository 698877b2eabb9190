// The address extraction from page text: the scan, the number reads, the modes and the markers.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "lookup.h"
#include "nw/platform/error.h"
#include "nw/platform/folder.h"
#include "recorder.h"
#include "reference_scan.h"

namespace {

const std::string kNo = nw::kNoAddress;

std::string simple(const std::string& page) { return nw::ExtractAddress(page, false, "", "", "", 0); }

TEST(Extract, SimpleModeTakesTheFirstDottedAddress) {
    const std::string blanks19(19, ' '), blanks20(20, ' ');
    struct Case {
        std::string page, expected;
    } cases[] = {
        {"Your address is 203.0.113.5 today", "203.0.113.5"},
        {"IP: 1 92.168.0.1 end", "192.168.0.1"},  // blanks are skipped inside a number
        {"version 2.10.1234.5", "2.10.123.5"},    // a fourth digit is never read
        {"ip 10.0.0.256 x", kNo},
        {"ip 10.0.0.255 x", "10.0.0.255"},
        {"ip 256.0.0.1 x", kNo},
        {"IP=007.008.009.010", "7.8.9.10"},
        {"1.2.3.4 end", kNo},  // no piece in front of the first three
        {"x.1.2.3.4", kNo},    // the piece in front has no number at its end
        {"a 1.2 b", kNo},      // fewer than three dots
        {"", kNo},
        {"...", kNo},
        // A forward read looks at 20 characters, the end of the piece being one of them.
        {"ip 1.2.3." + std::string(18, ' ') + "4", "1.2.3.4"},
        {"ip 1.2.3." + blanks19 + "4", kNo},
        // A backward read looks at 21 characters.
        {"x1" + blanks19 + ".2.3.4", "1.2.3.4"},
        {"x1" + blanks20 + ".2.3.4", kNo},
        // After 1, 2, 3 with nothing in front, the next piece "5" is passed over unread, so
        // 4.5.6.7 is never seen.
        {"x.1.2.3 q 4.5.6.7", kNo},
        {"x.1.2.3 q 4.5 r 6.7.8.9", "6.7.8.9"},
        // Full-width digits and blanks count; the address is written in ASCII digits.
        {"IP\xEF\xBC\x9A\xEF\xBC\x92\xEF\xBC\x90\xEF\xBC\x93.0.\xEF\xBC\x91\xE3\x80\x80\xEF\xBC\x91\xEF\xBC\x93.5",
         "203.0.113.5"},
        // Line ends and tags around the address.
        {"<html>\r\n<b>IP</b>: 198.51.100.23<br>\r\n</html>", "198.51.100.23"},
        // Japanese text around it; a long run of double-byte characters in front.
        {"\xE7\x8F\xBE\xE5\x9C\xA8\xE3\x81\xAEIP\xE3\x81\xAF 203.0.113.5 \xE3\x81\xA7\xE3\x81\x99", "203.0.113.5"},
    };
    for (const Case& c : cases) EXPECT_EQ(simple(c.page), c.expected) << c.page;
}

TEST(Extract, LongPiecesAreReadAtTheirEdgesOnly) {
    std::string kanji;
    for (int i = 0; i < 40000; ++i) kanji += "\xE4\xBA\x9C";  // 亜: both of its Shift_JIS bytes could lead
    // A full-width 1 at the end of a long run of such characters must be found by the backward read.
    EXPECT_EQ(simple(kanji + "\xEF\xBC\x91.2.3.4"), "1.2.3.4");
    EXPECT_EQ(simple(std::string(200000, 'x') + " 10.0.0.1 " + std::string(200000, 'y')), "10.0.0.1");
    EXPECT_EQ(simple("a 10.0.0.1" + std::string(300000, 'z')), "10.0.0.1");
}

struct Detailed {
    std::string page, start, end, separator;
    int32_t ordinal;
    std::string expected;
};

TEST(Extract, DetailedModeCutsSplitsAndCounts) {
    const std::string fullStop = "\xEF\xBC\x8E";  // ．
    const Detailed cases[] = {
        {"IP: 203-0-113-5 ok", "IP", "ok", "-", 1, "203.0.113.5"},
        // After the cut the text is " 203-0-113-5 ": its first piece begins with a number, and
        // nothing stands in front of it.
        {"IP 203-0-113-5 ok", "IP", "ok", "-", 1, kNo},
        {"[a 1.2.3.4 b 5.6.7.8 c]", "[", "]", ".", 1, "1.2.3.4"},
        {"[a 1.2.3.4 b 5.6.7.8 c]", "[", "]", ".", 2, "5.6.7.8"},  // "4 b 5" serves both
        {"[a 1.2.3.4 b 5.6.7.8 c]", "[", "]", ".", 3, kNo},
        {"[a 1.2.3.4 b 5.6.7.8 c]", "[", "]", ".", 0, kNo},
        {"[a 1.2.3.4 b 5.6.7.8 c]", "[", "]", ".", -1, kNo},
        // The first part of the second address is the end of "4": one digit alone gives none,
        // three digits do.
        {"[a 1.2.3.4.5.6.7]", "[", "]", ".", 2, kNo},
        {"[a 1.2.3.123.5.6.7]", "[", "]", ".", 2, "123.5.6.7"},
        {"<html><body>IP 10.1.2.3</body></html>", "<HTML>", "</HTML>", ".", 1, "10.1.2.3"},
        {"<html>IP 10.1.2.3</html>", "<table>", "</table>", ".", 1, kNo},
        {"[a 1.2.3.4 b] x [c 5.6.7.8 d]", "[", "]", ".", 1, kNo},
        {"y [a 1.2.3.4 b] x [c 5.6.7.8 d]", "[", "]", ".", 1, "5.6.7.8"},
        {"a 1.2.3.4 b", "", "", ".", 1, kNo},
        {"[a 1.2.3.4 b]", "[", "]", "", 1, kNo},
        {"[a 1.2 b]", "[", "]", ".", 1, kNo},
        // A separator of several characters, and a full-width one.
        {"[a 1::2::3::4 b]", "[", "]", "::", 1, "1.2.3.4"},
        {"\xE7\x8F\xBE\xE5\x9C\xA8\xE3\x81\xAEIP\xEF\xBC\x9A\xEF\xBC\x92\xEF\xBC\x90\xEF\xBC\x93" + fullStop + "0" +
             fullStop + "113" + fullStop + "5\xE3\x81\xA7\xE3\x81\x99",
         "\xE7\x8F\xBE\xE5\x9C\xA8\xE3\x81\xAE", "\xE3\x81\xA7\xE3\x81\x99", fullStop, 1, "203.0.113.5"},
        // "ア" is 83 41 in Shift_JIS: its second byte is not the separator "A".
        {"[\xE3\x82\xA2\xE3\x82\xA2 1A2A3A4]", "[", "]", "A", 1, "1.2.3.4"},
    };
    for (const Detailed& c : cases) {
        EXPECT_EQ(nw::ExtractAddress(c.page, true, c.start, c.end, c.separator, c.ordinal), c.expected)
            << c.page << " | " << c.start << " | " << c.end << " | " << c.separator << " | " << c.ordinal;
    }
}

TEST(Extract, SimpleModeIgnoresTheDetailedArguments) {
    EXPECT_EQ(nw::ExtractAddress("a 1.2.3.4 b 5.6.7.8", false, "zzz", "zzz", "-", 2), "1.2.3.4");
}

// The extraction against a plain implementation that keeps every piece in its own slot, on
// generated pages full of numbers, blanks, separators and double-byte characters.
TEST(Extract, AgreesWithThePlainSlotImplementation) {
    const std::vector<std::string> tokens = {
        "1",   "2",  "5",  "9",   "0",   "25", "255", "256", "1234", " ",  " ",   "\xE3\x80\x80", ".",
        ".",   ".",  "-",  "a",   "x",   "::", "A",   "[",   "]",    "ip", "IP",  "\n",           "\xEF\xBC\x91",
        "\xEF\xBC\x8E", "\xE3\x82\xA2", "\xE4\xBA\x9C", "\xEF\xBD\xB1", "\xF0\x9F\x98\x80", std::string(1, '\0')};
    const std::vector<std::string> separators = {".", ".", "-", "::", "A", "\xEF\xBC\x8E", "\xE3\x82\xA2", ".."};
    const std::vector<std::string> markers = {"", "[", "]", "ip", "x"};
    std::mt19937 random(20240611);
    auto pick = [&](const std::vector<std::string>& v) { return v[random() % v.size()]; };
    int found = 0;
    for (int round = 0; round < 4000; ++round) {
        const bool detailed = random() % 2;
        const std::string start = pick(markers), end = pick(markers), separator = pick(separators);
        // Tokens, the page's own separator among them, and now and then four numbers joined by it.
        const std::string used = detailed ? separator : ".";
        std::string page;
        const int length = static_cast<int>(random() % 60);
        for (int k = 0; k < length; ++k) {
            switch (random() % 4) {
            case 0: page += used; break;
            case 1:
                if (random() % 4 == 0) {
                    page += pick(tokens) + pick(tokens);
                    for (int part = 0; part < 4; ++part) page += (part ? used : "") + std::to_string(random() % 300);
                    break;
                }
                [[fallthrough]];
            default: page += pick(tokens);
            }
        }
        const int32_t ordinal = static_cast<int32_t>(random() % 5) - 1;
        const auto expected = nwtest::referenceExtract(page, detailed, start, end, separator, ordinal);
        ASSERT_TRUE(expected.has_value());
        const std::string got = nw::ExtractAddress(page, detailed, start, end, separator, ordinal);
        ASSERT_EQ(got, *expected) << "page [" << page << "] detailed " << detailed << " markers [" << start
                                  << "] [" << end << "] separator [" << separator << "] ordinal " << ordinal;
        found += got != nw::kNoAddress;
    }
    EXPECT_GT(found, 100);  // the generated pages do hold addresses
}

TEST(Extract, MissingTextcutLibraryOrRoutineIsRaised) {
    auto raised = [] {
        try {
            simple("a 1.2.3.4 b");
        } catch (const nw::RuntimeError& e) {
            return e.number();
        }
        return 0;
    };
    nwtest::TempDir empty, wrong;
    nw::setProgramFolderForTesting(empty.path());
    EXPECT_EQ(raised(), nw::err::LibraryLoad);
    EXPECT_EQ(nw::ExtractAddress("", false, "", "", "", 0), nw::kNoAddress);  // an empty page needs no library
    // A library of that name without the routines.
    std::filesystem::copy_file(std::string(std::getenv("NW_BIN")) + "/libkanjiconv.so", wrong.file("libtextcut.so"));
    nw::setProgramFolderForTesting(wrong.path());
    EXPECT_EQ(raised(), nw::err::EntryPointNotFound);
    nw::setProgramFolderForTesting({});
}

}  // namespace
