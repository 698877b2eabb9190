// The program launch: started without waiting and without a shell; every failure gives the one
// message.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "mail_servers.h"
#include "notify.h"
#include "nw/platform/ui.h"
#include "recorder.h"
#include "settings.h"

namespace {

using Clock = std::chrono::steady_clock;
using nwtest::waitForFile;

const std::string kFailed = "アプリケーションを実行できませんでした。";

class LaunchTest : public ::testing::Test {
protected:
    nwtest::TempDir dir;
    nwtest::MessageRecorder boxes;
    std::string report = dir.file("report");

    // A program that writes its parent, its standard input and its arguments (one a line) to
    // `report`, after `delay` seconds.
    std::string makeRecorder(const std::string& name, const char* delay = "0") {
        const std::string path = dir.file(name);
        nwtest::writeFile(path, "#!/bin/sh\nsleep " + std::string(delay) +
                                    "\n{ echo \"ppid=$PPID\"; echo \"stdin=$(readlink /proc/self/fd/0)\";"
                                    " for a in \"$@\"; do printf '%s\\n' \"$a\"; done; } > '" +
                                    report + ".tmp'\nmv '" + report + ".tmp' '" + report + "'\n");
        chmod(path.c_str(), 0755);
        return path;
    }

    std::vector<std::string> reportLines() {
        std::vector<std::string> lines;
        std::istringstream in(nwtest::readFile(report));
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        return lines;
    }
};

TEST_F(LaunchTest, StartsWithoutWaitingAndWithoutBeingOurChild) {
    const std::string program = makeRecorder("slow", "1");
    const auto start = Clock::now();
    nw::AppTestOnSub(program + " one");
    EXPECT_LT(std::chrono::duration<double>(Clock::now() - start).count(), 0.8);
    EXPECT_FALSE(std::filesystem::exists(report));
    EXPECT_TRUE(boxes.boxes().empty());

    ASSERT_TRUE(waitForFile(report, 10));
    const auto lines = reportLines();
    ASSERT_EQ(lines.size(), 3u);
    // Detached: its parent is not this process, so it never becomes a zombie of ours.
    EXPECT_NE(lines[0], "ppid=" + std::to_string(getpid()));
    EXPECT_EQ(lines[1], "stdin=/dev/null");
    EXPECT_EQ(lines[2], "one");
}

TEST_F(LaunchTest, AppOnSubStartsAppPath) {
    nw::settings().AppPath = "'" + makeRecorder("app") + "' from-settings";
    nw::AppOnSub();
    ASSERT_TRUE(waitForFile(report, 10));
    EXPECT_EQ(reportLines().back(), "from-settings");
    EXPECT_TRUE(boxes.boxes().empty());
}

// The line is split into words with quotes and escapes, and nothing in it is run by a shell.
TEST_F(LaunchTest, CommandLineIsSplitNotInterpreted) {
    const std::string program = "\"" + makeRecorder("my program") + "\"";
    const std::string d = dir.path();
    struct Case {
        std::string args;
        std::vector<std::string> expected;
    };
    const std::vector<Case> cases = {
        {"a  b\tc", {"a", "b", "c"}},
        {"\"two words\" 'single $HOME \\n' x\\ y ''", {"two words", "single $HOME \\n", "x y", ""}},
        {R"("q \" b \\ d \$ g \` n \n")", {R"(q " b \ d $ g ` n \n)"}},
        {"; touch " + d + "/x1 && touch " + d + "/x2 | touch " + d + "/x3",
         {";", "touch", d + "/x1", "&&", "touch", d + "/x2", "|", "touch", d + "/x3"}},
        {"$(touch " + d + "/x4) `touch " + d + "/x5` >" + d + "/x6 *",
         {"$(touch", d + "/x4)", "`touch", d + "/x5`", ">" + d + "/x6", "*"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args);
        std::filesystem::remove(report);
        nw::AppTestOnSub(program + " " + c.args);
        ASSERT_TRUE(waitForFile(report, 10));
        auto lines = reportLines();
        lines.erase(lines.begin(), lines.begin() + 2);
        EXPECT_EQ(lines, c.expected);
    }
    for (const char* name : {"x1", "x2", "x3", "x4", "x5", "x6"})
        EXPECT_FALSE(std::filesystem::exists(dir.file(name))) << name;
    EXPECT_TRUE(boxes.boxes().empty());
}

TEST_F(LaunchTest, ProgramIsSearchedOnThePath) {
    nw::AppTestOnSub("touch " + dir.file("by-path"));
    EXPECT_TRUE(waitForFile(dir.file("by-path"), 10));
    EXPECT_TRUE(boxes.boxes().empty());
}

TEST_F(LaunchTest, EveryFailureShowsTheOneMessage) {
    const std::string plain = dir.file("not-executable");
    nwtest::writeFile(plain, "#!/bin/sh\ntouch '" + dir.file("ran") + "'\n");
    const std::string noInterpreter = dir.file("no-interpreter");
    nwtest::writeFile(noInterpreter, "#!/nonexistent/interpreter\n");
    chmod(noInterpreter.c_str(), 0755);
    const std::string d = dir.path();
    const std::vector<std::string> lines = {
        "",
        "   ",
        dir.file("missing"),
        "no-such-program-on-the-path-" + std::to_string(getpid()),
        plain,
        noInterpreter,
        d,
        "\"" + plain + " unterminated",
        "; touch " + d + "/ran",
        "$(touch " + d + "/ran)",
        "\"\" touch " + d + "/ran",
    };
    for (const std::string& line : lines) {
        SCOPED_TRACE(line);
        boxes.clear();
        nw::AppTestOnSub(line);
        EXPECT_EQ(boxes.boxes(), (std::vector<nwtest::Box>{{nw::programTitle(), kFailed}}));
    }
    nw::settings().AppPath = "";
    boxes.clear();
    nw::AppOnSub();
    EXPECT_EQ(boxes.boxes(), (std::vector<nwtest::Box>{{nw::programTitle(), kFailed}}));

    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_FALSE(std::filesystem::exists(dir.file("ran")));
}

}  // namespace
