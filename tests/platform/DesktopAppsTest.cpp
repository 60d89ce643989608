// Desktop entries: the keys read from a desktop file, the Exec line turned into
// an argument list, and the applications folders searched in their order of
// precedence (temporary XDG_DATA_HOME and XDG_DATA_DIRS).
#include "platform/DesktopApps.h"

#include "tests/platform/FakeProgram.h"

#include <gtest/gtest.h>

namespace sorvane {
namespace {

namespace fs = std::filesystem;
using sorvane::testing::FakePrograms;
using sorvane::testing::PathWith;
using sorvane::testing::ScopedEnv;

struct ExecCase {
    const char* what;
    const char* exec;
    std::vector<std::string> expected; // for the file "/m/a b.txt"
};

const ExecCase kExecCases[] = {
    {"file_code", "gedit %f", {"gedit", "/m/a b.txt"}},
    {"file_list_code", "gedit --new-window %F", {"gedit", "--new-window", "/m/a b.txt"}},
    {"url_codes", "vlc %U", {"vlc", "/m/a b.txt"}},
    {"url_code", "app %u", {"app", "/m/a b.txt"}},
    {"no_code_appends", "leafpad", {"leafpad", "/m/a b.txt"}},
    {"code_inside_argument", "app --open=%f", {"app", "--open=/m/a b.txt"}},
    {"other_codes_dropped", "app %i %c %k %f", {"app", "/m/a b.txt"}},
    {"deprecated_codes_dropped", "app %d %D %n %N %v %m %f", {"app", "/m/a b.txt"}},
    {"percent", "app 100%% %f", {"app", "100%", "/m/a b.txt"}},
    {"quoted_program", "\"/opt/My App/run\" %f", {"/opt/My App/run", "/m/a b.txt"}},
    {"quote_escapes",
     "app \"say \\\"hi\\\" \\$HOME \\\\ \\`x\\`\" %f",
     {"app", "say \"hi\" $HOME \\ `x`", "/m/a b.txt"}},
    {"shell_text_is_not_run", "app ; rm -rf x %f", {"app", ";", "rm", "-rf", "x", "/m/a b.txt"}},
    {"extra_blanks", "  app   -x\t%f  ", {"app", "-x", "/m/a b.txt"}},
    {"open_quote", "app \"unterminated %f", {}},
    {"empty", "", {}},
    {"only_codes", "%i %c", {}},
};

class ExpandExecCases : public ::testing::TestWithParam<ExecCase> {};

TEST_P(ExpandExecCases, GiveTheArgumentList) {
    EXPECT_EQ(ExpandExec(GetParam().exec, "/m/a b.txt"), GetParam().expected) << GetParam().exec;
}

INSTANTIATE_TEST_SUITE_P(Cases, ExpandExecCases, ::testing::ValuesIn(kExecCases),
                         [](const auto& info) { return std::string(info.param.what); });

TEST(DesktopEntry, ReadsTheKeysOfTheDesktopEntryGroup) {
    const auto app = ParseDesktopEntry("# comment\n"
                                       "[Desktop Entry]\n"
                                       "Type=Application\n"
                                       "Name=Text\\sEditor\n"
                                       "Name[es]=Editor de textos\n"
                                       "Exec=gedit %U\n"
                                       "Icon=accessories-text-editor\n"
                                       "MimeType=text/plain;text/x-c\\;odd;\n"
                                       "Terminal=false\n"
                                       "\n"
                                       "[Desktop Action new-window]\n"
                                       "Name=New Window\n"
                                       "Exec=gedit --new-window\n",
                                       "org.gnome.gedit.desktop");
    ASSERT_TRUE(app);
    EXPECT_EQ(app->id, "org.gnome.gedit.desktop");
    EXPECT_EQ(app->name, "Text Editor");
    EXPECT_EQ(app->exec, "gedit %U");
    EXPECT_EQ(app->icon, "accessories-text-editor");
    EXPECT_EQ(app->mimeTypes, (std::vector<std::string>{"text/plain", "text/x-c;odd"}));
    EXPECT_FALSE(app->terminal);
}

struct RefusedCase {
    const char* what;
    const char* text;
};

const RefusedCase kRefusedCases[] = {
    {"link", "[Desktop Entry]\nType=Link\nName=Site\nURL=https://example.org\n"},
    {"hidden", "[Desktop Entry]\nType=Application\nName=Gone\nExec=gone\nHidden=true\n"},
    {"no_exec", "[Desktop Entry]\nType=Application\nName=Nothing\n"},
    {"no_name", "[Desktop Entry]\nType=Application\nExec=x\n"},
    {"other_group_only", "[Desktop Action x]\nType=Application\nName=A\nExec=a\n"},
    {"no_type", "[Desktop Entry]\nName=A\nExec=a\n"},
    {"empty", ""},
};

class RefusedEntries : public ::testing::TestWithParam<RefusedCase> {};

TEST_P(RefusedEntries, AreNoApplication) {
    EXPECT_FALSE(ParseDesktopEntry(GetParam().text, "x.desktop"));
}

INSTANTIATE_TEST_SUITE_P(Cases, RefusedEntries, ::testing::ValuesIn(kRefusedCases),
                         [](const auto& info) { return std::string(info.param.what); });

TEST(DesktopEntry, NoDisplayEntriesStayForOpenWith) {
    const auto app = ParseDesktopEntry("[Desktop Entry]\r\nType=Application\r\nName=Viewer\r\n"
                                       "Exec=viewer %f\r\nNoDisplay=true\r\nTerminal=true\r\n",
                                       "viewer.desktop");
    ASSERT_TRUE(app);
    EXPECT_EQ(app->exec, "viewer %f");
    EXPECT_TRUE(app->terminal);
}

// A user folder and two system folders with entries that override, hide and
// extend each other.
class ApplicationFoldersTest : public ::testing::Test {
protected:
    void Entry(const fs::path& folder, const std::string& file, const std::string& name,
               const std::string& mime, const std::string& extra = "") {
        fs::create_directories((folder / file).parent_path());
        std::ofstream(folder / file) << "[Desktop Entry]\nType=Application\nName=" << name
                                     << "\nExec=" << name << " %f\nMimeType=" << mime << "\n"
                                     << extra;
    }

