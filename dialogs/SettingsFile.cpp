// The settings file as text.
#include "dialogs/SettingsFile.h"

#include <algorithm>
#include <cstdlib>
#include <unistd.h>

namespace sorvane {
namespace {

constexpr std::string_view kSettingsName = "sorvane.ini";

char LowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string_view Trim(std::string_view s) {
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!s.empty() && blank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && blank(s.back()))
        s.remove_suffix(1);
    return s;
}

} // namespace

bool TSettingsFile::SameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return LowerAscii(x) == LowerAscii(y);
           });
}

TSettingsFile TSettingsFile::FromText(std::string_view text) {
    TSettingsFile file;
    if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
    Section* current = nullptr;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        if (line.ends_with('\r')) line.remove_suffix(1);
        const std::string_view trimmed = Trim(line);
        if (trimmed.size() >= 2 && trimmed.front() == '[' && trimmed.back() == ']') {
            const std::string_view name = Trim(trimmed.substr(1, trimmed.size() - 2));
            current = file.FindSection(name);
            if (current == nullptr) {
                file.sections_.push_back({std::string(name), {}});
                current = &file.sections_.back();
            }
            continue;
        }
        if (current == nullptr) {
            file.preamble_.emplace_back(line);
            continue;
        }
        const std::size_t equals = line.find('=');
        const std::string_view key =
            equals == std::string_view::npos ? std::string_view() : Trim(line.substr(0, equals));
        if (key.empty()) {
            if (!trimmed.empty()) current->lines.push_back({"", "", std::string(line)});
            continue;
        }
        current->lines.push_back({std::string(key), std::string(line.substr(equals + 1)), ""});
    }
    return file;
}

TSettingsFile::Section* TSettingsFile::FindSection(std::string_view name) {
    for (Section& section : sections_)
        if (SameName(section.name, name)) return &section;
    return nullptr;
}

const TSettingsFile::Section* TSettingsFile::FindSection(std::string_view name) const {
    for (const Section& section : sections_)
        if (SameName(section.name, name)) return &section;
    return nullptr;
}

const std::string* TSettingsFile::Find(std::string_view section, std::string_view key) const {
    const Section* found = FindSection(section);
    if (found == nullptr) return nullptr;
    for (const Line& line : found->lines)
        if (!line.key.empty() && SameName(line.key, key)) return &line.value;
    return nullptr;
}

void TSettingsFile::Write(std::string_view section, std::string_view key, std::string_view value) {
    Section* found = FindSection(section);
    if (found == nullptr) {
        sections_.push_back({std::string(section), {}});
        found = &sections_.back();
    }
    for (Line& line : found->lines)
        if (!line.key.empty() && SameName(line.key, key)) {
            line.value = value;
            return;
        }
    found->lines.push_back({std::string(key), std::string(value), ""});
}

std::string TSettingsFile::ToText(const std::vector<OrderedSection>& order) const {
    std::string text;
    const auto put = [&text](std::string_view line) {
        text += line;
        text += '\n';
    };
    const auto putLine = [&](const Line& line) {
        if (line.key.empty())
            put(line.raw);
        else
            put(line.key + "=" + line.value);
    };
    for (const std::string& line : preamble_)
        put(line);
    std::vector<const Section*> written;
    for (const OrderedSection& wanted : order) {
        put("[" + wanted.name + "]");
        const Section* section = FindSection(wanted.name);
        if (section != nullptr) written.push_back(section);
        for (const std::string& key : wanted.keys)
            if (const std::string* value = Find(wanted.name, key)) put(key + "=" + *value);
        if (section == nullptr) continue;
        std::vector<std::string_view> seen;
        for (const Line& line : section->lines) {
            if (!line.key.empty()) {
                const bool ordered =
                    std::any_of(wanted.keys.begin(), wanted.keys.end(),
                                [&](const std::string& k) { return SameName(k, line.key); });
                // Our keys are written above; a repeated key only once, as read.
                const bool repeated =
                    std::any_of(seen.begin(), seen.end(),
                                [&](std::string_view k) { return SameName(k, line.key); });
                seen.push_back(line.key);
                if (ordered || repeated) continue;
            }
            putLine(line);
        }
    }
    for (const Section& section : sections_) {
        if (std::find(written.begin(), written.end(), &section) != written.end()) continue;
        put("[" + section.name + "]");
        for (const Line& line : section.lines)
            putLine(line);
    }
    return text;
}

std::string UbicacionConfiguracion(const std::string& programFolder, bool programFolderWritable,
                                   const std::string& xdgConfigHome, const std::string& home) {
    if (programFolderWritable) return programFolder + std::string(kSettingsName);
    std::string base;
    if (xdgConfigHome.starts_with('/'))
        base = xdgConfigHome;
    else if (home.starts_with('/'))
        base = home + "/.config";
    else
        return programFolder + std::string(kSettingsName);
    if (!base.ends_with('/')) base += '/';
    return base + "sorvane/" + std::string(kSettingsName);
}

std::string UbicacionConfiguracion(const std::string& programFolder) {
    const auto env = [](const char* name) {
        const char* value = std::getenv(name);
        return value != nullptr ? std::string(value) : std::string();
    };
    const bool writable = ::access(programFolder.c_str(), W_OK) == 0;
    return UbicacionConfiguracion(programFolder, writable, env("XDG_CONFIG_HOME"), env("HOME"));
}

} // namespace sorvane
