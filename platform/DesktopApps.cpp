// Desktop entry files: finding them in the XDG data folders, reading the keys
// an application launch needs, and turning an Exec line into an argument list.
//
// Format notes (freedesktop.org desktop entry format): a file is groups of
// "Key=Value" lines under "[Group]" titles; only "[Desktop Entry]" matters here.
// Localised keys ("Name[de]") are skipped, so the chooser shows the untranslated
// name. String values decode "\s" "\n" "\t" "\r" "\\"; lists (MimeType) are
// separated by ";", with "\;" for a ";" inside an item.
#include "platform/DesktopApps.h"

#include "platform/Directory.h"
#include "platform/Files.h"

#include <algorithm>
#include <cstdlib>
#include <map>

namespace sorvane {
namespace {

constexpr std::string_view kDesktopSuffix = ".desktop";

std::string_view Trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r'))
        text.remove_suffix(1);
    return text;
}

std::string DecodeString(std::string_view value) {
    std::string out;
    out.reserve(value.size());
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] != '\\' || i + 1 == value.size()) {
            out += value[i];
            continue;
        }
        switch (value[++i]) {
        case 's':
            out += ' ';
            break;
        case 'n':
            out += '\n';
            break;
        case 't':
            out += '\t';
            break;
        case 'r':
            out += '\r';
            break;
        case '\\':
            out += '\\';
            break;
        default: // not a string escape: kept for the layer that knows it (Exec quoting)
            out += '\\';
            out += value[i];
            break;
        }
    }
    return out;
}

std::vector<std::string> DecodeList(std::string_view value) {
    std::vector<std::string> items;
    std::string item;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] == '\\' && i + 1 < value.size() && value[i + 1] == ';') {
            item += ';';
            ++i;
        } else if (value[i] == ';') {
            if (!item.empty()) items.push_back(DecodeString(item));
            item.clear();
        } else {
            item += value[i];
        }
    }
    if (!item.empty()) items.push_back(DecodeString(item));
    return items;
}

std::string Lower(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

std::string DataHome() {
    const char* home = std::getenv("XDG_DATA_HOME");
    if (home != nullptr && home[0] == '/') return home;
    const char* user = std::getenv("HOME");
    return std::string(user != nullptr ? user : "") + "/.local/share";
}

// The desktop files below `folder`, with the IDs the format gives them: the
// path below the applications folder with "/" turned into "-".
void CollectEntries(const std::string& folder, const std::string& prefix, int depth,
                    std::vector<std::pair<std::string, std::string>>& found) {
    constexpr int kMaxDepth = 8; // guards against a folder loop through links
    if (depth > kMaxDepth) return;
    for (const DirectoryEntry& entry : ListDirectory(folder)) {
        const std::string path = folder + "/" + entry.name;
        if (entry.isDirectory || IsDirectory(path)) {
            CollectEntries(path, prefix + entry.name + "-", depth + 1, found);
        } else if (entry.name.size() > kDesktopSuffix.size() &&
                   std::string_view(entry.name).substr(entry.name.size() - kDesktopSuffix.size()) ==
                       kDesktopSuffix) {
            found.emplace_back(prefix + entry.name, path);
        }
    }
}

// Parses every desktop file of the folders, the first of each ID only.
std::map<std::string, std::optional<DesktopApp>> ReadAllEntries() {
    std::map<std::string, std::optional<DesktopApp>> byId;
    for (const std::string& folder : ApplicationFolders()) {
        std::vector<std::pair<std::string, std::string>> found;
        CollectEntries(folder, "", 0, found);
        for (auto& [id, path] : found) {
            if (byId.count(id) != 0) continue;
            std::optional<DesktopApp> app;
            try {
                app = ParseDesktopEntry(ReadWholeFile(path), id);
            } catch (const EInOutError&) {
                // An unreadable file hides nothing below it, as if it were not there.
                continue;
            }
            if (app && !app->tryExec.empty() && !FindProgram(app->tryExec)) app.reset();
            byId.emplace(id, std::move(app));
        }
    }
    return byId;
}

} // namespace

std::vector<std::string> ApplicationFolders() {
    std::vector<std::string> folders{DataHome() + "/applications"};
    const char* dirs = std::getenv("XDG_DATA_DIRS");
    const std::string list =
        dirs != nullptr && dirs[0] != '\0' ? dirs : "/usr/local/share:/usr/share";
    std::size_t start = 0;
    while (start <= list.size()) {
        std::size_t end = list.find(':', start);
        if (end == std::string::npos) end = list.size();
        std::string folder = list.substr(start, end - start);
        while (folder.size() > 1 && folder.back() == '/')
            folder.pop_back();
        if (!folder.empty() && folder[0] == '/') {
            folder += "/applications";
            if (std::find(folders.begin(), folders.end(), folder) == folders.end())
                folders.push_back(folder);
        }
        start = end + 1;
    }
    return folders;
}

