// Directory walk of tar archives.
#include "archive/tar/arxDirTar.h"

#include "archive/arxCrc.h"
#include "archive/arxGlobals.h"
#include "archive/arxHelpers.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <optional>
#include <utility>

namespace sorvane {
namespace {

constexpr std::uint16_t kDirectoryAttr = 0x10;
// Records about the next member or the archive that name nothing themselves:
// GNU long link names, pax global headers, Solaris extended headers.
constexpr char kMetaTypes[] = {kTarGnuLongLink, 'g', 'X'};
// 9999-12-31 23:59:59 UTC; later times are no date.
constexpr std::uint64_t kLastUnixTime = 253402300799ull;

bool AllZero(const std::uint8_t* bytes, std::int64_t count) {
    return std::all_of(bytes, bytes + count, [](std::uint8_t b) { return b == 0; });
}

bool IsFileType(char type) {
    return type == '\0' || type == '0' || type == '1' || type == '2';
}

// Bytes the member's data takes in the archive, whole blocks; UINT64_MAX
// when the size does not fit.
std::uint64_t BlockedSize(std::uint64_t size) {
    if (size > std::numeric_limits<std::uint64_t>::max() - (kTarBlock - 1))
        return std::numeric_limits<std::uint64_t>::max();
    return (size + kTarBlock - 1) / kTarBlock * kTarBlock;
}

DateTime TarDate(const std::uint8_t* header) {
    const std::uint64_t seconds = TarTimeField(header);
    if (seconds > kLastUnixTime) return kArxNoValidDate;
    return UnixTimeToDateTime(static_cast<std::int64_t>(seconds));
}

DateTime PaxDate(std::int64_t seconds) {
    if (seconds < 0 || static_cast<std::uint64_t>(seconds) > kLastUnixTime) return kArxNoValidDate;
    return UnixTimeToDateTime(seconds);
}

} // namespace

std::uint64_t TarSizeField(const std::uint8_t* field12) {
    if ((field12[0] & 0x80) == 0) return OctalToInt(TarFieldText(field12, kTarSizeLength));
    // Base-256: the rest of the field is a big-endian number.
    std::uint64_t value = field12[0] & 0x7F;
    for (std::size_t i = 1; i < kTarSizeLength; ++i) {
        if (value > (std::numeric_limits<std::uint64_t>::max() >> 8))
            return std::numeric_limits<std::uint64_t>::max();
        value = (value << 8) | field12[i];
    }
    return value;
}

namespace {

// A decimal number, digits only; nothing when it is empty, holds another
// character or does not fit 64 bits.
std::optional<std::uint64_t> DecimalValue(std::string_view text) {
    if (text.empty()) return std::nullopt;
    std::uint64_t value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        const auto digit = static_cast<std::uint64_t>(c - '0');
        if (value > (std::numeric_limits<std::uint64_t>::max() - digit) / 10) return std::nullopt;
        value = value * 10 + digit;
    }
    return value;
}

// A pax time: decimal seconds since 1970, a sign and a fraction allowed; the
// whole seconds towards the past. Nothing when it does not read.
std::optional<std::int64_t> PaxTime(std::string_view text) {
    const bool negative = !text.empty() && text.front() == '-';
    if (negative) text.remove_prefix(1);
    const std::size_t dot = text.find('.');
    const std::string_view fraction =
        dot == std::string_view::npos ? std::string_view() : text.substr(dot + 1);
    const std::optional<std::uint64_t> whole = DecimalValue(text.substr(0, dot));
    if (!whole || *whole > static_cast<std::uint64_t>(INT64_MAX) - 1) return std::nullopt;
    if (!fraction.empty() && !DecimalValue(fraction)) return std::nullopt;
    const auto seconds = static_cast<std::int64_t>(*whole);
    if (!negative) return seconds;
    const bool part = fraction.find_first_not_of('0') != std::string_view::npos;
    return -seconds - (part ? 1 : 0);
}

} // namespace

TPaxRecords ReadPaxRecords(std::string_view records) {
    TPaxRecords out;
    while (!records.empty()) {
        // "<length> <key>=<value>\n", the length counting the whole record.
        const std::size_t blank = records.find(' ');
        if (blank == std::string_view::npos || blank == 0 || blank > 9) break;
        std::size_t length = 0;
        for (std::size_t i = 0; i < blank; ++i) {
            if (records[i] < '0' || records[i] > '9') return out;
            length = length * 10 + static_cast<std::size_t>(records[i] - '0');
        }
        if (length <= blank + 1 || length > records.size()) break;
        std::string_view record = records.substr(blank + 1, length - blank - 1);
        if (!record.empty() && record.back() == '\n') record.remove_suffix(1);
        const std::size_t equals = record.find('=');
        if (equals != std::string_view::npos) {
            const std::string_view key = record.substr(0, equals);
            const std::string_view value = record.substr(equals + 1);
            if (key == "path") out.Path = std::string(value);
            if (key == "linkpath") out.LinkPath = std::string(value);
            if (key == "size") out.Size = DecimalValue(value);
            if (key == "mtime") out.MTime = PaxTime(value);
            if (key.substr(0, 11) == "GNU.sparse.") out.Sparse = true;
        }
        records.remove_prefix(length);
    }
    return out;
}

