// The program launcher: arguments reach the program exactly as given (no shell
// between), a program that cannot start gives a reason, a started program is
// not left for this process to reap, and the desktop's programs are the
// xdg-utils ones (here fakes first in PATH).
#include "platform/Launcher.h"

#include "tests/platform/FakeProgram.h"

#include <chrono>
#include <gtest/gtest.h>
#include <optional>
#include <sys/wait.h>

namespace sorvane {
namespace {

namespace fs = std::filesystem;
using sorvane::testing::FakePrograms;
using sorvane::testing::PathWith;
using sorvane::testing::ScopedEnv;

struct ArgumentCase {
    const char* what;
    std::vector<std::string> arguments;
};

// Texts a shell would split, expand or run, and texts that are easy to lose.
const ArgumentCase kArgumentCases[] = {
    {"none", {}},
    {"plain", {"a.txt"}},
    {"blanks", {"My Music/Track 01.mp3"}},
    {"quotes", {"say \"hi\"", "it's"}},
    {"expansions", {"$HOME", "`id`", "$(id)", "*", "~"}},
    {"separators", {"a;b", "a&&b", "a|b", "> out"}},
    {"backslashes", {"C:\\Music\\", "\\\\"}},
    {"empty", {"", "x", ""}},
    {"player", {"/ADD", "/media/usb/Live/01 - Intro.mp3"}},
    {"non-ascii", {"Canción ñ €"}},
};

class LauncherArguments : public ::testing::TestWithParam<ArgumentCase> {};

TEST_P(LauncherArguments, ReachTheProgramAsGiven) {
    FakePrograms fakes;
    const fs::path program = fakes.Recorder("recorder");
    const LaunchResult result = StartDetached(program.string(), GetParam().arguments);
    ASSERT_TRUE(result.started) << result.error;
    EXPECT_TRUE(result.error.empty());
    const auto recorded = fakes.WaitForArguments("recorder");
    ASSERT_TRUE(recorded);
    EXPECT_EQ(*recorded, GetParam().arguments);
}

INSTANTIATE_TEST_SUITE_P(Cases, LauncherArguments, ::testing::ValuesIn(kArgumentCases),
                         [](const auto& info) {
                             std::string name = info.param.what;
                             for (char& c : name)
                                 if (c == '-') c = '_';
                             return name;
                         });

TEST(Launcher, FindsAProgramByNameInPath) {
    FakePrograms fakes;
    fakes.Recorder("sorvane-fake-tool");
    const ScopedEnv path("PATH", PathWith(fakes.Bin()));
    EXPECT_EQ(FindProgram("sorvane-fake-tool"), (fakes.Bin() / "sorvane-fake-tool").string());
    const LaunchResult result = StartDetached("sorvane-fake-tool", {"x"});
    ASSERT_TRUE(result.started) << result.error;
    EXPECT_EQ(fakes.WaitForArguments("sorvane-fake-tool"), std::vector<std::string>{"x"});
}

TEST(Launcher, AMissingProgramIsReportedByName) {
    FakePrograms fakes;
    const ScopedEnv path("PATH", fakes.Bin().string());
    const LaunchResult byName = StartDetached("sorvane-no-such-program", {});
    EXPECT_FALSE(byName.started);
    EXPECT_NE(byName.error.find("\"sorvane-no-such-program\""), std::string::npos) << byName.error;
    const std::string absent = (fakes.Root() / "absent").string();
    const LaunchResult byPath = StartDetached(absent, {});
    EXPECT_FALSE(byPath.started);
    EXPECT_NE(byPath.error.find(absent), std::string::npos) << byPath.error;
}

TEST(Launcher, AFileThatCannotRunIsReportedWithTheSystemReason) {
    FakePrograms fakes;
    const fs::path garbage = fakes.Bin() / "garbage";
    std::ofstream(garbage) << "\x7f"
                              "ELF not really";
    fs::permissions(garbage, fs::perms::owner_all);
    const LaunchResult result = StartDetached(garbage.string(), {"x"});
    EXPECT_FALSE(result.started);
    EXPECT_NE(result.error.find("Exec format error"), std::string::npos) << result.error;

    const fs::path notExecutable = fakes.Root() / "plain.sh";
    std::ofstream(notExecutable) << "#!/bin/sh\n";
    EXPECT_FALSE(StartDetached(notExecutable.string(), {}).started);
}

TEST(Launcher, AStartedProgramIsNotAChildToReap) {
    FakePrograms fakes;
    const fs::path record = fakes.Root() / "parent";
    const fs::path program =
        fakes.Script("parent", "echo $PPID > '" + record.string() + ".tmp' && mv '" +
                                   record.string() + ".tmp' '" + record.string() + "'\n");
    ASSERT_TRUE(StartDetached(program.string(), {}).started);
    // The short-lived middle process has been reaped already; the program is not ours.
    int status = 0;
    EXPECT_EQ(::waitpid(-1, &status, WNOHANG), -1);
    EXPECT_EQ(errno, ECHILD);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!fs::exists(record) && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    std::ifstream in(record);
    long parent = 0;
    ASSERT_TRUE(in >> parent);
    EXPECT_NE(parent, static_cast<long>(::getpid()));
}

TEST(Launcher, RunForOutputGivesStandardOutputOfASuccessfulRun) {
    FakePrograms fakes;
    const fs::path good = fakes.Recorder("answer", "gedit.desktop");
    EXPECT_EQ(RunForOutput(good.string(), {"query", "default", "text/plain"}, 5000),
              "gedit.desktop\n");
    EXPECT_EQ(fakes.WaitForArguments("answer"),
              (std::vector<std::string>{"query", "default", "text/plain"}));

    const fs::path failing = fakes.Recorder("failing", "ignored", 3);
    EXPECT_EQ(RunForOutput(failing.string(), {}, 5000), std::nullopt);
    EXPECT_EQ(RunForOutput((fakes.Root() / "absent").string(), {}, 5000), std::nullopt);
}

TEST(Launcher, RunForOutputStopsAProgramThatTakesTooLong) {
    FakePrograms fakes;
    const fs::path slow = fakes.Script("slow", "exec sleep 30\n");
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(RunForOutput(slow.string(), {}, 200), std::nullopt);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
}

// The desktop's programs: fakes of xdg-open and xdg-mime first in PATH, and a
// fake editor's desktop file in a temporary XDG_DATA_HOME.
class DesktopPrograms : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(fakes_.Root() / "home" / "applications");
        fs::create_directories(fakes_.Root() / "system");
        fakes_.Recorder("xdg-open");
    }

