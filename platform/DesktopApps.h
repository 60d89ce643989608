// The desktop's applications: the desktop entry files (".desktop") of the XDG
// data folders, which name a program, its command line and the file types it
// opens; the "open with" chooser lists them and starts the chosen one.
#pragma once

#include "platform/Launcher.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sorvane {

// The part of a desktop entry the chooser needs.
struct DesktopApp {
    std::string id;      // the desktop file ID: "org.gnome.gedit.desktop"; "kde-okular.desktop"
                         // for kde/okular.desktop below an applications folder
    std::string name;    // the untranslated Name
    std::string exec;    // the Exec value, its string escapes decoded
    std::string icon;    // the Icon value: a theme name or a file path
    std::string tryExec; // a program that must exist for the entry to count; empty when none
    std::vector<std::string> mimeTypes;
    bool terminal = false; // the program wants a terminal
};

// The applications folders in order of precedence: $XDG_DATA_HOME/applications
// (~/.local/share when unset), then each folder of $XDG_DATA_DIRS
// (/usr/local/share:/usr/share when unset) with "/applications".
std::vector<std::string> ApplicationFolders();

// The [Desktop Entry] group of a desktop file's text. Nothing for an entry that
// is not a shown application: Type other than Application, Hidden=true, no
// Name or no Exec. NoDisplay entries are kept: they hide from menus, not from
// "open with". `id` is stored as given.
std::optional<DesktopApp> ParseDesktopEntry(std::string_view text, std::string id);

// Every application of the applications folders, each ID once (the folder
// that comes first wins, even with an entry that hides it), entries whose
// TryExec names no program left out, sorted by name without regard to case.
std::vector<DesktopApp> ListDesktopApps();

// The applications whose MimeType lists one of `mimeTypes` (compared without
// regard to case), in the order of ListDesktopApps.
std::vector<DesktopApp> DesktopAppsForTypes(const std::vector<std::string>& mimeTypes);

// The application of a desktop file ID, found as ListDesktopApps finds it.
std::optional<DesktopApp> FindDesktopApp(const std::string& id);

// The argument list of an Exec value for one file: split at blanks outside
// double quotes (inside them "\" escapes """, "`", "$" and "\"); the field codes
// %f %F %u %U become `path`, as one argument when the code is a whole argument
// and in place when it is part of one; "%%" becomes "%"; other field codes are
// dropped, and an argument that was only such a code goes with them. When no
// file code occurs, `path` is appended as the last argument. Empty for an
// Exec value with an open quote or no program.
std::vector<std::string> ExpandExec(std::string_view exec, const std::string& path);

// Starts the application on `path` through StartDetached.
LaunchResult StartDesktopApp(const DesktopApp& app, const std::string& path);

} // namespace sorvane
