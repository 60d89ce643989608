// Test support: a builder of compound files and summary property sets.
#include "CompoundFileBuilder.h"

#include <ctime>
#include <stdexcept>

namespace sorvane::testing {

namespace {

constexpr std::uint32_t kEndOfChain = 0xFFFFFFFE;
constexpr std::uint32_t kFreeSector = 0xFFFFFFFF;
constexpr std::uint32_t kFatSector = 0xFFFFFFFD;
constexpr std::uint32_t kNoStream = 0xFFFFFFFF;
constexpr std::size_t kMiniCutoff = 4096;

void PutU16(std::string& out, std::uint16_t v) {
    out.push_back(static_cast<char>(v & 0xFF));
    out.push_back(static_cast<char>(v >> 8));
}

void PutU32(std::string& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

void PutU64(std::string& out, std::uint64_t v) {
    PutU32(out, static_cast<std::uint32_t>(v));
    PutU32(out, static_cast<std::uint32_t>(v >> 32));
}

void WriteU32(std::string& bytes, std::uint64_t offset, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        bytes.at(offset + i) = static_cast<char>((v >> (8 * i)) & 0xFF);
}

void PadTo4(std::string& out) {
    while (out.size() % 4 != 0)
        out.push_back('\0');
}

std::string Entry(const std::u16string& name, std::uint8_t type, std::uint32_t right,
                  std::uint32_t child, std::uint32_t start, std::uint32_t size) {
    std::string e;
    for (std::size_t i = 0; i < 32; ++i)
        PutU16(e, i < name.size() ? name[i] : 0);
    PutU16(e, name.empty() ? 0 : static_cast<std::uint16_t>((name.size() + 1) * 2));
    e.push_back(static_cast<char>(type));
    e.push_back('\x01');  // black
    PutU32(e, kNoStream); // left
    PutU32(e, right);
    PutU32(e, child);
    e.append(16, '\0'); // class id
    PutU32(e, 0);       // state bits
    PutU64(e, 0);       // created
    PutU64(e, 0);       // modified
    PutU32(e, start);
    PutU32(e, size);
    PutU32(e, 0);
    return e;
}

std::uint32_t Units(std::size_t bytes, std::size_t unit) {
    return static_cast<std::uint32_t>((bytes + unit - 1) / unit);
}

} // namespace

SummaryProperty CodePageProperty(std::uint16_t codePage) {
    std::string v;
    PutU16(v, codePage);
    PutU16(v, 0);
    return {1, 2, v};
}

SummaryProperty TextProperty(std::uint32_t id, const std::string& bytes) {
    std::string v;
    PutU32(v, static_cast<std::uint32_t>(bytes.size() + 1));
    v += bytes;
    v.push_back('\0');
    PadTo4(v);
    return {id, 30, v};
}

SummaryProperty WideTextProperty(std::uint32_t id, const std::u16string& text) {
    std::string v;
    PutU32(v, static_cast<std::uint32_t>(text.size() + 1));
    for (char16_t c : text)
        PutU16(v, c);
    PutU16(v, 0);
    PadTo4(v);
    return {id, 31, v};
}

SummaryProperty IntProperty(std::uint32_t id, std::int32_t value) {
    std::string v;
    PutU32(v, static_cast<std::uint32_t>(value));
    return {id, 3, v};
}

SummaryProperty FileTimeProperty(std::uint32_t id, std::uint64_t ticks) {
    std::string v;
    PutU64(v, ticks);
    return {id, 64, v};
}

std::uint64_t FileTimeTicks(int year, int month, int day, int hour, int minute, int second) {
    std::tm t{};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_sec = second;
    const std::int64_t unixSeconds = timegm(&t);
    return static_cast<std::uint64_t>(unixSeconds + 11'644'473'600LL) * 10'000'000ULL;
}

std::string SummaryStream(const std::vector<SummaryProperty>& properties) {
    std::string values;
    std::string table;
    const std::size_t tableBytes = 8 + 8 * properties.size();
    for (const SummaryProperty& p : properties) {
        PutU32(table, p.id);
        PutU32(table, static_cast<std::uint32_t>(tableBytes + values.size()));
        PutU32(values, p.type);
        values += p.value;
        PadTo4(values);
    }
    std::string out;
    PutU16(out, 0xFFFE);
    PutU16(out, 0);
    PutU32(out, 0x00020006);
    out.append(16, '\0');
    PutU32(out, 1);
    out += std::string("\xE0\x85\x9F\xF2\xF9\x4F\x68\x10\xAB\x91\x08\x00\x2B\x27\xB3\xD9", 16);
    PutU32(out, static_cast<std::uint32_t>(kSummarySectionOffset));
    PutU32(out, static_cast<std::uint32_t>(tableBytes + values.size()));
    PutU32(out, static_cast<std::uint32_t>(properties.size()));
    return out + table + values;
}

std::u16string SummaryStreamName() {
    return u"\u0005SummaryInformation";
}

CompoundImage BuildCompoundFile(const std::vector<CompoundStreamContent>& streams,
                                unsigned sectorShift) {
    CompoundImage image;
    const std::uint32_t ss = 1u << sectorShift;
    image.sectorSize = ss;
    const std::uint32_t perFat = ss / 4;
    const std::uint32_t perDirectory = ss / 128;

    const std::uint32_t directorySectors = Units(streams.size() + 1, perDirectory);
    std::uint32_t miniSectors = 0;
    std::uint32_t regularSectors = 0;
    for (const CompoundStreamContent& s : streams)
        (s.data.size() < kMiniCutoff ? miniSectors : regularSectors) +=
            Units(s.data.size(), s.data.size() < kMiniCutoff ? 64 : ss);
    const std::uint32_t miniStreamSectors = Units(std::size_t{miniSectors} * 64, ss);
    const std::uint32_t miniFatSectors = Units(miniSectors, perFat);
    const std::uint32_t rest =
        directorySectors + miniFatSectors + miniStreamSectors + regularSectors;
    std::uint32_t fatSectors = 1;
    while (fatSectors * perFat < fatSectors + rest)
        ++fatSectors;
    if (fatSectors > 109)
        throw std::logic_error("BuildCompoundFile: too large for a header-only DIFAT");

    image.firstFatSector = 0;
    image.fatSectorCount = fatSectors;
    image.firstDirectorySector = fatSectors;
    image.directorySectorCount = directorySectors;
    image.firstMiniFatSector = miniFatSectors ? fatSectors + directorySectors : kEndOfChain;
    const std::uint32_t firstMiniStream = fatSectors + directorySectors + miniFatSectors;
    image.firstMiniStreamSector = miniStreamSectors ? firstMiniStream : kEndOfChain;
    std::uint32_t nextRegular = firstMiniStream + miniStreamSectors;
    const std::uint32_t total = fatSectors + rest;

    std::vector<std::uint32_t> fat(std::size_t{fatSectors} * perFat, kFreeSector);
    auto chain = [&fat](std::uint32_t first, std::uint32_t count) {
        for (std::uint32_t i = 0; i < count; ++i)
            fat[first + i] = i + 1 < count ? first + i + 1 : kEndOfChain;
    };
    for (std::uint32_t i = 0; i < fatSectors; ++i)
        fat[i] = kFatSector;
    chain(image.firstDirectorySector, directorySectors);
    if (miniFatSectors) chain(image.firstMiniFatSector, miniFatSectors);
    if (miniStreamSectors) chain(firstMiniStream, miniStreamSectors);

    std::vector<std::uint32_t> miniFat(std::size_t{miniFatSectors} * perFat, kFreeSector);
    std::string miniStream;
    std::vector<std::string> regularData;
    std::string directory;
    std::uint32_t nextMini = 0;
    std::vector<std::string> entries;
    for (std::size_t i = 0; i < streams.size(); ++i) {
        const CompoundStreamContent& s = streams[i];
        std::uint32_t start = kEndOfChain;
        if (s.data.size() < kMiniCutoff) {
            const std::uint32_t count = Units(s.data.size(), 64);
            if (count) start = nextMini;
            for (std::uint32_t k = 0; k < count; ++k)
                miniFat[nextMini + k] = k + 1 < count ? nextMini + k + 1 : kEndOfChain;
            nextMini += count;
            std::string padded = s.data;
            padded.resize(std::size_t{count} * 64, '\0');
            miniStream += padded;
        } else {
            const std::uint32_t count = Units(s.data.size(), ss);
            start = nextRegular;
            chain(nextRegular, count);
            nextRegular += count;
            std::string padded = s.data;
            padded.resize(std::size_t{count} * ss, '\0');
            regularData.push_back(padded);
        }
        image.streamStart.push_back(start);
        const std::uint32_t right =
            i + 1 < streams.size() ? static_cast<std::uint32_t>(i + 2) : kNoStream;
        entries.push_back(
            Entry(s.name, 2, right, kNoStream, start, static_cast<std::uint32_t>(s.data.size())));
    }
    directory += Entry(u"Root Entry", 5, kNoStream, streams.empty() ? kNoStream : 1,
                       image.firstMiniStreamSector, static_cast<std::uint32_t>(miniStream.size()));
    for (const std::string& e : entries)
        directory += e;
    while (directory.size() < std::size_t{directorySectors} * ss)
        directory += Entry(u"", 0, kNoStream, kNoStream, 0, 0);
    miniStream.resize(std::size_t{miniStreamSectors} * ss, '\0');

    std::string header;
    header += std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
    header.append(16, '\0');
    PutU16(header, 0x003E);
    PutU16(header, sectorShift == 12 ? 4 : 3);
    PutU16(header, 0xFFFE);
    PutU16(header, static_cast<std::uint16_t>(sectorShift));
    PutU16(header, 6);
    header.append(6, '\0');
    PutU32(header, sectorShift == 12 ? directorySectors : 0);
    PutU32(header, fatSectors);
    PutU32(header, image.firstDirectorySector);
    PutU32(header, 0);
    PutU32(header, static_cast<std::uint32_t>(kMiniCutoff));
    PutU32(header, image.firstMiniFatSector);
    PutU32(header, miniFatSectors);
    PutU32(header, kEndOfChain);
    PutU32(header, 0);
    for (std::uint32_t i = 0; i < 109; ++i)
        PutU32(header, i < fatSectors ? i : kFreeSector);
    header.resize(ss, '\0');

    std::string& out = image.bytes;
    out = header;
    for (std::uint32_t word : fat)
        PutU32(out, word);
    out += directory;
    for (std::uint32_t word : miniFat)
        PutU32(out, word);
    out += miniStream;
    for (const std::string& data : regularData)
        out += data;
    if (out.size() != (std::size_t{total} + 1) * ss)
        throw std::logic_error("BuildCompoundFile: layout mismatch");
    return image;
}

std::uint64_t CompoundImage::EntryOffset(std::uint32_t entry) const {
    const std::uint32_t perSector = sectorSize / 128;
    return SectorOffset(firstDirectorySector + entry / perSector) + (entry % perSector) * 128ull;
}

std::uint32_t CompoundImage::FatEntry(std::uint32_t sector) const {
    const std::uint64_t at = SectorOffset(firstFatSector + sector / (sectorSize / 4)) +
                             (sector % (sectorSize / 4)) * 4ull;
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i)
        v = (v << 8) | static_cast<unsigned char>(bytes.at(at + i));
    return v;
}

void CompoundImage::SetFatEntry(std::uint32_t sector, std::uint32_t next) {
    WriteU32(bytes,
             SectorOffset(firstFatSector + sector / (sectorSize / 4)) +
                 (sector % (sectorSize / 4)) * 4ull,
             next);
}

void CompoundImage::SetMiniFatEntry(std::uint32_t miniSector, std::uint32_t next) {
    WriteU32(bytes,
             SectorOffset(firstMiniFatSector + miniSector / (sectorSize / 4)) +
                 (miniSector % (sectorSize / 4)) * 4ull,
             next);
}

void CompoundImage::SetU16(std::uint64_t offset, std::uint16_t value) {
    bytes.at(offset) = static_cast<char>(value & 0xFF);
    bytes.at(offset + 1) = static_cast<char>(value >> 8);
}

void CompoundImage::SetU32(std::uint64_t offset, std::uint32_t value) {
    WriteU32(bytes, offset, value);
}

} // namespace sorvane::testing
