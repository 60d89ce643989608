// The ZIP family's header reader.
#include "archive/zip/arxZipHeader.h"

namespace sorvane {
namespace {

TZipMemberFields ReadMemberFields(const std::uint8_t* from) {
    TZipMemberFields fields;
    fields.ExtractVersion = GetLe16(from);
    fields.Flags = GetLe16(from + 2);
    fields.Method = GetLe16(from + 4);
    fields.DosDate = GetLe32(from + 6);
    fields.Crc = GetLe32(from + 10);
    fields.Packed32 = GetLe32(from + 14);
    fields.Unpacked32 = GetLe32(from + 18);
    fields.NameLength = GetLe16(from + 22);
    fields.ExtraLength = GetLe16(from + 24);
    return fields;
}

// The name and extra field at `namePos`; false when either reaches past the source.
bool ReadNameAndExtra(TArxByteSource& source, const TZipMemberFields& fields, std::int64_t namePos,
                      std::string& name, std::vector<std::uint8_t>& extra) {
    extra.resize(static_cast<std::size_t>(fields.ExtraLength));
    return source.ReadText(namePos, fields.NameLength, name) &&
           source.ReadExact(namePos + fields.NameLength, extra.data(), fields.ExtraLength);
}

} // namespace

bool ReadZipCentralRecord(TArxByteSource& source, std::int64_t pos, const std::uint8_t* fixed,
                          TZipCentralRecord& record) {
    record.Fields = ReadMemberFields(fixed + 6);
    record.Fields.CreatorVersion = GetLe16(fixed + 4);
    record.CommentLength = GetLe16(fixed + 32);
    record.DiskStart = GetLe16(fixed + 34);
    record.InternalAttr = GetLe16(fixed + 36);
    record.ExternalAttr = GetLe32(fixed + 38);
    record.LocalOffset32 = GetLe32(fixed + 42);
    const std::int64_t namePos = pos + 46;
    record.CommentPos = namePos + record.Fields.NameLength + record.Fields.ExtraLength;
    record.Next = record.CommentPos + record.CommentLength;
    if (!ReadNameAndExtra(source, record.Fields, namePos, record.RawName, record.Extra) ||
        !source.Holds(record.CommentPos, record.CommentLength))
        return false;
    record.Info = ParseZipExtra(record.Extra, record.Fields.Unpacked32, record.Fields.Packed32,
                                record.RawName, record.LocalOffset32, record.DiskStart);
    return true;
}

bool ReadZipLocalRecord(TArxByteSource& source, std::int64_t pos, const std::uint8_t* fixed,
                        TZipLocalRecord& record) {
    record.Fields = ReadMemberFields(fixed + 4);
    record.Fields.CreatorVersion = record.Fields.ExtractVersion;
    const std::int64_t namePos = pos + 30;
    record.DataPos = namePos + record.Fields.NameLength + record.Fields.ExtraLength;
    if (!ReadNameAndExtra(source, record.Fields, namePos, record.RawName, record.Extra))
        return false;
    record.Info = ParseZipExtra(record.Extra, record.Fields.Unpacked32, record.Fields.Packed32,
                                record.RawName);
    return true;
}

bool ZipDataWhole(const TZipLocalRecord& record, const TArxByteSource& source) {
    return record.DataPos <= source.Size() &&
           record.Info.Packed <= static_cast<std::uint64_t>(source.Size() - record.DataPos);
}

bool IsZipDirectoryEnd(std::uint32_t signature) {
    return signature == kZipEndSignature || signature == kZip64EndSignature ||
           signature == kZip64LocatorSignature;
}

} // namespace sorvane
