// TFileInfo::GetDocInfo: the SummaryInformation property set of a compound
// document, its texts converted from the code page the set declares.
#include "catalogue/metadata/ByteReader.h"
#include "catalogue/metadata/CompoundFile.h"
#include "catalogue/metadata/DocumentReaders.h"
#include "platform/Text.h"

#include <algorithm>
#include <iconv.h>
#include <limits>
#include <new>
#include <optional>
#include <vector>

namespace sorvane {

namespace {

// Layout of a property-set stream: its header and the first
// (format identifier, section offset) pair.
constexpr std::size_t kSetByteOrder = 0;    // u16: 0xFFFE
constexpr std::size_t kSetSections = 24;    // u32
constexpr std::size_t kSetFirstFmtid = 28;  // 16 bytes
constexpr std::size_t kSetFirstOffset = 44; // u32
constexpr std::size_t kSetHeaderBytes = 48;
// Layout of a section: its size, its property count, then (id, offset) pairs.
constexpr std::size_t kSectionPropertyCount = 4;
constexpr std::size_t kSectionTable = 8;
constexpr std::size_t kSectionHeaderBytes = 8;
constexpr std::uint32_t kMaxProperties = 256;

// F29F85E0-4FF9-1068-AB91-08002B27B3D9 as stored.
constexpr std::string_view kSummaryFmtid{
    "\xE0\x85\x9F\xF2\xF9\x4F\x68\x10\xAB\x91\x08\x00\x2B\x27\xB3\xD9", 16};
constexpr std::u16string_view kSummaryStreamName = u"\u0005SummaryInformation";

// Property types read.
constexpr std::uint32_t kTypeI2 = 2;
constexpr std::uint32_t kTypeI4 = 3;
constexpr std::uint32_t kTypeText = 30;     // code-page text, length in bytes
constexpr std::uint32_t kTypeWideText = 31; // UTF-16LE text, length in characters
constexpr std::uint32_t kTypeFileTime = 64;

// Property ids of the summary set.
constexpr std::uint32_t kPidCodePage = 1;
constexpr std::uint32_t kPidTitle = 2;
constexpr std::uint32_t kPidRevNumber = 9;
constexpr std::uint32_t kPidEditTime = 10;
constexpr std::uint32_t kPidLastPrinted = 11;
constexpr std::uint32_t kPidCreateTime = 12;
constexpr std::uint32_t kPidLastSaveTime = 13;
constexpr std::uint32_t kPidPageCount = 14;
constexpr std::uint32_t kPidWordCount = 15;
constexpr std::uint32_t kPidCharCount = 16;

constexpr std::uint16_t kCodePageUtf16 = 1200;
constexpr std::uint16_t kCodePageWindows1252 = 1252;
constexpr std::uint16_t kCodePageLatin1 = 28591;
constexpr std::uint16_t kCodePageUtf8 = 65001;

// 100-nanosecond ticks of a file time, and the seconds from 1601 to 1970.
constexpr std::uint64_t kTicksPerSecond = 10'000'000;
constexpr std::uint64_t kTicksPerMinute = 60 * kTicksPerSecond;
constexpr std::int64_t kSecondsFrom1601To1970 = 11'644'473'600;

// A UTF-16LE text of the set; a high surrogate in the last unit is unpaired,
// not cut, as the set stores whole texts.
std::string Utf16ToUtf8(std::string_view bytes) {
    return Utf16Text(bytes, /*bigEndian=*/false, FinalHighSurrogate::Replaced);
}

// iconv's name of a Windows code page; the CPnnn names cover the Windows and
// DOS pages, the rest are the pages Office writes under other numbers.
std::string IconvName(std::uint16_t codePage) {
    switch (codePage) {
    case 10000:
        return "MACINTOSH";
    case 20866:
        return "KOI8-R";
    case 21866:
        return "KOI8-U";
    case 20932:
        return "EUC-JP";
    case 50220:
        return "ISO-2022-JP";
    case 51949:
        return "EUC-KR";
    case 54936:
        return "GB18030";
    default:
        break;
    }
    if (codePage >= 28591 && codePage <= 28606)
        return "ISO-8859-" + std::to_string(codePage - 28590);
    return "CP" + std::to_string(codePage);
}

// The bytes converted by iconv, or nothing when iconv knows no such code page
// or the bytes are not text of it.
std::optional<std::string> ConvertWithIconv(std::string_view bytes, std::uint16_t codePage) {
    iconv_t cd = iconv_open("UTF-8", IconvName(codePage).c_str());
    if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
    std::string out(bytes.size() * 4 + 16, '\0');
    char* in = const_cast<char*>(bytes.data());
    std::size_t inLeft = bytes.size();
    char* outPtr = out.data();
    std::size_t outLeft = out.size();
    std::size_t result = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
    // The shift back to the initial state of a stateful page (ISO-2022-JP).
    if (result != static_cast<std::size_t>(-1))
        result = iconv(cd, nullptr, nullptr, &outPtr, &outLeft);
    iconv_close(cd);
    if (result == static_cast<std::size_t>(-1)) return std::nullopt;
    out.resize(out.size() - outLeft);
    return out;
}

// A stored text as UTF-8, cut at its first zero character.
std::string TextToUtf8(std::string_view bytes, std::uint16_t codePage) {
    if (codePage == kCodePageUtf16) return Utf16ToUtf8(bytes);
    const std::size_t zero = bytes.find('\0');
    if (zero != std::string_view::npos) bytes = bytes.substr(0, zero);
    if (text::IsAscii(bytes)) return std::string(bytes);
    switch (codePage) {
    case kCodePageUtf8:
        return text::AsUtf8(bytes);
    case kCodePageWindows1252:
        return Windows1252Text(bytes);
    case kCodePageLatin1:
        return Latin1Text(bytes);
    default:
        break;
    }
    if (std::optional<std::string> converted = ConvertWithIconv(bytes, codePage)) return *converted;
    // An unknown page: the bytes as they are when they read as UTF-8, else as Windows-1252.
    return text::AsUtf8(bytes);
}

// A file time as a local date-time of DOS precision; nothing when it is 0 or
// any step of the conversion fails.
std::optional<DateTime> FileTimeToDate(std::uint64_t ticks) {
    if (ticks == 0) return std::nullopt;
    const auto unixSeconds =
        static_cast<std::int64_t>(ticks / kTicksPerSecond) - kSecondsFrom1601To1970;
    const std::optional<DateTime> local = LocalDateTimeFromUnix(unixSeconds);
    if (!local) return std::nullopt;
    const std::optional<std::uint32_t> dos = DateTimeToDosDate(*local);
    if (!dos) return std::nullopt;
    return DosDateToDateTime(*dos);
}

struct PropertyRef {
    std::uint32_t id;
    std::uint32_t offset; // from the section start
};

// The property values of one section, read one by one from the stream.
class SummarySection {
public:
    SummarySection(CompoundStream& stream, std::uint64_t start) : stream_(stream), start_(start) {}