    void WriteEditorEntry(const std::string& exec, bool terminal = false) {
        fakes_.Recorder("editor");
        std::ofstream(fakes_.Root() / "home" / "applications" / "fake-editor.desktop")
            << "[Desktop Entry]\nType=Application\nName=Fake Editor\nExec=" << exec
            << "\nMimeType=text/plain;\n"
            << (terminal ? "Terminal=true\n" : "");
    }

    FakePrograms fakes_;
    ScopedEnv path_{"PATH", PathWith(fakes_.Bin())};
    ScopedEnv home_{"XDG_DATA_HOME", (fakes_.Root() / "home").string()};
    ScopedEnv dirs_{"XDG_DATA_DIRS", (fakes_.Root() / "system").string()};
};

TEST_F(DesktopPrograms, DefaultProgramAndFileManagerAreXdgOpen) {
    ASSERT_TRUE(OpenWithDefaultProgram("/media/usb/a b.txt").started);
    EXPECT_EQ(fakes_.WaitForArguments("xdg-open"), std::vector<std::string>{"/media/usb/a b.txt"});
    fs::remove(fakes_.Record("xdg-open"));
    ASSERT_TRUE(OpenFileManager("/media/usb/").started);
    EXPECT_EQ(fakes_.WaitForArguments("xdg-open"), std::vector<std::string>{"/media/usb/"});
}

TEST_F(DesktopPrograms, TextEditorIsTheDefaultApplicationOfPlainText) {
    WriteEditorEntry((fakes_.Bin() / "editor").string() + " --new-window %F");
    fakes_.Recorder("xdg-mime", "fake-editor.desktop");
    ASSERT_TRUE(OpenInTextEditor("/media/usb/photo.jpg").started);
    EXPECT_EQ(fakes_.WaitForArguments("editor"),
              (std::vector<std::string>{"--new-window", "/media/usb/photo.jpg"}));
    EXPECT_EQ(fakes_.WaitForArguments("xdg-mime"),
              (std::vector<std::string>{"query", "default", "text/plain"}));
    EXPECT_FALSE(fakes_.Started("xdg-open"));
}

struct FallbackCase {
    const char* what;
    const char* xdgMimeAnswer; // null: no xdg-mime at all
    int xdgMimeStatus;
    bool terminalEditor;
};

// Every way of not finding the editor ends in xdg-open of the file.
const FallbackCase kFallbackCases[] = {
    {"no_xdg_mime", nullptr, 0, false},
    {"xdg_mime_fails", "fake-editor.desktop", 4, false},
    {"no_default", "", 0, false},
    {"unknown_entry", "missing.desktop", 0, false},
    {"terminal_editor", "fake-editor.desktop", 0, true},
};

class TextEditorFallback : public DesktopPrograms,
                           public ::testing::WithParamInterface<FallbackCase> {};

TEST_P(TextEditorFallback, OpensWithXdgOpen) {
    WriteEditorEntry((fakes_.Bin() / "editor").string() + " %f", GetParam().terminalEditor);
    // Without a fake xdg-mime, PATH holds only the fakes, so a real one is not found either.
    std::optional<ScopedEnv> onlyFakes;
    if (GetParam().xdgMimeAnswer != nullptr)
        fakes_.Recorder("xdg-mime", GetParam().xdgMimeAnswer, GetParam().xdgMimeStatus);
    else
        onlyFakes.emplace("PATH", fakes_.Bin().string());
    ASSERT_TRUE(OpenInTextEditor("/media/usb/notes.txt").started);
    EXPECT_EQ(fakes_.WaitForArguments("xdg-open"),
              std::vector<std::string>{"/media/usb/notes.txt"});
    EXPECT_FALSE(fakes_.Started("editor"));
}

INSTANTIATE_TEST_SUITE_P(Cases, TextEditorFallback, ::testing::ValuesIn(kFallbackCases),
                         [](const auto& info) { return std::string(info.param.what); });

TEST_F(DesktopPrograms, MissingXdgOpenIsReported) {
    fs::remove(fakes_.Bin() / "xdg-open");
    const ScopedEnv onlyFakes("PATH", fakes_.Bin().string());
    const LaunchResult result = OpenWithDefaultProgram("/media/usb/a.txt");
    EXPECT_FALSE(result.started);
    EXPECT_NE(result.error.find("xdg-open"), std::string::npos);
}

} // namespace
} // namespace sorvane
