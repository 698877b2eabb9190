// libkanjiconv.so: EUC-JP and the Unicode forms to CP932, within the destination it is given.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "kanjiconv.h"

namespace {

using Routine = int32_t(const char*, char*);

// Calls a routine the way the lookup does: a length-prefixed copy of the page and a
// destination of 2 * (length - 1) blanks, followed here by guard bytes that must stay.
std::string convert(Routine* routine, const std::string& page) {
    const uint32_t length = static_cast<uint32_t>(page.size());
    std::string source(4 + page.size() + 4, '\0');
    std::memcpy(source.data(), &length, 4);
    std::memcpy(source.data() + 4, page.data(), page.size());
    const size_t capacity = length > 1 ? 2 * (length - 1) : 0;
    std::string destination(capacity, ' ');
    destination += "GUARD";
    routine(source.data() + 4, destination.data());
    EXPECT_EQ(destination.substr(capacity), "GUARD") << "wrote past the destination";
    destination.resize(capacity);
    return destination.substr(0, destination.find('\0'));
}

std::string euc(const std::string& page) { return convert(tcv_euc2sjis, page); }
std::string uni(const std::string& page) { return convert(tcv_uni2sjis, page); }

// "IPアドレス①: 1" in CP932
const std::string kSjis = "IP\x83\x41\x83\x68\x83\x8C\x83\x58\x87\x40: 1";

TEST(Kanjiconv, EucJpToCp932) {
    // EUC-JP with the NEC row 13 character ①.
    EXPECT_EQ(euc("IP\xA5\xA2\xA5\xC9\xA5\xEC\xA5\xB9\xAD\xA1: 1"), kSjis);
    // Half-width kana (8E B1) becomes one byte; a broken character becomes "?" and the rest
    // still converts.
    EXPECT_EQ(euc("\x8E\xB1" "a\xA5" "b"), "\xB1" "a?b");
}

TEST(Kanjiconv, UnicodeFormIsTakenFromTheMarkOrTheFirstCharacter) {
    const std::string utf8 = "IP\xE3\x82\xA2\xE3\x83\x89\xE3\x83\xAC\xE3\x82\xB9\xE2\x91\xA0: 1";
    std::u16string text = u"IPアドレス①: 1";
    std::string le, be;
    for (char16_t c : text) {
        le += static_cast<char>(c & 0xFF), le += static_cast<char>(c >> 8);
        be += static_cast<char>(c >> 8), be += static_cast<char>(c & 0xFF);
    }
    struct Case {
        const char* form;
        std::string page;
    } cases[] = {
        {"UTF-8", utf8},
        {"UTF-8 with mark", "\xEF\xBB\xBF" + utf8},
        {"UTF-16LE with mark", "\xFF\xFE" + le},
        {"UTF-16BE with mark", "\xFE\xFF" + be},
        {"UTF-16LE without mark", le},
        {"UTF-16BE without mark", be},
    };
    for (const Case& c : cases) EXPECT_EQ(uni(c.page), kSjis) << c.form;
}

TEST(Kanjiconv, ZerosAndOddEndsAndUnmappableCharacters) {
    // UTF-16 holds zero bytes in every ASCII character; a zero character ends the text.
    EXPECT_EQ(uni(std::string("\xFF\xFE" "1\0.\0" "2\0\0\0" "3\0", 12)), "1.2");
    // An odd last byte is half a character.
    EXPECT_EQ(uni(std::string("\xFF\xFE" "1\0" "2", 5)), "1?");
    // An emoji (a surrogate pair in UTF-16) has no CP932 form: one "?" for the whole character.
    EXPECT_EQ(uni(std::string("\xFF\xFE" "a\0\x3D\xD8\x00\xDE" "b\0", 10)), "a?b");
    EXPECT_EQ(uni("a\xF0\x9F\x98\x80" "b"), "a?b");
    EXPECT_EQ(uni("a\xFF" "b"), "a?b");
}

TEST(Kanjiconv, TinyPagesStayInsideTheirDestination) {
    // 2 * (length - 1) bytes: none for one byte, exactly the text (no room for the zero) for two.
    EXPECT_EQ(euc("a"), "");
    EXPECT_EQ(euc("ab"), "ab");
    EXPECT_EQ(uni("ab"), "ab");
    EXPECT_EQ(uni("\xFF\xFE"), "");
    EXPECT_EQ(euc("abc"), "abc");
}

}  // namespace
