#include "settings.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <random>

#include "nw/platform/codepage.h"
#include "nw/platform/error.h"
#include "nw/platform/folder.h"
#include "records.h"
#include "recorder.h"

extern char** environ;

namespace {

using namespace std::string_literals;
using nwtest::readFile;
using nwtest::writeFile;

const std::string kCaption = "エラーメッセージ";
const std::string kMissing = "設定ファイルがみつかりません。";

// UTF-8 lines joined with CR LF and converted to CP932, as the file holds them.
std::string sjisLines(std::initializer_list<std::string> lines) {
    std::string text;
    for (const auto& l : lines) text += l + "\r\n";
    return nw::toSjis(text);
}

std::string binFolder() {
    const char* bin = std::getenv("NW_BIN");
    return bin && *bin ? bin : nw::programFolder();
}

mode_t modeOf(const std::string& path) {
    struct stat st {};
    EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
    return st.st_mode & 07777;
}

std::vector<std::string> namesIn(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(folder)) names.push_back(e.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

// Tests of the whole record run against a private program folder.
class SettingsFile : public ::testing::Test {
protected:
    void SetUp() override {
        nw::setProgramFolderForTesting(dir.path());
        nw::settings() = nw::Settings{};
    }
    void TearDown() override {
        nw::setProgramFolderForTesting("");
        nw::settings() = nw::Settings{};
    }
    std::string ini() const { return dir.file("netwarden.ini"); }

    nwtest::TempDir dir;
};

// ---- the file that a save writes --------------------------------------------------------

TEST_F(SettingsFile, SaveIntoNewFileWritesTheTwentySixLinesAndLoadsBack) {
    nw::settings() = settingstest::recordA();
    nw::SaveSettings();

    const std::string bytes = readFile(ini());
    EXPECT_EQ(bytes, sjisLines({
                         "[基本設定]",
                         "IP監視周期=10",
                         "[アプリケーション設定]",
                         "IP変化、時指定アプリケーションの起動=True",
                         "パス=/usr/bin/notify-send 変化",
                         "[メール設定]",
                         "IP変化時、現在のIPをメールで送信=True",
                         "SMTPサーバ=127.0.0.1:2525",
                         "送信先アドレス=owner@example.jp",
                         "返信アドレス=reply@example.jp",
                         "メール受信後に送信=False",
                         "pop3サーバ=127.0.0.1",
                         "pop3ID=test",
                         "pop3Pass=pa=ss",
                         "再試行回数=-5",
                         "IP監視周期=10",
                         "起動時にIPをメールで送信する=True",
                         "[ルーター用]",
                         "ルーターIP取得機能を使用する=True",
                         "IP取得先URL=http://127.0.0.1:8080/ip",
                         "詳細設定を有効にする=False",
                         "HTML解析開始文字列=<b>IP=",
                         "HTML解析終端文字列=</b>",
                         "HTML文字コード=sjis",
                         "何番目のIP=2",
                         "IPの区切り文字=～",
                     }));
    // The bytes are CP932 as Windows writes it: 基本設定, and ～ as 81 60.
    EXPECT_EQ(bytes.substr(0, 12), "[\x8A\xEE\x96\x7B\x90\xDD\x92\xE8]\r\n");
    EXPECT_EQ(bytes.substr(bytes.size() - 4), "\x81\x60\r\n");
    EXPECT_EQ(modeOf(ini()), 0600u);  // it holds the POP3 password

    nwtest::MessageRecorder boxes;
    nw::settings() = nw::Settings{};
    nw::LoadSettings();
    EXPECT_TRUE(boxes.boxes().empty());
    EXPECT_EQ(nw::settings(), settingstest::recordA());

    // Saving the same record again changes nothing; saving another replaces every value in place.
    nw::SaveSettings();
    EXPECT_EQ(readFile(ini()), bytes);
    nw::settings() = settingstest::recordB();
    nw::SaveSettings();
    nw::settings() = nw::Settings{};
    nw::LoadSettings();
    EXPECT_EQ(nw::settings(), settingstest::recordB());
}

TEST(DefaultSettingsFile, ProgramFolderHoldsTheDefaultRecord) {
    const std::string expected = sjisLines({
        "[基本設定]",
        "IP監視周期=600",
        "[アプリケーション設定]",
        "IP変化、時指定アプリケーションの起動=False",
        "パス=",
        "[メール設定]",
        "IP変化時、現在のIPをメールで送信=False",
        "SMTPサーバ=",
        "送信先アドレス=",
        "返信アドレス=",
        "メール受信後に送信=False",
        "pop3サーバ=",
        "pop3ID=",
        "pop3Pass=",
        "再試行回数=3",
        "IP監視周期=600",
        "起動時にIPをメールで送信する=False",
        "[ルーター用]",
        "ルーターIP取得機能を使用する=False",
        "IP取得先URL=",
        "詳細設定を有効にする=False",
        "HTML解析開始文字列=",
        "HTML解析終端文字列=",
        "HTML文字コード=",
        "何番目のIP=1",
        "IPの区切り文字=",
    });
    EXPECT_EQ(readFile(binFolder() + "/netwarden.ini"), expected);
    EXPECT_EQ(nw::settingsFileText(nw::defaultSettings()), expected);
}

// ---- single keys ------------------------------------------------------------------------

TEST(ReadIniValue, FindsTheFirstKeyLineOfTheFirstBlockThatHoldsIt) {
    const std::string megabyteLine(3 << 20, 'x');
    struct Case {
        const char* name;
        std::string file;
        std::string section, key, expected;
    };
    const Case cases[] = {
        {"plain", sjisLines({"[基本設定]", "IP監視周期=30"}), "基本設定", "IP監視周期", "30"},
        {"missing key", sjisLines({"[基本設定]", "other=1"}), "基本設定", "IP監視周期", ""},
        {"missing section", sjisLines({"[メール設定]", "IP監視周期=30"}), "基本設定", "IP監視周期", ""},
        {"key of the next section", sjisLines({"[A]", "x=1", "[B]", "k=2"}), "A", "k", ""},
        {"second block when the first lacks it", sjisLines({"[A]", "x=1", "[B]", "[A]", "k=2"}), "A", "k", "2"},
        {"first block wins", sjisLines({"[A]", "k=1", "k=9", "[A]", "k=2"}), "A", "k", "1"},
        // The second header ends the first, empty block and is not taken as a header itself.
        {"doubled header", sjisLines({"[基本設定]", "[基本設定]", "IP監視周期=10"}), "基本設定", "IP監視周期", ""},
        {"blank before =", sjisLines({"[A]", "k =1"}), "A", "k", ""},
        {"other case and width", sjisLines({"[A]", "K=1", "ｋ=2"}), "A", "k", ""},
        {"header with a blank", sjisLines({"[A] ", "k=1"}), "A", "k", ""},
        {"value holding =", sjisLines({"[A]", "k==a=b="}), "A", "k", "=a=b="},
        {"empty value", sjisLines({"[A]", "k=", "k=2"}), "A", "k", ""},
        {"blank and bare lines skipped", sjisLines({"[A]", "", "no equals", "k=v"}), "A", "k", "v"},
        {"a lone [ is no section line", sjisLines({"[A]", "[", "k=v"}), "A", "k", "v"},
        {"LF line ends", "[A]\nk=v\n", "A", "k", "v"},
        {"mixed line ends, no final one", "[A]\r\nx=1\nk=v", "A", "k", "v"},
        {"CR at the end of the file", "[A]\r\nk=v\r", "A", "k", "v"},
        {"empty file", "", "A", "k", ""},
        {"bytes that are not CP932, NUL, a huge line",
         "\x81\r\n\xFF\xFE\x80\xA0\r\nnul\0line\r\n[A\x82]\r\n"s + megabyteLine + "\r\n[A]\r\nk=v\x81\0w\r\n"s,
         "A", "k", "v\xEF\xBF\xBD\0w"s},
    };
    nwtest::TempDir dir;
    for (const Case& c : cases) {
        writeFile(dir.file("t.ini"), c.file);
        EXPECT_EQ(nw::ReadIniValue(c.section, c.key, dir.file("t.ini")), c.expected) << c.name;
    }
}

TEST(ReadIniValue, MissingFileIsFileNotFound) {
    nwtest::TempDir dir;
    try {
        nw::ReadIniValue("A", "k", dir.file("none.ini"));
        FAIL() << "no error";
    } catch (const nw::RuntimeError& e) {
        EXPECT_EQ(e.number(), nw::err::FileNotFound);
    }
}

TEST(WriteIniValue, ChangesOnlyTheKeyLineAndKeepsEveryOtherLineByteForByte) {
    // Lines that no reader understands must come back untouched.
    const std::string odd = std::string("\x81\xFF junk\0 =", 10);
    struct Case {
        const char* name;
        std::string before;
        std::string section, key, value;
        std::string after;
    };
    const Case cases[] = {
        {"replaced where it stands",
         sjisLines({"top", "[基本設定]", "", "no equals", "IP監視周期=30", "after=1", "[メール設定]", "x=y"}),
         "基本設定", "IP監視周期", "45",
         sjisLines({"top", "[基本設定]", "", "no equals", "IP監視周期=45", "after=1", "[メール設定]", "x=y"})},
        {"only the first key line",
         sjisLines({"[A]", "k=1", "k=2"}), "A", "k", "3", sjisLines({"[A]", "k=3", "k=2"})},
        {"missing key is the section's last line",
         sjisLines({"[A]", "x=1", "", "[B]", "y=2"}), "A", "k", "v",
         sjisLines({"[A]", "x=1", "", "k=v", "[B]", "y=2"})},
        {"missing key at the end of the last section",
         sjisLines({"[A]", "x=1"}), "A", "k", "v", sjisLines({"[A]", "x=1", "k=v"})},
        {"missing section at the end, header first",
         sjisLines({"[A]", "x=1"}), "ルーター用", "何番目のIP", "2",
         sjisLines({"[A]", "x=1", "[ルーター用]", "何番目のIP=2"})},
        {"empty file", "", "A", "k", "v", sjisLines({"[A]", "k=v"})},
        {"two blocks: the first gets the key",
         sjisLines({"[A]", "x=1", "[B]", "[A]", "k=old"}), "A", "k", "new",
         sjisLines({"[A]", "x=1", "k=new", "[B]", "[A]", "k=old"})},
        {"doubled header",
         sjisLines({"[A]", "[A]", "k=10"}), "A", "k", "600", sjisLines({"[A]", "k=600", "[A]", "k=10"})},
        {"a blank before = is another key",
         sjisLines({"[A]", "k =1"}), "A", "k", "2", sjisLines({"[A]", "k =1", "k=2"})},
        {"value holding =", sjisLines({"[A]"}), "A", "k", "<a href=x>", sjisLines({"[A]", "k=<a href=x>"})},
        {"a line break cannot get into the file",
         sjisLines({"[A]", "[B]"}), "A", "k", "a\r\n[B]\nx=evil\r", sjisLines({"[A]", "k=a[B]x=evil", "[B]"})},
        {"LF ends and no final line end become CR LF", "x=1\n[A]\nk=1\ny=2", "A", "k", "2",
         sjisLines({"x=1", "[A]", "k=2", "y=2"})},
        {"bytes that are not CP932 stay as they are",
         odd + "\r\n[A]\r\n" + odd + "\r\nk=1\r\n" + odd + "\r\n", "A", "k", "2",
         odd + "\r\n[A]\r\n" + odd + "\r\nk=2\r\n" + odd + "\r\n"},
    };
    nwtest::TempDir dir;
    for (const Case& c : cases) {
        writeFile(dir.file("t.ini"), c.before);
        nw::WriteIniValue(c.section, c.key, c.value, dir.file("t.ini"));
        EXPECT_EQ(readFile(dir.file("t.ini")), c.after) << c.name;
    }
}

TEST(WriteIniValue, MissingFileIsFileNotFoundAndNothingIsCreated) {
    nwtest::TempDir dir;
    try {
        nw::WriteIniValue("A", "k", "v", dir.file("none.ini"));
        FAIL() << "no error";
    } catch (const nw::RuntimeError& e) {
        EXPECT_EQ(e.number(), nw::err::FileNotFound);
    }
    EXPECT_TRUE(namesIn(dir.path()).empty());
}

TEST(WriteIniValue, KeepsTheModeAndWritesThroughASymbolicLink) {
    nwtest::TempDir dir;
    const std::string real = dir.file("real.ini");
    writeFile(real, sjisLines({"[A]", "k=1"}));
    ASSERT_EQ(::chmod(real.c_str(), 0640), 0);
    ASSERT_EQ(::symlink("real.ini", dir.file("link.ini").c_str()), 0);

    nw::WriteIniValue("A", "k", "2", dir.file("link.ini"));

    EXPECT_TRUE(std::filesystem::is_symlink(dir.file("link.ini")));
    EXPECT_EQ(readFile(real), sjisLines({"[A]", "k=2"}));
    EXPECT_EQ(modeOf(real), 0640u);
    EXPECT_EQ(namesIn(dir.path()), (std::vector<std::string>{"link.ini", "real.ini"}));
}

TEST(WriteIniValue, FailedWriteLeavesTheOldFileWhole) {
    nwtest::TempDir dir;
    const std::string path = dir.file("netwarden.ini");
    const std::string before = sjisLines({"[A]", "k=1"});
    writeFile(path, before);

    // No file of this process may grow past 16 bytes: the new content cannot be written.
    struct rlimit saved {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    auto oldHandler = ::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = 16;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    std::optional<int> error;
    try {
        nw::WriteIniValue("A", "k", "a value longer than the limit", path);
    } catch (const nw::RuntimeError& e) {
        error = e.number();
    }
    ::setrlimit(RLIMIT_FSIZE, &saved);
    ::signal(SIGXFSZ, oldHandler);

    EXPECT_TRUE(error.has_value());
    EXPECT_EQ(readFile(path), before);
    EXPECT_EQ(namesIn(dir.path()), std::vector<std::string>{"netwarden.ini"});  // no temporary left
}

// Runs the helper program (as nobody when we are root), gives its exit status and its output.
std::pair<int, std::string> runHelper(std::vector<std::string> args, bool asNobody) {
    std::vector<std::string> argv;
    if (asNobody && ::geteuid() == 0) argv = {"/usr/bin/setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"};
    argv.push_back(binFolder() + "/settings_helper");
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<char*> cargv;
    for (auto& a : argv) cargv.push_back(a.data());
    cargv.push_back(nullptr);

    int out[2];
    EXPECT_EQ(::pipe(out), 0);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    pid_t pid = 0;
    int rc = ::posix_spawn(&pid, cargv[0], &actions, nullptr, cargv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    EXPECT_EQ(rc, 0);
    std::string output;
    char buffer[256];
    for (ssize_t n; (n = ::read(out[0], buffer, sizeof buffer)) > 0;) output.append(buffer, static_cast<size_t>(n));
    ::close(out[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, output};
}

TEST(WriteIniValue, ReadOnlyFolderThrowsAndLeavesTheFile) {
    nwtest::TempDir base;
    ASSERT_EQ(::chmod(base.path().c_str(), 0755), 0);
    const std::string folder = base.file("ro");
    const std::string path = folder + "/netwarden.ini";
    ASSERT_EQ(::mkdir(folder.c_str(), 0755), 0);
    const std::string before = sjisLines({"[基本設定]", "IP監視周期=30"});
    writeFile(path, before);
    ASSERT_EQ(::chmod(path.c_str(), 0666), 0);  // the file itself could be written in place
    ASSERT_EQ(::chmod(folder.c_str(), 0555), 0);

    auto [status, output] = runHelper({"write", path, "基本設定", "IP監視周期", "45"}, true);

    ::chmod(folder.c_str(), 0755);
    EXPECT_EQ(status, 1);
    EXPECT_EQ(output, std::to_string(nw::err::PermissionDenied) + "\n");
    EXPECT_EQ(readFile(path), before);
    EXPECT_EQ(namesIn(folder), std::vector<std::string>{"netwarden.ini"});
}

// ---- the save survives being killed -----------------------------------------------------

TEST_F(SettingsFile, SaveKilledAtAnyMomentLeavesTheOldOrTheNewFile) {
    nw::settings() = settingstest::recordA();
    nw::SaveSettings();
    const std::string bytesA = readFile(ini());
    const std::string bytesB = nw::settingsFileText(settingstest::recordB(), bytesA);
    ASSERT_NE(bytesA, bytesB);

    std::mt19937 random(12345);
    std::string helper = binFolder() + "/settings_helper";
    for (int round = 0; round < 30; ++round) {
        int out[2];
        ASSERT_EQ(::pipe(out), 0);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        posix_spawn_file_actions_addclose(&actions, out[0]);
        std::string mode = "saveloop", folder = dir.path();
        char* argv[] = {helper.data(), mode.data(), folder.data(), nullptr};
        pid_t pid = 0;
        ASSERT_EQ(::posix_spawn(&pid, helper.c_str(), &actions, nullptr, argv, environ), 0);
        posix_spawn_file_actions_destroy(&actions);
        ::close(out[1]);

        // Wait until the helper is saving, then kill it somewhere inside a later save.
        struct pollfd p = {out[0], POLLIN, 0};
        ASSERT_EQ(::poll(&p, 1, 30000), 1) << "helper does not save";
        char c;
        ASSERT_EQ(::read(out[0], &c, 1), 1);
        ::usleep(std::uniform_int_distribution<useconds_t>(0, 60000)(random));
        ::kill(pid, SIGKILL);
        int status = 0;
        ::waitpid(pid, &status, 0);
        ::close(out[0]);
        ASSERT_TRUE(WIFSIGNALED(status)) << "helper ended by itself";

        const std::string now = readFile(ini());
        ASSERT_TRUE(now == bytesA || now == bytesB) << "round " << round << ": a mixed or broken file";
    }
    nwtest::MessageRecorder boxes;
    nw::LoadSettings();
    EXPECT_TRUE(boxes.boxes().empty());
    EXPECT_TRUE(nw::settings() == settingstest::recordA() || nw::settings() == settingstest::recordB());
}

// ---- modes ------------------------------------------------------------------------------

TEST_F(SettingsFile, CreatedFileIsPrivateAndARewriteKeepsTheMode) {
    nw::EnsureFileExists(ini());
    EXPECT_EQ(modeOf(ini()), 0600u);
    EXPECT_EQ(readFile(ini()), "");

    // An existing file is left alone, content and mode.
    writeFile(ini(), "x");
    ASSERT_EQ(::chmod(ini().c_str(), 0644), 0);
    nw::EnsureFileExists(ini());
    EXPECT_EQ(readFile(ini()), "x");

    nw::settings() = nw::defaultSettings();
    nw::SaveSettings();
    EXPECT_EQ(modeOf(ini()), 0644u);
    nw::WriteIniValue("A", "k", "v", ini());
    EXPECT_EQ(modeOf(ini()), 0644u);
}

TEST(EnsureFileExists, FolderThatIsMissingThrows) {
    nwtest::TempDir dir;
    EXPECT_THROW(nw::EnsureFileExists(dir.file("no/such.ini")), nw::RuntimeError);
}

// ---- conversions ------------------------------------------------------------------------

TEST(Conversions, NumbersRoundHalvesToEvenAndOverflowOutsideTheField) {
    constexpr int kDefault = INT32_MIN + 1;  // the text is not a number
    constexpr int kOverflow = INT32_MIN + 2;
    auto as32 = [](const std::string& text) {
        double d = 0;
        if (!nw::parseNumber(text, d)) return kDefault;
        try {
            return static_cast<int>(nw::toInt32(d));
        } catch (const nw::RuntimeError& e) {
            EXPECT_EQ(e.number(), nw::err::Overflow);
            return kOverflow;
        }
    };
    auto as16 = [](const std::string& text) {
        double d = 0;
        if (!nw::parseNumber(text, d)) return kDefault;
        try {
            return static_cast<int>(nw::toInt16(d));
        } catch (const nw::RuntimeError& e) {
            EXPECT_EQ(e.number(), nw::err::Overflow);
            return kOverflow;
        }
    };
    const std::pair<std::string, int> int32Cases[] = {
        {"600", 600},         {"abc", kDefault},  {"2.5", 2},        {"3.5", 4},
        {"-2.5", -2},         {"-3.5", -4},       {"1.5", 2},        {"0.5", 0},
        {"2.4999", 2},        {"2.5001", 3},      {" 42\t", 42},     {"+7", 7},
        {"-0", 0},            {"5.", 5},          {".5", 0},         {"1e3", 1000},
        {"2.5E-1", 0},        {"007", 7},         {"", kDefault},    {" ", kDefault},
        {"-", kDefault},      {".", kDefault},    {"1e", kDefault},  {"e3", kDefault},
        {"1,000", kDefault},  {"0x10", kDefault}, {"12abc", kDefault}, {"1 2", kDefault},
        {"inf", kDefault},    {"nan", kDefault},  {"１２", kDefault}, {"- 5", kDefault},
        {"2147483647", INT32_MAX},  {"2147483647.5", kOverflow}, {"2147483648", kOverflow},
        {"-2147483648", INT32_MIN}, {"-2147483648.5", INT32_MIN}, {"-2147483649", kOverflow},
        {"1e400", kOverflow}, {"-1e400", kOverflow}, {"1e-400", 0},
        {std::string(100000, '9'), kOverflow},
    };
    for (const auto& [text, expected] : int32Cases) EXPECT_EQ(as32(text), expected) << "\"" << text << "\"";

    const std::pair<std::string, int> int16Cases[] = {
        {"3", 3},           {"32767", 32767},      {"32767.5", kOverflow}, {"32766.5", 32766},
        {"-32768", -32768}, {"-32768.5", -32768},  {"-32769", kOverflow},  {"40000", kOverflow},
    };
    for (const auto& [text, expected] : int16Cases) EXPECT_EQ(as16(text), expected) << "\"" << text << "\"";
}

TEST_F(SettingsFile, ValuesThatAreNoNumbersOrNotTrueTakeTheirDefaults) {
    writeFile(ini(), sjisLines({
                         "[基本設定]",
                         "IP監視周期=abc",
                         "[アプリケーション設定]",
                         "IP変化、時指定アプリケーションの起動=true",
                         "[メール設定]",
                         "IP変化時、現在のIPをメールで送信=TRUE",
                         "メール受信後に送信=True ",
                         "再試行回数=2.5",
                         "起動時にIPをメールで送信する=True",
                         "[ルーター用]",
                         "何番目のIP=",
                         "IP取得先URL=http://127.0.0.1/?a=b",
                     }));
    nw::settings().RunAppOnChange = true;
    nw::settings().AppPath = "replaced by the empty value";
    nwtest::MessageRecorder boxes;
    nw::LoadSettings();

    nw::Settings expected = nw::defaultSettings();
    expected.RetryCount = 2;
    expected.MailOnStartup = true;
    expected.LookupUrl = "http://127.0.0.1/?a=b";
    EXPECT_EQ(nw::settings(), expected);
    EXPECT_TRUE(boxes.boxes().empty());
}

// ---- errors of the load -----------------------------------------------------------------

TEST_F(SettingsFile, MissingFileShowsOneMessagePerFieldThenDefaults) {
    nw::Settings before = settingstest::recordA();
    nw::settings() = before;
    nwtest::MessageRecorder boxes;
    nw::LoadSettings();

    EXPECT_EQ(boxes.boxes(), std::vector<nwtest::Box>(21, nwtest::Box{kCaption, kMissing}));
    // Numbers take their defaults, flags become false, texts keep what they held.
    nw::Settings expected = before;
    expected.WatchIntervalSeconds = 600;
    expected.RetryCount = 3;
    expected.AddressOrdinal = 1;
    expected.RunAppOnChange = expected.MailOnChange = expected.PopBeforeSmtp = false;
    expected.MailOnStartup = expected.UseRouterLookup = expected.UseAdvancedParse = false;
    EXPECT_EQ(nw::settings(), expected);
    EXPECT_FALSE(std::filesystem::exists(ini()));  // a load never creates the file
}

TEST_F(SettingsFile, OverflowEndsTheLoadWithTheErrorsNumberAndDescription) {
    nw::settings() = settingstest::recordA();
    nw::Settings file = settingstest::recordB();
    writeFile(ini(), nw::settingsFileText(file));
    nw::WriteIniValue("メール設定", "再試行回数", "40000", ini());

    nwtest::MessageRecorder boxes;
    nw::LoadSettings();

    ASSERT_EQ(boxes.boxes().size(), 1u);
    EXPECT_EQ(boxes.boxes()[0], (nwtest::Box{kCaption, nw::makeError(nw::err::Overflow).report()}));
    EXPECT_EQ(boxes.boxes()[0].text, "6オーバーフローしました。");
    // Fields before the retry count come from the file, the rest keep their values.
    nw::Settings expected = settingstest::recordA();
    expected.WatchIntervalSeconds = file.WatchIntervalSeconds;
    expected.RunAppOnChange = file.RunAppOnChange;
    expected.AppPath = file.AppPath;
    expected.MailOnChange = file.MailOnChange;
    expected.SmtpServer = file.SmtpServer;
    expected.MailTo = file.MailTo;
    expected.ReplyAddress = file.ReplyAddress;
    expected.PopBeforeSmtp = file.PopBeforeSmtp;
    expected.Pop3Server = file.Pop3Server;
    expected.Pop3User = file.Pop3User;
    expected.Pop3Password = file.Pop3Password;
    EXPECT_EQ(nw::settings(), expected);
}

TEST_F(SettingsFile, UnreadableFileEndsTheLoadAtTheFirstField) {
    ASSERT_EQ(::mkdir(ini().c_str(), 0755), 0);  // there, but no file that can be read
    nw::settings() = settingstest::recordA();
    nwtest::MessageRecorder boxes;
    nw::LoadSettings();
    ASSERT_EQ(boxes.boxes().size(), 1u);
    EXPECT_EQ(boxes.boxes()[0].caption, kCaption);
    EXPECT_EQ(boxes.boxes()[0].text.rfind(std::to_string(nw::err::PathAccess), 0), 0u) << boxes.boxes()[0].text;
    EXPECT_EQ(nw::settings(), settingstest::recordA());
}

TEST(LoadIniFields, ReadsTheGivenFieldsUnderTheSameRules) {
    nwtest::TempDir dir;
    std::string url = "kept", ordinal = "kept";
    std::vector<nw::IniField> fields = {
        {"ルーター用", "IP取得先URL", [&](const std::string& v) { url = v; }, true},
        {"ルーター用", "何番目のIP", [&](const std::string& v) { ordinal = "<" + v + ">"; }},
    };
    nwtest::MessageRecorder boxes;
    nw::LoadIniFields(dir.file("netwarden.ini"), fields);
    EXPECT_EQ(boxes.boxes(), std::vector<nwtest::Box>(2, nwtest::Box{kCaption, kMissing}));
    EXPECT_EQ(url, "kept");
    EXPECT_EQ(ordinal, "<>");

    writeFile(dir.file("netwarden.ini"), sjisLines({"[ルーター用]", "IP取得先URL=u", "何番目のIP=3"}));
    boxes.clear();
    nw::LoadIniFields(dir.file("netwarden.ini"), fields);
    EXPECT_TRUE(boxes.boxes().empty());
    EXPECT_EQ(url, "u");
    EXPECT_EQ(ordinal, "<3>");
}

}  // namespace