std::optional<DesktopApp> ParseDesktopEntry(std::string_view text, std::string id) {
    DesktopApp app;
    app.id = std::move(id);
    bool inEntry = false;
    bool application = false;
    bool hidden = false;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view line = Trim(text.substr(0, end));
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (line.empty() || line.front() == '#') continue;
        if (line.front() == '[') {
            inEntry = line == "[Desktop Entry]";
            continue;
        }
        if (!inEntry) continue;
        const std::size_t equals = line.find('=');
        if (equals == std::string_view::npos) continue;
        const std::string_view key = Trim(line.substr(0, equals));
        const std::string_view value = Trim(line.substr(equals + 1));
        if (key == "Type")
            application = value == "Application";
        else if (key == "Name")
            app.name = DecodeString(value);
        else if (key == "Exec")
            app.exec = DecodeString(value);
        else if (key == "TryExec")
            app.tryExec = DecodeString(value);
        else if (key == "Icon")
            app.icon = DecodeString(value);
        else if (key == "MimeType")
            app.mimeTypes = DecodeList(value);
        else if (key == "Terminal")
            app.terminal = value == "true";
        else if (key == "Hidden")
            hidden = value == "true";
    }
    if (!application || hidden || app.name.empty() || app.exec.empty()) return std::nullopt;
    return app;
}

std::vector<DesktopApp> ListDesktopApps() {
    std::vector<DesktopApp> apps;
    for (auto& [id, app] : ReadAllEntries())
        if (app) apps.push_back(std::move(*app));
    std::stable_sort(apps.begin(), apps.end(), [](const DesktopApp& a, const DesktopApp& b) {
        return Lower(a.name) < Lower(b.name);
    });
    return apps;
}

std::vector<DesktopApp> DesktopAppsForTypes(const std::vector<std::string>& mimeTypes) {
    std::vector<std::string> wanted;
    for (const std::string& type : mimeTypes)
        wanted.push_back(Lower(type));
    std::vector<DesktopApp> apps;
    for (DesktopApp& app : ListDesktopApps()) {
        const bool opens =
            std::any_of(app.mimeTypes.begin(), app.mimeTypes.end(), [&](const std::string& type) {
                return std::find(wanted.begin(), wanted.end(), Lower(type)) != wanted.end();
            });
        if (opens) apps.push_back(std::move(app));
    }
    return apps;
}

std::optional<DesktopApp> FindDesktopApp(const std::string& id) {
    auto all = ReadAllEntries();
    const auto it = all.find(id);
    if (it == all.end()) return std::nullopt;
    return it->second;
}

std::vector<std::string> ExpandExec(std::string_view exec, const std::string& path) {
    // Quoting first: the raw arguments.
    std::vector<std::string> raw;
    std::string current;
    bool inArgument = false, inQuotes = false;
    for (std::size_t i = 0; i < exec.size(); ++i) {
        const char c = exec[i];
        if (inQuotes) {
            if (c == '"') {
                inQuotes = false;
            } else if (c == '\\' && i + 1 < exec.size() &&
                       std::string_view("\"`$\\").find(exec[i + 1]) != std::string_view::npos) {
                current += exec[++i];
            } else {
                current += c;
            }
        } else if (c == ' ' || c == '\t' || c == '\n') {
            if (inArgument) raw.push_back(std::move(current));
            current.clear();
            inArgument = false;
        } else if (c == '"') {
            inQuotes = true;
            inArgument = true;
        } else {
            current += c;
            inArgument = true;
        }
    }
    if (inQuotes) return {};
    if (inArgument) raw.push_back(std::move(current));

    // Then the field codes of each argument.
    std::vector<std::string> arguments;
    bool fileGiven = false;
    for (const std::string& argument : raw) {
        std::string expanded;
        bool hadCode = false;
        for (std::size_t i = 0; i < argument.size(); ++i) {
            if (argument[i] != '%' || i + 1 == argument.size()) {
                expanded += argument[i];
                continue;
            }
            const char code = argument[++i];
            if (code == '%') {
                expanded += '%';
                continue;
            }
            hadCode = true;
            if (code == 'f' || code == 'F' || code == 'u' || code == 'U') {
                expanded += path;
                fileGiven = true;
            }
        }
        if (hadCode && expanded.empty()) continue;
        arguments.push_back(std::move(expanded));
    }
    if (arguments.empty()) return {};
    if (!fileGiven) arguments.push_back(path);
    return arguments;
}

LaunchResult StartDesktopApp(const DesktopApp& app, const std::string& path) {
    std::vector<std::string> arguments = ExpandExec(app.exec, path);
    if (arguments.empty())
        return {false, "Cannot start \"" + app.id + "\": its Exec line cannot be read"};
    const std::string program = arguments.front();
    arguments.erase(arguments.begin());
    return StartDetached(program, arguments);
}

} // namespace sorvane
