// The export's argument checks (no network is needed for them) and the callers' binding,
// against stand-in libraries.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "client.h"
#include "nw/platform/error.h"
#include "nw/platform/folder.h"
#include "recorder.h"

extern "C" int32_t Hostexpress(char* buffer, int32_t* length);

namespace {

constexpr char kFill = '\x5A';

std::array<char, 32> filled() {
    std::array<char, 32> b;
    b.fill(kFill);
    return b;
}

// How many leading bytes of `b` were written (the highest changed index plus one).
size_t extent(const std::array<char, 32>& b) {
    size_t n = 0;
    for (size_t i = 0; i < b.size(); ++i)
        if (b[i] != kFill) n = i + 1;
    return n;
}

std::string fakeFolder(const char* name) { return std::string(std::getenv("NW_BIN")) + "/hostexp-fakes/" + name; }

struct FolderGuard {
    explicit FolderGuard(const std::string& folder) { nw::setProgramFolderForTesting(folder); }
    ~FolderGuard() { nw::setProgramFolderForTesting({}); }
};

}  // namespace

TEST(Hostexpress, SizeBelowSixteenFailsWritingAtMostTheFirstByte) {
    struct Case {
        int32_t size;
        size_t written;
    };
    // 15 gets the empty text; a size of zero or less leaves the buffer alone.
    for (Case c : {Case{15, 1}, Case{1, 1}, Case{0, 0}, Case{-1, 0}, Case{INT32_MIN, 0}}) {
        SCOPED_TRACE(c.size);
        auto buffer = filled();
        int32_t length = c.size;
        EXPECT_EQ(Hostexpress(buffer.data(), &length), 0);
        EXPECT_EQ(length, 0);
        EXPECT_EQ(extent(buffer), c.written);
        if (c.written) EXPECT_EQ(buffer[0], '\0');
    }
}

TEST(Hostexpress, NullArgumentsFailWithoutWriting) {
    auto buffer = filled();
    EXPECT_EQ(Hostexpress(buffer.data(), nullptr), 0);
    EXPECT_EQ(extent(buffer), 0u);

    int32_t length = 16;
    EXPECT_EQ(Hostexpress(nullptr, &length), 0);
    EXPECT_EQ(length, 0);
}

TEST(LibraryAddress, DecodesTheBytesTheLibraryCounts) {
    FolderGuard folder(fakeFolder("answers"));
    struct Case {
        const char* mode;
        std::string expected;
    };
    const Case cases[] = {
        {"probe", "16 zero"},                  // told 16, handed a zeroed 17-byte buffer
        {"trailing", "10.0.0.1"},              // bytes after the counted ones are ignored
        {"fail", ""},                          // result 0: empty, whatever the buffer holds
        {"huge", "9999999999999999"},          // a length past the buffer stops at 16
        {"negative", ""},                      // a negative length gives nothing
        {"highbytes", "\u00C0\u00A8.1"},       // one character per byte
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        setenv("NW_FAKE_HOSTEXP", c.mode, 1);
        EXPECT_EQ(nw::LibraryAddress(), c.expected);
        // A second call gives the same: the library keeps nothing, neither does the binding.
        EXPECT_EQ(nw::LibraryAddress(), c.expected);
    }
    unsetenv("NW_FAKE_HOSTEXP");
}

TEST(LibraryAddress, MissingLibraryOrExportRaisesNumberedErrors) {
    struct Case {
        const char* folder;
        int number;
    };
    for (Case c : {Case{"none", nw::err::LibraryLoad}, Case{"noexport", nw::err::EntryPointNotFound}}) {
        SCOPED_TRACE(c.folder);
        FolderGuard folder(fakeFolder(c.folder));
        try {
            nw::LibraryAddress();
            ADD_FAILURE() << "no error";
        } catch (const nw::RuntimeError& e) {
            EXPECT_EQ(e.number(), c.number);
        }
    }
}
