// The settings file as text: "[section]" lines, then "key=value" lines, read
// whole and written whole. Section and key names match in any letter case, as
// Windows ini files do; everything the program does not know is kept.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace sorvane {

class TSettingsFile {
public:
    TSettingsFile() = default;

    // Parses ini text. LF and CR LF line ends are accepted and a UTF-8
    // byte-order mark at the start is skipped. A key is the text before the
    // first "=" without its surrounding blanks; its value is everything after
    // that "=" as it stands. When a key repeats within a section the first one
    // counts. Lines before the first section and lines without "=" are kept
    // as they are.
    static TSettingsFile FromText(std::string_view text);

    // The value of `key` in `section`, or nullptr when the key is absent: a
    // key that is there with any value, "x" or empty included, is present.
    const std::string* Find(std::string_view section, std::string_view key) const;

    // Sets `key` in `section`, adding the section at the end and the key at
    // the end of its section when they are new.
    void Write(std::string_view section, std::string_view key, std::string_view value);

    // The text of the file, LF line ends. The sections in `order` come first,
    // in that order, each with the keys of `keyOrder` (of that section) first
    // in their order and then the section's other lines as they stood; then
    // every other section as it stood. Names of the ordered sections and keys
    // are written as given there.
    struct OrderedSection {
        std::string name;
        std::vector<std::string> keys;
    };
    std::string ToText(const std::vector<OrderedSection>& order = {}) const;

    // True when the two names are equal in ASCII letters of any case.
    static bool SameName(std::string_view a, std::string_view b);

private:
    struct Line {
        std::string key; // empty for a line that is not "key=value"
        std::string value;
        std::string raw; // the whole line when it is not "key=value"
    };
    struct Section {
        std::string name;
        std::vector<Line> lines;
    };

    Section* FindSection(std::string_view name);
    const Section* FindSection(std::string_view name) const;

    std::vector<std::string> preamble_; // lines before the first section
    std::vector<Section> sections_;
};

// Where the settings file lives: in `programFolder` (ending in "/") when that
// folder can be written, else in "sorvane/" under the user's configuration
// folder: `xdgConfigHome` when it is an absolute path, else `home` +
// "/.config". With neither, the program folder stays the place (a save then
// fails and is reported).
std::string UbicacionConfiguracion(const std::string& programFolder, bool programFolderWritable,
                                   const std::string& xdgConfigHome, const std::string& home);

// The same for this process: the folder's write access and the environment.
std::string UbicacionConfiguracion(const std::string& programFolder);

} // namespace sorvane
