// Free helpers of the archive readers: stored-path and name handling, OEM name
// conversion, small text readers over streams, percentages, number parsing and
// the decoding of RAR 3 Unicode names. Stored paths use "\" as separator.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace sorvane {

// Paths and names.
std::string AppendSlash(std::string_view path);
std::string RemoveSlash(std::string_view path);
std::string JoinPath(std::string_view dir, std::string_view name);
std::string SlashToBackslash(std::string_view name);
// "/" and byte 255 become "\"; blanks and control characters are trimmed from
// both ends. With `leadBytes` (the name's code page has double-byte
// characters) the byte after a lead byte is left alone.
std::string NormalizeStoredPath(std::string_view name, bool leadBytes);
// With `translate`, code page 437 to UTF-8; then SlashToBackslash.
std::string OemToAnsiName(std::string_view name, bool translate);

// The system that wrote a member's name: DOS writes code page 437; other
// hosts (Unix) store the bytes their file system gave.
enum class TNameHost { Dos, Other };

// A stored member name as UTF-8 with "\" separators. With `translate`: a name
// that is valid UTF-8 and holds a byte above 127 is kept; otherwise a name from
// a host that is not DOS is read as Windows-1252; otherwise code page 437
// (OemToAnsiName). Without `translate` the bytes are kept as stored.
std::string StoredNameToAnsi(std::string_view name, TNameHost host, bool translate);
// With `translate`, UTF-8 to code page 437.
std::string AnsiToOemName(std::string_view name, bool translate);
// Bytes before the last "." (the whole length without one), modulo 256.
std::uint8_t StemLength(std::string_view name);
std::string ExtractDirPart(std::string_view path);
// head := text before the first `separator`, text := what follows it.
void SplitFirst(std::string& text, std::string_view separator, std::string& head);
bool IsUncPath(std::string_view path);
// Whether a folder exists (the path in the host's form).
bool FolderExists(const std::string& path);
// Whether anything matches `pattern`: a folder, then a name with "*" and "?".
bool FileExistsFind(const std::string& pattern);

// Stream readers. A positioned reader fills up to `size` bytes from `pos` and
// returns how many it read; a sequential one reads from the current position.
using ArxReadAt = std::function<std::size_t(std::uint64_t pos, char* out, std::size_t size)>;
using ArxReadNext = std::function<std::size_t(char* out, std::size_t size)>;

// The text up to the first NUL of the 256 bytes at `pos`; pos moves past the NUL.
std::string ReadNulString(const ArxReadAt& read, std::uint64_t& pos);
// `length` bytes at `pos` (missing bytes are zeros); pos moves by length.
std::string ReadFixedText(const ArxReadAt& read, std::uint64_t& pos, std::uint8_t length);
// `length` bytes from the current position (missing bytes are zeros).
std::string ReadCountedText(const ArxReadNext& read, std::uint8_t length);

// A positioned reader of the walks: reads up to `count` bytes at `pos`; the
// number read (0 or less at the end or on a failure).
using ArxReadBytesAt =
    std::function<std::int64_t(std::int64_t pos, void* buffer, std::int64_t count)>;

// A NUL-terminated field at `pos`: `text` := its first `limit` bytes (a longer
// field's rest is skipped) and pos moves past the NUL; false when no NUL ends
// the field within what `read` reaches.
bool ReadNulText(const ArxReadBytesAt& read, std::int64_t& pos, std::int64_t limit,
                 std::string& text);

// Numbers.
std::uint8_t Percent(std::int64_t total, std::int64_t part);
int Ratio(std::int64_t total, std::int64_t part);
bool IsGzipMagic(std::uint16_t value);
std::uint32_t SwapWords(std::uint32_t value);
// The octal digits of `text` as a number, every other character skipped.
std::uint64_t OctalToInt(std::string_view text);

// RAR 3 Unicode names: `encoded` is what follows the NUL of the ANSI name.
std::u16string DecodeRarUnicodeName(std::string_view ansiName, std::string_view encoded,
                                    std::size_t maxLength);
// The wide name of a whole RAR name field of `size` bytes.
std::u16string ConvertRarUnicodeName(std::string_view name, std::size_t size);
std::u16string ConvertRarUnicodeName(std::string_view name);

} // namespace sorvane