    std::vector<std::string> Names(const std::vector<DesktopApp>& apps) {
        std::vector<std::string> names;
        for (const DesktopApp& app : apps)
            names.push_back(app.name);
        return names;
    }

    FakePrograms fakes_;
    fs::path home_ = fakes_.Root() / "home" / "applications";
    fs::path first_ = fakes_.Root() / "first" / "applications";
    fs::path second_ = fakes_.Root() / "second" / "applications";
    ScopedEnv dataHome_{"XDG_DATA_HOME", (fakes_.Root() / "home").string()};
    ScopedEnv dataDirs_{"XDG_DATA_DIRS", (fakes_.Root() / "first").string() + ":" +
                                             (fakes_.Root() / "second").string() + "/"};
};

TEST_F(ApplicationFoldersTest, FoldersComeInTheirOrderOfPrecedence) {
    EXPECT_EQ(ApplicationFolders(),
              (std::vector<std::string>{home_.string(), first_.string(), second_.string()}));
}

TEST_F(ApplicationFoldersTest, DefaultsWhenTheVariablesAreUnset) {
    const ScopedEnv home("HOME", "/home/ana");
    ::unsetenv("XDG_DATA_HOME");
    ::unsetenv("XDG_DATA_DIRS");
    EXPECT_EQ(ApplicationFolders(), (std::vector<std::string>{"/home/ana/.local/share/applications",
                                                              "/usr/local/share/applications",
                                                              "/usr/share/applications"}));
}

TEST_F(ApplicationFoldersTest, TheFirstEntryOfAnIdWins) {
    Entry(home_, "editor.desktop", "My Editor", "text/plain;");
    Entry(second_, "editor.desktop", "System Editor", "text/plain;");
    Entry(home_, "removed.desktop", "Removed", "text/plain;", "Hidden=true\n");
    Entry(first_, "removed.desktop", "Still Here", "text/plain;");
    Entry(first_, "viewer.desktop", "viewer", "image/png;text/plain;");
    Entry(second_, "kde/okular.desktop", "Okular", "application/pdf;");
    EXPECT_EQ(Names(ListDesktopApps()),
              (std::vector<std::string>{"My Editor", "Okular", "viewer"}));
    const auto okular = FindDesktopApp("kde-okular.desktop");
    ASSERT_TRUE(okular);
    EXPECT_EQ(okular->name, "Okular");
    EXPECT_FALSE(FindDesktopApp("removed.desktop"));
    EXPECT_FALSE(FindDesktopApp("absent.desktop"));
}

TEST_F(ApplicationFoldersTest, TypesSelectTheApplications) {
    Entry(home_, "editor.desktop", "Editor", "text/plain;");
    Entry(first_, "viewer.desktop", "Viewer", "image/png;Text/Plain;");
    Entry(first_, "reader.desktop", "Reader", "application/pdf;");
    EXPECT_EQ(Names(DesktopAppsForTypes({"text/plain"})),
              (std::vector<std::string>{"Editor", "Viewer"}));
    EXPECT_EQ(Names(DesktopAppsForTypes({"text/x-csrc", "text/plain"})),
              (std::vector<std::string>{"Editor", "Viewer"}));
    EXPECT_EQ(Names(DesktopAppsForTypes({"image/png"})), std::vector<std::string>{"Viewer"});
    EXPECT_TRUE(DesktopAppsForTypes({"audio/flac"}).empty());
}

TEST_F(ApplicationFoldersTest, TryExecLeavesOutApplicationsThatAreNotInstalled) {
    fakes_.Recorder("present-tool");
    const ScopedEnv path("PATH", PathWith(fakes_.Bin()));
    Entry(home_, "present.desktop", "Present", "text/plain;", "TryExec=present-tool\n");
    Entry(home_, "absent.desktop", "Absent", "text/plain;", "TryExec=sorvane-absent-tool\n");
    Entry(first_, "absent.desktop", "Absent Too", "text/plain;");
    EXPECT_EQ(Names(ListDesktopApps()), std::vector<std::string>{"Present"});
}

TEST_F(ApplicationFoldersTest, StartsTheApplicationWithTheFile) {
    const fs::path program = fakes_.Recorder("viewer");
    Entry(home_, "viewer.desktop", "\"" + program.string() + "\" --view", "image/png;");
    const auto app = FindDesktopApp("viewer.desktop");
    ASSERT_TRUE(app);
    ASSERT_TRUE(StartDesktopApp(*app, "/m/photo 1.png").started);
    EXPECT_EQ(fakes_.WaitForArguments("viewer"),
              (std::vector<std::string>{"--view", "/m/photo 1.png"}));

    DesktopApp broken = *app;
    broken.exec = "\"unterminated";
    const LaunchResult result = StartDesktopApp(broken, "/m/photo 1.png");
    EXPECT_FALSE(result.started);
    EXPECT_NE(result.error.find("viewer.desktop"), std::string::npos);
}

} // namespace
} // namespace sorvane
