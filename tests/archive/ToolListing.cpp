// The archivers' listings read back field by field.
#include "tests/archive/ToolListing.h"

#include <array>
#include <regex>
#include <sstream>

namespace sorvane::test {
namespace {

constexpr std::uint32_t kReadOnly = 0x01;
constexpr std::uint32_t kHidden = 0x02;
constexpr std::uint32_t kSystem = 0x04;
constexpr std::uint32_t kDirectory = 0x10;
constexpr std::uint32_t kArchive = 0x20;

int Month(const std::string& name) {
    static const std::array<const char*, 12> kMonths = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                        "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    for (std::size_t i = 0; i < kMonths.size(); ++i)
        if (name == kMonths[i]) return static_cast<int>(i) + 1;
    return -1;
}

int TwoDigitYear(const std::string& year) {
    const int value = std::stoi(year);
    return value < 80 ? 2000 + value : 1900 + value;
}

void SetTime(ToolEntry& entry, const std::string& hour, const std::string& minute,
             const std::string& second = "") {
    entry.Hour = std::stoi(hour);
    entry.Minute = std::stoi(minute);
    if (!second.empty()) entry.Second = std::stoi(second);
}

// "hh:mm" or a year: what ls-style listings print after the day.
void SetTimeOrYear(ToolEntry& entry, const std::string& text) {
    if (text.find(':') == std::string::npos)
        entry.Year = std::stoi(text);
    else
        SetTime(entry, text.substr(0, 2), text.substr(3, 2));
}

// A Unix mode string: the folder type and the owner's write permission.
void SetUnixMode(ToolEntry& entry, const std::string& mode) {
    entry.KnownAttr = kDirectory | kReadOnly;
    entry.Dir = mode[0] == 'd';
    entry.Attr = (entry.Dir ? kDirectory : 0) | (mode[2] == 'w' ? 0 : kReadOnly);
}

bool ParseLine(const std::string& line, const std::string& previous, ToolEntry& e) {
    std::smatch m;
    // unzip -Z -l: mode, version, host, size, flags, packed, method, date, time, name.
    static const std::regex kUnzip(
        R"(^([-dlrwxahs]{7,10})\s+\d+\.\d+\s+(\w+)\s+(\d+)\s+\S\S\s+(\d+)\s+\w+\s+(\d\d)-(\w{3})-(\d\d) (\d\d):(\d\d) (.*)$)");
    if (std::regex_match(line, m, kUnzip)) {
        e.Name = m[10];
        e.Size = std::stoll(m[3]);
        e.Packed = std::stoll(m[4]);
        e.Year = TwoDigitYear(m[5]);
        e.Month = Month(m[6]);
        e.Day = std::stoi(m[7]);
        SetTime(e, m[8], m[9]);
        const std::string mode = m[1];
        if (m[2] == "fat" && mode.size() == 7) {
            // drwxahs
            e.KnownAttr = kDirectory | kReadOnly | kArchive | kHidden | kSystem;
            e.Dir = mode[0] == 'd';
            e.Attr = (e.Dir ? kDirectory : 0) | (mode[2] == 'w' ? 0 : kReadOnly) |
                     (mode[4] == 'a' ? kArchive : 0) | (mode[5] == 'h' ? kHidden : 0) |
                     (mode[6] == 's' ? kSystem : 0);
        } else if (mode.size() == 10) {
            SetUnixMode(e, mode);
        }
        return true;
    }
    // lsar -l: index, flags, size, ratio, mode, date, time, name.
    static const std::regex kLsar(
        R"(^\s+\d+\.\s+([-DRLE@]{5})\s+(\d+|-+)\s+\S+\s+\S+\s+(\d{4})-(\d\d)-(\d\d) (\d\d):(\d\d)  (.*)$)");
    if (std::regex_match(line, m, kLsar)) {
        e.Name = m[8];
        e.Dir = m[1].str()[0] == 'D';
        e.KnownAttr = kDirectory;
        e.Attr = e.Dir ? kDirectory : 0;
        if (m[2].str()[0] != '-') e.Size = std::stoll(m[2]);
        e.Year = std::stoi(m[3]);
        e.Month = std::stoi(m[4]);
        e.Day = std::stoi(m[5]);
        SetTime(e, m[6], m[7]);
        return true;
    }
    // arj v: "001) name", then version, host, sizes, ratio, date, time, attributes.
    static const std::regex kArjName(R"(^\d{3}\) (.*)$)");
    static const std::regex kArj(
        R"(^\s*\d+ (MS-DOS|UNIX|\S+)\s+(\d+)\s+(\d+) \d\.\d+ (\d\d)-(\d\d)-(\d\d) (\d\d):(\d\d):(\d\d) ?(\S*).*$)");
    std::smatch name;
    if (std::regex_match(previous, name, kArjName) && std::regex_match(line, m, kArj)) {
        e.Name = name[1];
        e.Size = std::stoll(m[2]);
        e.Packed = std::stoll(m[3]);
        e.Year = TwoDigitYear(m[4]);
        e.Month = std::stoi(m[5]);
        e.Day = std::stoi(m[6]);
        SetTime(e, m[7], m[8], m[9]);
        if (m[10].length() == 10) SetUnixMode(e, m[10]);
        return true;
    }
    // nomarch -lv: name, method, packed, size, date, time, CRC.
    static const std::regex kNomarch(
        R"(^(\S+)\s*\t\d+ \(\w+\)\t\s*(\d+)\s+(\d+)  (\d{4})-(\d\d)-(\d\d) (\d\d):(\d\d)  [0-9A-F]{4}$)");
    if (std::regex_match(line, m, kNomarch)) {
        e.Name = m[1];
        e.Packed = std::stoll(m[2]);
        e.Size = std::stoll(m[3]);
        e.Year = std::stoi(m[4]);
        e.Month = std::stoi(m[5]);
        e.Day = std::stoi(m[6]);
        SetTime(e, m[7], m[8]);
        return true;
    }
    // lhasa v: permissions or [system], (uid/gid), packed, size, ratio,
    // method, CRC, month, day, time or year, name.
    static const std::regex kLhasa(
        R"(^(\[[^\]]+\]|[-dl][-rwxsStT]{9})\s+(?:\d+/\d+\s+)?(\d+)\s+(\d+)\s+\S+ (-\w\w\w-) [0-9a-f]{4} (\w{3}) ([ \d]\d) ([ \d]\d:\d\d| \d{4}) (.*)$)");
    if (std::regex_match(line, m, kLhasa)) {
        e.Name = m[8];
        e.Packed = std::stoll(m[2]);
        e.Size = std::stoll(m[3]);
        e.Month = Month(m[5]);
        e.Day = std::stoi(m[6]);
        std::string when = m[7];
        SetTimeOrYear(e, when.substr(when.find_first_not_of(' ')));
        const std::string mode = m[1];
        if (mode[0] != '[')
            SetUnixMode(e, mode);
        else {
            e.KnownAttr = kDirectory;
            e.Dir = m[4] == "-lhd-";
            e.Attr = e.Dir ? kDirectory : 0;
        }
        return true;
    }
    // cabextract -l: size | dd.mm.yyyy hh:mm:ss | name.
    static const std::regex kCabextract(
        R"(^\s*(\d+) \| (\d\d)\.(\d\d)\.(\d{4}) (\d\d):(\d\d):(\d\d) \| (.*)$)");
    if (std::regex_match(line, m, kCabextract)) {
        e.Name = m[8];
        e.Size = std::stoll(m[1]);
        e.Day = std::stoi(m[2]);
        e.Month = std::stoi(m[3]);
        e.Year = std::stoi(m[4]);
        SetTime(e, m[5], m[6], m[7]);
        return true;
    }
    // 7zz l: date, time, attributes (DRHSA), size, packed (may be blank), name.
    static const std::regex kSevenZip(
        R"(^(\d{4})-(\d\d)-(\d\d) (\d\d):(\d\d):(\d\d) ([D.][R.][H.][S.][A.])\s+(\d+)\s+(\d*)\s+(.*)$)");
    if (std::regex_match(line, m, kSevenZip)) {
        e.Name = m[10];
        e.Year = std::stoi(m[1]);
        e.Month = std::stoi(m[2]);
        e.Day = std::stoi(m[3]);
        SetTime(e, m[4], m[5], m[6]);
        const std::string attr = m[7];
        e.KnownAttr = kDirectory | kReadOnly | kHidden | kSystem | kArchive;
        e.Dir = attr[0] == 'D';
        e.Attr = (e.Dir ? kDirectory : 0) | (attr[1] == 'R' ? kReadOnly : 0) |
                 (attr[2] == 'H' ? kHidden : 0) | (attr[3] == 'S' ? kSystem : 0) |
                 (attr[4] == 'A' ? kArchive : 0);
        e.Size = std::stoll(m[8]);
        if (m[9].length() != 0) e.Packed = std::stoll(m[9]);
        return true;
    }
    // GNU tar -tvf: mode, owner, size, date, time, name (not the volume label).
    static const std::regex kTar(
        R"(^([-dlhcbp][-rwxsStT]{9}) \S+\s+(\d+) (\d{4})-(\d\d)-(\d\d) (\d\d):(\d\d) (.*)$)");
    if (std::regex_match(line, m, kTar)) {
        e.Name = m[8];
        e.Size = std::stoll(m[2]);
        e.Year = std::stoi(m[3]);
        e.Month = std::stoi(m[4]);
        e.Day = std::stoi(m[5]);
        SetTime(e, m[6], m[7]);
        SetUnixMode(e, m[1]);
        return true;
    }
    // bsdtar -tvf: mode, links, owner, group, size, month, day, time or year, name.
    static const std::regex kBsdtar(
        R"(^([-dl][-rwxsStT]{9})\s+\d+ \S+\s+\S+\s+(\d+) (\w{3})\s+(\d+)\s+(\d\d:\d\d|\d{4}) (.*)$)");
    if (std::regex_match(line, m, kBsdtar)) {
        e.Name = m[6];
        e.Size = std::stoll(m[2]);
        e.Month = Month(m[3]);
        e.Day = std::stoi(m[4]);
        SetTimeOrYear(e, m[5]);
        SetUnixMode(e, m[1]);
        return true;
    }
    // gzip -lv: method, CRC, month, day, time, file size, original size,
    // ratio, name. The first size is the whole file's: not a packed size.
    static const std::regex kGzip(
        R"(^\w+ [0-9a-f]+ (\w{3}) ([ \d]\d) (\d\d):(\d\d)\s+\d+\s+(\d+)\s+-?[\d.]+% (.*)$)");
    if (std::regex_match(line, m, kGzip)) {
        e.Name = m[6];
        e.Size = std::stoll(m[5]);
        e.Month = Month(m[1]);
        e.Day = std::stoi(m[2]);
        SetTime(e, m[3], m[4]);
        return true;
    }
    // unace l: dd.mm.yy|hh:mm|packed|size|ratio| name ("<" marks a member
    // continued in further volumes; its packed size is the whole member's).
    static const std::regex kUnace(
        R"(^(\d\d)\.(\d\d)\.(\d\d)\|(\d\d):(\d\d)\|[<>* ]?\s*(\d+)\|\s*(\d+)\|\s*\d+%\| (.*)$)");
    if (std::regex_match(line, m, kUnace)) {
        e.Name = m[8];
        e.Day = std::stoi(m[1]);
        e.Month = std::stoi(m[2]);
        e.Year = TwoDigitYear(m[3]);
        SetTime(e, m[4], m[5]);
        e.Packed = std::stoll(m[6]);
        e.Size = std::stoll(m[7]);
        return true;
    }
    // A uuencoded file: the "begin" line names the member.
    static const std::regex kBegin(R"(^begin [0-7]{3,4} (.+)$)");
    if (std::regex_match(line, m, kBegin)) {
        e.Name = m[1];
        return true;
    }
    return false;
}

std::string ToBackslashes(std::string name) {
    for (char& c : name)
        if (c == '/') c = '\\';
    return name;
}

std::string Lower(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

} // namespace

std::vector<ToolEntry> ParseToolListing(const std::string& listing) {
    std::vector<ToolEntry> entries;
    std::istringstream in(listing);
    std::string line, previous;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        ToolEntry entry;
        if (ParseLine(line, previous, entry)) entries.push_back(entry);
        previous = line;
    }
    return entries;
}

std::string CompareWithListing(const std::vector<ToolEntry>& listing, const ReportedMember& member,
                               bool foldCase) {
    const ToolEntry* found = nullptr;
    for (const ToolEntry& entry : listing) {
        std::string name = ToBackslashes(entry.Name);
        if (entry.Dir && (name.empty() || name.back() != '\\')) name += '\\';
        if (foldCase ? Lower(name) == Lower(member.Name) : name == member.Name) {
            if (found != nullptr) return member.Name + ": listed twice";
            found = &entry;
        }
    }
    if (found == nullptr) return member.Name + ": not in the listing";
    const ToolEntry& e = *found;
    std::ostringstream out;
    if (member.Size && e.Size && *member.Size != *e.Size)
        out << " size " << *member.Size << ", listed " << *e.Size << ";";
    if (member.Packed && e.Packed && *member.Packed != *e.Packed)
        out << " packed " << *member.Packed << ", listed " << *e.Packed << ";";
    if (member.Date) {
        const DateTime& d = *member.Date;
        const int got[] = {d.year, d.month, d.day, d.hour, d.minute, d.second};
        const int listed[] = {e.Year, e.Month, e.Day, e.Hour, e.Minute, e.Second};
        for (std::size_t i = 0; i < std::size(got); ++i)
            if (listed[i] >= 0 && listed[i] != got[i]) {
                out << " date " << d.year << "-" << d.month << "-" << d.day << " " << d.hour << ":"
                    << d.minute << ":" << d.second << " differs in part " << i << " (listed "
                    << listed[i] << ");";
                break;
            }
    }
    if (member.CompareAttr && (member.Attr & e.KnownAttr) != e.Attr)
        out << " attributes " << std::hex << (member.Attr & e.KnownAttr) << ", listed " << e.Attr
            << std::dec << ";";
    const std::string differences = out.str();
    return differences.empty() ? "" : member.Name + ":" + differences;
}

} // namespace sorvane::test
