#include <gtest/gtest.h>

#include "nw/platform/error.h"
#include "nw/platform/folder.h"
#include "nw/platform/library.h"
#include "recorder.h"

TEST(Library, MissingLibraryAndMissingRoutineRaiseNumberedErrors) {
    nwtest::TempDir dir;
    nw::setProgramFolderForTesting(dir.path());
    try {
        nw::librarySymbol("nosuchlib", "f");
        FAIL() << "no error";
    } catch (const nw::RuntimeError& e) {
        EXPECT_EQ(e.number(), nw::err::LibraryLoad);
        EXPECT_EQ(e.report().rfind("48", 0), 0u);
    }
    nw::setProgramFolderForTesting({});
    EXPECT_EQ(nw::programFolder(), std::string(std::getenv("NW_BIN")));
}
