// Builders of synthetic catalogue lines for the benchmarks.
#include "bench/SyntheticLines.h"

#include "catalogue/format/CatalogueLine.h"
#include "catalogue/format/NumberCode.h"
#include "catalogue/format/TextUtils.h"

namespace sorvane::bench {
namespace {

constexpr std::size_t kFreeWidth = 7, kUsedWidth = 7, kDriveTypeWidth = 10, kLabelWidth = 20;
constexpr std::size_t kFileCountWidth = 3;

constexpr std::string_view kWords[] = {
    "report",  "holiday", "invoice", "draft", "final",   "backup", "notes",   "summer",
    "project", "budget",  "family",  "scan",  "letter",  "old",    "new",     "copy",
    "Madrid",  "Sevilla", "Zürich",  "año",   "canción", "misc",   "release", "setup",
};
constexpr std::string_view kFolderWords[] = {
    "Documents", "Photos", "Music", "Projects", "src",     "bin",   "Downloads",
    "Backups",   "2019",   "2020",  "2021",     "Drivers", "Games", "Docs",
    "include",   "lib",    "old",   "Fotos",    "Música",
};
constexpr std::string_view kGenres[] = {"Rock", "Jazz", "Classical", "Pop", "Soundtrack", "Blues"};
constexpr std::string_view kPlainExtensions[] = {"txt", "doc", "pdf", "exe",  "dll", "zip",
                                                 "cpp", "h",   "xls", "html", "iso", "dat"};
constexpr std::string_view kDescriptions[] = {
    "Scanned at the office", "Keep",           "Tax papers, do not delete", "From the old laptop",
    "Boda de Ana y Luis",    "Needs checking",
};

} // namespace

std::uint32_t DosDate(int year, int month, int day, int hour, int minute, int second) {
    return static_cast<std::uint32_t>(year - 1980) << 25 | static_cast<std::uint32_t>(month) << 21 |
           static_cast<std::uint32_t>(day) << 16 | static_cast<std::uint32_t>(hour) << 11 |
           static_cast<std::uint32_t>(minute) << 5 | static_cast<std::uint32_t>(second / 2);
}

std::string HeaderLine(std::string_view catalogueName, char diskType, char drive, std::int64_t free,
                       std::int64_t used, std::string_view label) {
    std::string line;
    line.push_back(kHeaderMarker);
    line.push_back(diskType);
    line.push_back(drive);
    line.append("1A2B-3C4D");
    line.append(PadLeftToWidth(CodificaInt64(free), kFreeWidth));
    line.append(PadLeftToWidth(CodificaInt64(used), kUsedWidth));
    line.append(PadLeftToWidth("3", kDriveTypeWidth));
    line.append(PadRightToWidth(label, kLabelWidth));
    line.push_back(kMediaBracket);
    line.append(catalogueName);
    line.push_back(kMediaBracket);
    line.push_back(kDescriptionBracket);
    line.push_back('\\');
    line.push_back(kDescriptionBracket);
    return line;
}

std::string FolderLine(std::string_view path, int fileCount, std::uint32_t created,
                       std::uint32_t modified, std::string_view description) {
    std::string line(1, kFolderMarker);
    line.append(PadLeftToWidth(CodificaEntero(fileCount), kFileCountWidth));
    line.append(CodificaFecha(created));
    line.append(CodificaFecha(modified));
    line.push_back('0');
    line.append(path);
    return description.empty() ? line : PonDescripcion(line, description);
}

std::string FileLine(std::string_view name, std::uint64_t size, std::uint32_t modified,
                     std::uint32_t created, std::string_view media, std::string_view description) {
    std::string line = CodificaFecha(modified);
    line.append(CodificaFecha(created));
    line.append(CodificaTamano(size));
    line.append("20");
    line.append(name);
    if (!media.empty()) {
        line.push_back(kMediaBracket);
        line.append(media);
        line.push_back(kMediaBracket);
    }
    return description.empty() ? line : PonDescripcion(line, description);
}

std::string ImageMedia(int width, int height, int bitsPerPixel) {
    return PadLeftToWidth(CodificaEntero(width), 3) + PadLeftToWidth(CodificaEntero(height), 3) +
           CodificaEntero(bitsPerPixel);
}

std::string MusicMedia(int seconds, int channels, int sampleRate, int kbps, int year, int track,
                       std::string_view genre) {
    return PadLeftToWidth(CodificaEntero(seconds), 3) + std::to_string(channels) +
           PadLeftToWidth(CodificaEntero(sampleRate), 3) + PadLeftToWidth(CodificaEntero(kbps), 2) +
           PadLeftToWidth(CodificaEntero(year), 2) + PadLeftToWidth(CodificaEntero(track), 2) +
           std::string(genre);
}

int LineMaker::Between(int low, int high) {
    return std::uniform_int_distribution<int>(low, high)(random_);
}

std::string_view LineMaker::Pick(const std::string_view* words, std::size_t count) {
    return words[static_cast<std::size_t>(Between(0, static_cast<int>(count) - 1))];
}

std::uint32_t LineMaker::Date() {
    return DosDate(Between(1995, 2024), Between(1, 12), Between(1, 28), Between(0, 23),
                   Between(0, 59), Between(0, 59));
}

std::string LineMaker::FolderName() {
    std::string name(Pick(kFolderWords, std::size(kFolderWords)));
    if (Between(0, 2) == 0) {
        name.push_back(' ');
        name.append(std::to_string(Between(1, 999)));
    }
    return name;
}

std::string LineMaker::FileLineOfAnyKind() {
    const int kind = Between(0, 99);
    const std::uint32_t modified = Date();
    const std::uint32_t created = Between(0, 3) == 0 ? Date() : modified;
    std::string description;
    if (Between(0, 29) == 0) description = Pick(kDescriptions, std::size(kDescriptions));
    if (kind < 25) {
        // Camera photos with their resolution.
        std::string name = "IMG_";
        name.append(std::to_string(Between(1000, 9999))).append(".JPG");
        return FileLine(
            name, static_cast<std::uint64_t>(Between(300'000, 9'000'000)), modified, created,
            Between(0, 1) ? ImageMedia(4032, 3024, 24) : ImageMedia(1920, 1080, 24), description);
    }
    if (kind < 40) {
        // Songs with their audio fields.
        std::string name = PadLeftToWidth(std::to_string(Between(1, 20)), 2);
        name.append(" - ").append(Pick(kWords, std::size(kWords)));
        name.append(" ").append(Pick(kWords, std::size(kWords))).append(".mp3");
        return FileLine(
            name, static_cast<std::uint64_t>(Between(2'000'000, 12'000'000)), modified, created,
            MusicMedia(Between(90, 600), 2, 44100, Between(0, 1) ? 192 : 320, Between(1960, 2024),
                       Between(1, 20), Pick(kGenres, std::size(kGenres))),
            description);
    }
    std::string name(Pick(kWords, std::size(kWords)));
    if (Between(0, 1)) name.append("_").append(Pick(kWords, std::size(kWords)));
    if (Between(0, 2) == 0) name.append("_").append(std::to_string(Between(1, 2024)));
    name.append(".").append(Pick(kPlainExtensions, std::size(kPlainExtensions)));
    std::uint64_t size = static_cast<std::uint64_t>(Between(0, 200'000));
    if (kind >= 98) size = static_cast<std::uint64_t>(Between(1, 8)) * 1'000'000'000ULL + size;
    return FileLine(name, size, modified, created, {}, description);
}

} // namespace sorvane::bench
