// The message table of the archive library.
#include "archive/arxMessages.h"

#include <algorithm>
#include <array>
#include <utility>

namespace sorvane {
namespace {

// Sorted by number.
constexpr std::array<std::pair<int, const char*>, 38> kMessages{{
    {25103, "Error loading unacev2.dll..."},
    {25114, "Bad file header"},
    {25115, "Bad offset to local header"},
    {25116, "Bad block"},
    {25134, "Incorrect number of bits"},
    {25135, "Broken multi-volume chain"},
    {25136, "Error writing to file"},
    {25138, "Error closing file"},
    {25139, "Incomplete code set"},
    {25140, "Corrupt input"},
    {25151, "File fails CRC check"},
    {25152, "File contains invalid decode tree"},
    {25160, "Disk full"},
    {25170, "is not accessible"},
    {25171, "disk is write protected"},
    {25172, "EOF not found"},
    {25179, "EOF not found"},
    {25192, "File not found"},
    {25235, "Error opening file"},
    {25236, "Error reading file or unexpected end of file"},
    {25244, "Invalid or unsupported archive type for this operation"},
    {25245, "Invalid file name"},
    {25251, "Maximum volumes 999"},
    {25253, "Out of memory"},
    {25260, "Unrar?.dll not found"},
    {25261, "Cabinet.dll not found"},
    {25264, "Multi-Part GZIP files not supported"},
    {25270, "Required event not assigned"},
    {25290, "Password protected"},
    {25305, "Stack overflow"},
    {25326, "Unsupported compression method"},
    {25327, "Unknown file type"},
    {25402, "Version error"},
    {25443, "User canceled"},
    {26517, "Invalid password"},
    {26522, "Password failed"},
    {26530, "Enciphered with a method this program does not decipher"},
    {26899, "Directory does not exist... Create?"},
}};

} // namespace

std::string ArxMessageText(int id) {
    const auto* found =
        std::lower_bound(kMessages.begin(), kMessages.end(), id,
                         [](const auto& entry, int key) { return entry.first < key; });
    if (found != kMessages.end() && found->first == id) return found->second;
    return "Error " + std::to_string(id);
}

} // namespace sorvane
