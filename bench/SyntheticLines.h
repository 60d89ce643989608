// Realistic catalogue lines for the benchmarks, built with the format's own
// routines: the header, folder lines and file lines of a few media kinds, with
// media blocks and descriptions mixed in as a scan of a real disk leaves them.
#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <string_view>

namespace sorvane::bench {

// A DOS file date (local time, seconds rounded down to even).
std::uint32_t DosDate(int year, int month, int day, int hour, int minute, int second);

std::string HeaderLine(std::string_view catalogueName, char diskType, char drive, std::int64_t free,
                       std::int64_t used, std::string_view label);

// A folder line with `fileCount` file lines after it; a non-empty description
// is appended as the line's description block.
std::string FolderLine(std::string_view path, int fileCount, std::uint32_t created,
                       std::uint32_t modified, std::string_view description = {});

// A file line; a non-empty media block and description are appended in their brackets.
std::string FileLine(std::string_view name, std::uint64_t size, std::uint32_t modified,
                     std::uint32_t created, std::string_view media = {},
                     std::string_view description = {});

// Media blocks of the image and music layouts.
std::string ImageMedia(int width, int height, int bitsPerPixel);
std::string MusicMedia(int seconds, int channels, int sampleRate, int kbps, int year, int track,
                       std::string_view genre);

// Random names, dates and file lines, the same for the same seed.
class LineMaker {
public:
    explicit LineMaker(std::uint32_t seed) : random_(seed) {}

    // A file line of a random kind: photos and songs with media blocks, some
    // lines with descriptions, sizes from a few bytes to several gigabytes.
    std::string FileLineOfAnyKind();
    std::string FolderName();
    std::uint32_t Date();
    // Uniform in [low, high].
    int Between(int low, int high);

private:
    std::string_view Pick(const std::string_view* words, std::size_t count);

    std::mt19937 random_;
};

} // namespace sorvane::bench
