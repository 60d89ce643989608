// The committed listings of the archivers (tests/data/archive/**/*.list)
// read back field by field, and the comparison of a reported member with its
// line there.
#pragma once

#include "platform/DateTime.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace sorvane::test {

// One member line of a tool listing: what that tool prints of it.
struct ToolEntry {
    std::string Name; // as printed
    std::optional<std::int64_t> Size;
    std::optional<std::int64_t> Packed;
    // The date parts the tool prints; -1 where it prints none.
    int Year = -1, Month = -1, Day = -1, Hour = -1, Minute = -1, Second = -1;
    // The DOS attribute bits the tool shows (KnownAttr) and which of them are set.
    std::uint32_t KnownAttr = 0;
    std::uint32_t Attr = 0;
    bool Dir = false;
};

// The member lines of a listing made by unzip -Z -l, lsar -l, arj v,
// nomarch -lv, lhasa v, cabextract -l, 7zz l, tar -tvf, bsdtar -tvf,
// gzip -lv(N), unace l or the uuencoded "begin" line. Every other line
// (titles, totals, notes) is passed over.
std::vector<ToolEntry> ParseToolListing(const std::string& listing);

// What the reader reported of a member, to be compared with the listing.
struct ReportedMember {
    std::string Name;                   // "\" between folders, a folder ends in "\"
    std::optional<std::int64_t> Size;   // nothing: the listing's size means something else
    std::optional<std::int64_t> Packed; // nothing: not compared
    std::optional<DateTime> Date;       // nothing: not compared
    std::uint32_t Attr = 0;
    bool CompareAttr = true;
};

// Empty when the listing holds one line for the member whose name, after
// "/" turned into "\" and a "\" put after a folder's name, is the member's
// byte for byte, and whose size, packed size, date (to the precision the
// tool prints) and attributes (those the tool shows) agree; else what
// differs. `foldCase`: the tool prints names in lower case (nomarch).
std::string CompareWithListing(const std::vector<ToolEntry>& listing, const ReportedMember& member,
                               bool foldCase = false);

} // namespace sorvane::test