std::string PaxPathRecord(std::string_view records) {
    return ReadPaxRecords(records).Path;
}

TTarBlockRead ReadTarBlock(TArxByteSource& source, std::int64_t pos,
                           std::uint8_t (&block)[kTarBlock]) {
    const std::int64_t left = source.Holds(pos, 0) ? source.Size() - pos : 0;
    const std::int64_t wanted = std::min(left, kTarBlock);
    if (wanted == 0) return TTarBlockRead::End;
    const std::int64_t got = source.ReadAt(pos, block, wanted);
    // Two zero blocks end a tar archive; one is enough to stop, and zero
    // padding short of a block is no header either.
    if (got == wanted && AllZero(block, got)) return TTarBlockRead::End;
    if (got < kTarBlock) return TTarBlockRead::CutShort;
    return TarChecksumOk(block) ? TTarBlockRead::Header : TTarBlockRead::Bad;
}

// The loop hands each step one byte, the first of a header: a header cut
// short by the end of the archive still reaches the header reader.
void TTarWalk::SetUp(TArxon& arx) {
    arx.Walk.HeaderSize = 1;
}

void TTarWalk::Step(TArxon& arx) {
    TArxonSource source(arx);
    std::uint8_t header[kTarBlock];
    switch (ReadTarBlock(source, arx.Walk.HeaderOffset, header)) {
    case TTarBlockRead::Header:
        break;
    case TTarBlockRead::End:
        arx.EndWalk();
        return;
    case TTarBlockRead::CutShort:
        arx.FailWalk(kMsgReadError);
        return;
    case TTarBlockRead::Bad:
        // A block that is no header: the listing cannot go on.
        arx.FailWalk();
        return;
    }
    arx.Walk.Position = arx.Walk.HeaderOffset + kTarBlock;
    const std::uint64_t size = TarSizeField(header + kTarSizeOffset);
    const char type = TarType(header);
    if (type == kTarGnuLongName || type == kTarPaxHeader) {
        TakeLongName(arx, size, type == kTarPaxHeader);
        return;
    }
    if (std::find(std::begin(kMetaTypes), std::end(kMetaTypes), type) != std::end(kMetaTypes)) {
        SkipData(arx, size);
        return;
    }
    ReportMember(arx, header, size);
}

void TTarWalk::TakeLongName(TArxon& arx, std::uint64_t size, bool pax) {
    pending_ = TPaxRecords{};
    const std::int64_t dataStart = arx.Walk.Position;
    if (size <= kTarMaxNameRecord &&
        size <= static_cast<std::uint64_t>(arx.Walk.StreamSize - dataStart)) {
        std::string data(static_cast<std::size_t>(size), '\0');
        if (arx.ReadExact(dataStart, data.data(), static_cast<std::int64_t>(size))) {
            if (pax)
                pending_ = ReadPaxRecords(data);
            else
                pending_.Path = data.c_str();
        }
    }
    SkipData(arx, size);
}

std::string TTarWalk::WholeName(const std::uint8_t* header) {
    if (!pending_.Path.empty()) return pending_.Path;
    return TarHeaderName(header);
}

void TTarWalk::ReportMember(TArxon& arx, const std::uint8_t* header, std::uint64_t size) {
    const char type = TarType(header);
    std::string name = WholeName(header);
    // A pax record holds what the header's fields cannot: sizes of 8 GiB and
    // more, times outside the octal field.
    if (pending_.Size) size = *pending_.Size;
    const DateTime date = pending_.MTime ? PaxDate(*pending_.MTime) : TarDate(header);
    pending_ = TPaxRecords{};
    while (!name.empty() && name.back() == '/')
        name.pop_back();
    const std::uint32_t checksum = static_cast<std::uint32_t>(
        OctalToInt(TarFieldText(header + kTarChecksumOffset, kTarChecksumLength)));

    if (!name.empty() && checksum != 0) {
        arx.SetRawFileName(name);
        arx.FireReadFile();
        const bool directory = type == kTarDirectory;
        if ((IsFileType(type) || directory) && arx.MatchSpec()) {
            TArxonEntry entry;
            entry.FileDate = date;
            entry.UnpackedSize = entry.PackedSize =
                static_cast<std::int64_t>(std::min<std::uint64_t>(size, INT64_MAX));
            entry.Crc = checksum;
            entry.CompressMethod = 0;
            entry.CompressMethodName =
                GetMethodName(ArxArchiveType::Tar, 0, 0, ArxMethodEntry{directory, 0});
            entry.FileAttr = entry.InternalAttr = directory ? kDirectoryAttr : 0;
            if (directory)
                arx.ReportDir(entry, true);
            else
                arx.ReportFile(entry);
        }
    }
    if (!arx.Walk.Ended) SkipData(arx, size);
}

void TTarWalk::SkipData(TArxon& arx, std::uint64_t size) {
    const std::int64_t dataStart = arx.Walk.Position;
    const auto left = static_cast<std::uint64_t>(arx.Walk.StreamSize - dataStart);
    if (size > left) {
        arx.FailWalk(kMsgReadError);
        return;
    }
    arx.Walk.Position = dataStart + static_cast<std::int64_t>(std::min(BlockedSize(size), left));
}

} // namespace sorvane