    std::uint32_t Word(std::uint64_t offset) { return ByteFields(Read(offset, 4)).U32LE(0); }
    std::uint64_t Quad(std::uint64_t offset) { return ByteFields(Read(offset, 8)).U64LE(0); }
    std::string Read(std::uint64_t offset, std::uint64_t length) {
        if (!RangeInside(start_, offset, stream_.Size()) ||
            !RangeInside(start_ + offset, length, stream_.Size()))
            throw EDamagedFile("property value past the end of the summary stream");
        return stream_.Read(start_ + offset, length);
    }
    std::uint64_t BytesLeft(std::uint64_t offset) const {
        const std::uint64_t at = start_ + offset;
        return at <= stream_.Size() ? stream_.Size() - at : 0;
    }

private:
    CompoundStream& stream_;
    std::uint64_t start_;
};

std::string* TextField(TDocInfo& info, std::uint32_t id) {
    std::string* fields[] = {&info.Title,    &info.Subject,  &info.Author,     &info.Keywords,
                             &info.Comments, &info.Template, &info.LastAuthor, &info.RevNumber};
    return id >= kPidTitle && id <= kPidRevNumber ? fields[id - kPidTitle] : nullptr;
}

void ReadSummary(const ReadOnlyFile& file, TDocInfo& info) {
    CompoundFile storage(file);
    const std::optional<CompoundEntry> entry = storage.FindRootStream(kSummaryStreamName);
    if (!entry) throw EDamagedFile("no summary stream");
    CompoundStream stream = storage.OpenStream(*entry);

    const ByteFields h(stream.Read(0, kSetHeaderBytes));
    if (h.U16LE(kSetByteOrder) != 0xFFFE) throw EDamagedFile("summary stream: bad byte order mark");
    if (h.U32LE(kSetSections) == 0) throw EDamagedFile("summary stream: no section");
    if (!h.Matches(kSetFirstFmtid, kSummaryFmtid))
        throw EDamagedFile("summary stream: not a summary set");
    SummarySection section(stream, h.U32LE(kSetFirstOffset));

    const std::uint32_t declared =
        ByteFields(section.Read(0, kSectionHeaderBytes)).U32LE(kSectionPropertyCount);
    const std::uint32_t count = std::min(declared, kMaxProperties);
    if (std::uint64_t{count} * 8 > section.BytesLeft(kSectionTable))
        throw EDamagedFile("summary stream: property table past its end");
    const ByteFields table(section.Read(kSectionTable, std::uint64_t{count} * 8));
    std::vector<PropertyRef> properties;
    properties.reserve(count);
    for (std::uint32_t i = 0; i < count; ++i)
        properties.push_back({table.U32LE(8 * i), table.U32LE(8 * i + 4)});

    // The code page decides how every text reads, wherever its entry stands.
    std::uint16_t codePage = kCodePageWindows1252;
    for (const PropertyRef& p : properties)
        if (p.id == kPidCodePage && section.Word(p.offset) == kTypeI2)
            codePage =
                static_cast<std::uint16_t>(section.Word(std::uint64_t{p.offset} + 4) & 0xFFFF);

    for (const PropertyRef& p : properties) {
        const std::uint64_t value = std::uint64_t{p.offset} + 4;
        const std::uint32_t type = section.Word(p.offset);
        if (std::string* field = TextField(info, p.id)) {
            if (type == kTypeText) {
                const std::uint32_t length = section.Word(value);
                *field = TextToUtf8(section.Read(value + 4, length), codePage);
            } else if (type == kTypeWideText) {
                const std::uint64_t length = std::uint64_t{section.Word(value)} * 2;
                *field = Utf16ToUtf8(section.Read(value + 4, length));
            }
        } else if (type == kTypeFileTime && p.id == kPidEditTime) {
            // A duration in ticks, not a moment.
            const std::uint64_t minutes = section.Quad(value) / kTicksPerMinute;
            info.EditTime = static_cast<std::int32_t>(
                std::min<std::uint64_t>(minutes, std::numeric_limits<std::int32_t>::max()));
        } else if (type == kTypeFileTime && p.id >= kPidLastPrinted && p.id <= kPidLastSaveTime) {
            const std::optional<DateTime> date = FileTimeToDate(section.Quad(value));
            if (p.id == kPidLastPrinted) info.LastPrinted = date;
            if (p.id == kPidCreateTime) info.CreateTime = date;
            if (p.id == kPidLastSaveTime) info.LastSaveTime = date;
        } else if (type == kTypeI4 && p.id >= kPidPageCount && p.id <= kPidCharCount) {
            const auto number = static_cast<std::int32_t>(section.Word(value));
            if (p.id == kPidPageCount) info.PageCount = number;
            if (p.id == kPidWordCount) info.WordCount = number;
            if (p.id == kPidCharCount) info.CharCount = number;
        }
    }
}

} // namespace

void TFileInfo::GetDocInfo(TDocInfo& info) {
    info = TDocInfo{};
    lastError_.clear();
    ReadOnlyFile file;
    switch (file.Open(fileName_)) {
    case ReadOnlyFile::OpenResult::Opened:
        break;
    case ReadOnlyFile::OpenResult::Missing:
        info.DocStatus = 0;
        lastError_ = "file not found";
        return;
    case ReadOnlyFile::OpenResult::Directory:
    case ReadOnlyFile::OpenResult::CannotOpen:
        info.DocStatus = 1;
        lastError_ = "cannot open the file";
        return;
    }
    try {
        ReadSummary(file, info);
    } catch (const std::bad_alloc&) {
        throw;
    } catch (const std::exception& e) {
        info.DocStatus = 1;
        lastError_ = e.what();
    }
    if (!file.Close()) {
        info.DocStatus = 1;
        if (lastError_.empty()) lastError_ = "closing the file failed";
    }
}

} // namespace sorvane
