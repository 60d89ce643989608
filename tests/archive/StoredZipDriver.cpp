// The stored-member ZIP reader of the tests.
#include "tests/archive/StoredZipDriver.h"

#include "archive/arxCrc.h"
#include "archive/arxHelpers.h"

namespace sorvane::test {
namespace {

constexpr std::uint32_t kCentralSignature = 0x02014B50u;
constexpr std::uint32_t kLocalSignature = 0x04034B50u;
constexpr std::uint16_t kUtf8NameFlag = 0x0800;

void PutLe(std::string& out, std::uint32_t value, int width) {
    for (int i = 0; i < width; ++i)
        out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

} // namespace

std::vector<TStoredZipDriver::Member> TStoredZipDriver::ReadDirectory(TArxBaseStream& stream) {
    std::vector<Member> members;
    const int count = GetLe16(EndOfCentralDir.data() + 10);
    std::int64_t position = StartOffset;
    for (int i = 0; i < count; ++i) {
        std::uint8_t header[46]{};
        if (ReadAt(stream, position, header, 46) != 46 || GetLe32(header) != kCentralSignature) {
            ReportError(ArchiveFile, "", "", kMsgBadFileHeader);
            break;
        }
        const std::int64_t nameLength = GetLe16(header + 28);
        const std::int64_t extraLength = GetLe16(header + 30);
        const std::int64_t commentLength = GetLe16(header + 32);
        std::string name(static_cast<std::size_t>(nameLength), '\0');
        if (ReadAt(stream, position + 46, name.data(), nameLength) != nameLength) {
            ReportError(ArchiveFile, "", "", kMsgBadFileHeader);
            break;
        }
        Member member;
        member.flags = GetLe16(header + 8);
        member.method = GetLe16(header + 10);
        member.dosDate = (std::uint32_t{GetLe16(header + 14)} << 16) | GetLe16(header + 12);
        member.crc = GetLe32(header + 16);
        member.packedSize = GetLe32(header + 20);
        member.localOffset = std::int64_t{GetLe32(header + 42)} + ZipOffsetShift;
        member.attributes = header[38];
        // Names marked UTF-8 are taken as they are; others are code page 437.
        member.name = (member.flags & kUtf8NameFlag) ? SlashToBackslash(name)
                                                     : OemToAnsiName(name, TranslateOemChar);
        if (MatchFileSpecDirs(member.name, FileSpec, ExclusionList, RecurseDirs))
            members.push_back(member);
        position += 46 + nameLength + extraLength + commentLength;
    }
    return members;
}

void TStoredZipDriver::ExtractFiles(std::unique_ptr<TArxBaseStream>& InStream, int) {
    if (!InStream || !(ZipHeaderFlags & kZipCentralFound)) {
        RaiseError(ArchiveFile, "", "", kMsgBadFileHeader);
        return;
    }
    for (const Member& member : ReadDirectory(*InStream)) {
        if (GetCancel()) break;
        ExtractMember(*InStream, member);
    }
}

void TStoredZipDriver::ExtractMember(TArxBaseStream& stream, const Member& member) {
    current_ = &member;
    StoredName = member.name;
    SetCurrentFileName(member.name);
    if (!member.name.empty() && member.name.back() == '\\') return; // folder entry
    if (member.method != 0) {
        ReportError(member.name, "", ArchiveFile, kMsgUnsupportedMethod);
        return;
    }
    std::uint8_t local[30]{};
    if (ReadAt(stream, member.localOffset, local, 30) != 30 || GetLe32(local) != kLocalSignature) {
        ReportError(member.name, "", ArchiveFile, kMsgBadLocalOffset);
        return;
    }
    const std::int64_t data = member.localOffset + 30 + GetLe16(local + 26) + GetLe16(local + 28);
    if (data + member.packedSize > ArchiveSize) {
        ReportError(member.name, "", ArchiveFile, kMsgBadFileHeader);
        return;
    }
    MemberEncrypted = (member.flags & 1) != 0;
    if (!CheckOverwrite(false)) return;
    stream.Seek(data, TSeekOrigin::Beginning);
    if (MemberEncrypted && !PasswordFailed && !GetPassword(stream)) PasswordFailed = true;
    std::unique_ptr<TArxBaseStream> out;
    if (!OpenOutputFile(out, CurrentFileName, member.name)) { // reported there
        UncountMember();
        return;
    }
    if (SkipsMember()) return;
    const std::int64_t packed = member.packedSize - (MemberEncrypted ? 12 : 0);
    Crc32.Start(0xFFFFFFFFu);
    CopyStoredMember(stream, out.get(), {packed, member.flags}, member.name, 32);
    const bool passed = CheckCrc(32, ~member.crc);
    SetFileAttrDate(out, OutputMode == kOutputFiles ? CurrentFileName : member.name,
                    member.attributes, member.dosDate);
    if (!passed) UncountMember();
    FinishMember(passed);
    MemberDone({member.packedSize, member.flags});
}

bool TStoredZipDriver::CheckPassword(std::uint8_t* Header12) {
    if (current_ == nullptr) return false;
    std::uint8_t header24[24]{};
    std::copy_n(Header12, 12, header24 + 12);
    return CipherKeys.CheckZipPassword(header24, current_->flags, current_->crc, Password,
                                       static_cast<std::uint16_t>(current_->dosDate & 0xFFFF));
}

std::string MakeStoredZip(const std::vector<std::pair<std::string, std::string>>& members) {
    constexpr std::uint32_t kDate =
        (((2020 - 1980) << 9 | 5 << 5 | 6) << 16) | (7 << 11 | 8 << 5 | 9 / 2);
    std::string archive, directory;
    for (const auto& member : members) {
        const std::string& name = member.first;
        const std::string& text = member.second;
        std::uint32_t crc = 0xFFFFFFFFu;
        UpdateCrc32(text.data(), text.size(), crc);
        crc = ~crc;
        const auto offset = static_cast<std::uint32_t>(archive.size());
        auto common = [&](std::string& out) {
            PutLe(out, 10, 2);                                      // version needed
            PutLe(out, 0, 2);                                       // flags
            PutLe(out, 0, 2);                                       // method: stored
            PutLe(out, kDate, 4);                                   // DOS time, date
            PutLe(out, crc, 4);                                     // CRC-32
            PutLe(out, static_cast<std::uint32_t>(text.size()), 4); // packed size
            PutLe(out, static_cast<std::uint32_t>(text.size()), 4); // unpacked size
            PutLe(out, static_cast<std::uint32_t>(name.size()), 2); // name length
            PutLe(out, 0, 2);                                       // extra length
        };
        PutLe(archive, kLocalSignature, 4);
        common(archive);
        archive += name + text;
        PutLe(directory, kCentralSignature, 4);
        PutLe(directory, 20, 2); // version made by
        common(directory);
        PutLe(directory, 0, 2);    // comment length
        PutLe(directory, 0, 2);    // disk number
        PutLe(directory, 0, 2);    // internal attributes
        PutLe(directory, 0x20, 4); // external attributes: archive
        PutLe(directory, offset, 4);
        directory += name;
    }
    const auto directoryOffset = static_cast<std::uint32_t>(archive.size());
    archive += directory;
    PutLe(archive, 0x06054B50u, 4);
    PutLe(archive, 0, 2);
    PutLe(archive, 0, 2);
    PutLe(archive, static_cast<std::uint32_t>(members.size()), 2);
    PutLe(archive, static_cast<std::uint32_t>(members.size()), 2);
    PutLe(archive, static_cast<std::uint32_t>(directory.size()), 4);
    PutLe(archive, directoryOffset, 4);
    PutLe(archive, 0, 2);
    return archive;
}

} // namespace sorvane::test
