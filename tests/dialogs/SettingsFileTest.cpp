// The settings file as text: names in any letter case, presence rather than a
// sentinel value, what the program does not know kept, the written order, and
// where the file lives.
#include "dialogs/SettingsFile.h"

#include <gtest/gtest.h>

namespace sorvane {
namespace {

TEST(SettingsFileTest, ReadsNamesInAnyCaseAndValuesAsWritten) {
    const TSettingsFile file = TSettingsFile::FromText("\xEF\xBB\xBF"
                                                       "[cb]\r\n"
                                                       "color_exito=2\r\n"
                                                       " Path_WinAmp = /opt/x \r\n"
                                                       "EMPTY=\r\n"
                                                       "A=1=2\n"
                                                       "A=second\n"
                                                       "[Io]\n"
                                                       "ARRIBA=-5");
    struct Case {
        const char* section;
        const char* key;
        const char* value; // nullptr: absent
    };
    const Case cases[] = {
        {"CB", "COLOR_EXITO", "2"},
        // The key loses its blanks, the value keeps everything after "=".
        {"CB", "PATH_WINAMP", " /opt/x "},
        {"CB", "EMPTY", ""},
        // The first of a repeated key; a value may hold "=".
        {"CB", "a", "1=2"},
        {"IO", "arriba", "-5"},
        {"IO", "COLOR_EXITO", nullptr},
        {"CA", "COLOR_EXITO", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.section) + " " + c.key);
        const std::string* value = file.Find(c.section, c.key);
        if (c.value == nullptr) {
            EXPECT_EQ(value, nullptr);
        } else {
            ASSERT_NE(value, nullptr);
            EXPECT_EQ(*value, c.value);
        }
    }
}

// A value "x" is a value like any other: only an absent key is missing.
TEST(SettingsFileTest, AValueXIsPresent) {
    const TSettingsFile file = TSettingsFile::FromText("[CB]\nPATH_WINAMP=x\n");
    ASSERT_NE(file.Find("CB", "PATH_WINAMP"), nullptr);
    EXPECT_EQ(*file.Find("CB", "PATH_WINAMP"), "x");
    EXPECT_EQ(file.Find("CB", "START_TIPS"), nullptr);
}

// Our sections and keys come first in our order, under our names; the file's
// other keys, lines and sections stay.
TEST(SettingsFileTest, WritesOurKeysInOrderAndKeepsTheRest) {
    TSettingsFile file = TSettingsFile::FromText("; made by hand\n"
                                                 "[Extra]\n"
                                                 "mine=1\n"
                                                 "[ca]\n"
                                                 "unknown=keep me\n"
                                                 "autosort=3\n"
                                                 "; a comment\n"
                                                 "AUTOSORT=dropped repeat\n"
                                                 "[CB]\n"
                                                 "IDIOMA=0\n");
    file.Write("CB", "IDIOMA", "1");
    file.Write("CB", "COLOR_EXITO", "2");
    file.Write("CA", "AUTOSORT", "0");
    file.Write("New", "KEY", "v");
    const std::string text = file.ToText({{"CB", {"COLOR_EXITO", "IDIOMA"}}, {"CA", {"AUTOSORT"}}});
    EXPECT_EQ(text, "; made by hand\n"
                    "[CB]\n"
                    "COLOR_EXITO=2\n"
                    "IDIOMA=1\n"
                    "[CA]\n"
                    "AUTOSORT=0\n"
                    "unknown=keep me\n"
                    "; a comment\n"
                    "[Extra]\n"
                    "mine=1\n"
                    "[New]\n"
                    "KEY=v\n");
    // What is written reads back the same.
    const TSettingsFile again = TSettingsFile::FromText(text);
    EXPECT_EQ(*again.Find("cb", "idioma"), "1");
    EXPECT_EQ(*again.Find("CA", "UNKNOWN"), "keep me");
    EXPECT_EQ(again.ToText({{"CB", {"COLOR_EXITO", "IDIOMA"}}, {"CA", {"AUTOSORT"}}}), text);
}

// Bytes that are no ini text give an empty file, never a failure.
TEST(SettingsFileTest, GarbageGivesNoKeys) {
    const std::string garbage("\x00\x01[\xFF\xFE=\n=\n[]\n\x1A", 13);
    const TSettingsFile file = TSettingsFile::FromText(garbage);
    EXPECT_EQ(file.Find("CB", "COLOR_EXITO"), nullptr);
}

TEST(SettingsFileTest, LivesBesideTheProgramOrInTheUsersConfiguration) {
    struct Case {
        bool writable;
        const char* xdg;
        const char* home;
        const char* expected;
    };
    const Case cases[] = {
        {true, "/cfg", "/home/me", "/opt/sorvane/sorvane.ini"},
        {false, "/cfg", "/home/me", "/cfg/sorvane/sorvane.ini"},
        {false, "/cfg/", "/home/me", "/cfg/sorvane/sorvane.ini"},
        // A relative configuration folder is ignored, as the XDG rules say.
        {false, "cfg", "/home/me", "/home/me/.config/sorvane/sorvane.ini"},
        {false, "", "/home/me", "/home/me/.config/sorvane/sorvane.ini"},
        {false, "", "", "/opt/sorvane/sorvane.ini"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(UbicacionConfiguracion("/opt/sorvane/", c.writable, c.xdg, c.home), c.expected)
            << c.writable << " '" << c.xdg << "' '" << c.home << "'";
}

} // namespace
} // namespace sorvane
