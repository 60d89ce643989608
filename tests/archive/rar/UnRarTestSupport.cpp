// What the RAR reader tests share.
#include "tests/archive/rar/UnRarTestSupport.h"

#include "archive/arxCrc.h"
#include "tests/archive/ArchiveTestSupport.h"

#include <algorithm>
#include <filesystem>
#include <sstream>

namespace sorvane::test {

RarRun::RarRun(const std::string& archive, const std::string& destination) {
    SetRarModuleFolder(SORVANE_MODULE_DIR);
    reader->SetArchiveFile(archive);
    reader->SetExtractDir(destination);
    reader->FileSpec = {"*"};
    reader->CreateStoredDirs = true;
    reader->OnError = [this](TZipCommon&, const std::string& f, const std::string& m,
                             const std::string&, int code) {
        errors.push_back({f, m, code});
    };
    reader->OnEnd = [this](TZipCommon&, const std::string& name, bool pass) {
        verdicts.emplace_back(name, pass);
    };
    reader->OnNextVolume = [this](TZipCommon&, std::string& volume, int, bool, bool& cancel) {
        volumesAsked.push_back(volume);
        cancel = !std::filesystem::exists(volume);
    };
}

int RarRun::Count(int code) const {
    return static_cast<int>(std::count_if(errors.begin(), errors.end(),
                                          [code](const RarReport& r) { return r.code == code; }));
}

std::string RarRun::ErrorText() const {
    std::string text;
    for (const auto& e : errors)
        text += std::to_string(e.code) + " " + e.fileName + " " + e.extended + "\n";
    return text;
}

namespace {

void Put16(std::string& out, std::uint32_t v) {
    out.push_back(static_cast<char>(v & 0xFF));
    out.push_back(static_cast<char>((v >> 8) & 0xFF));
}

void Put32(std::string& out, std::uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

} // namespace

std::string MakeRar(const std::vector<RarEntry>& entries) {
    std::string out("Rar!\x1a\x07\x00", 7);
    out += std::string("\0\0\x73\0\0\x0d\0\0\0\0\0\0\0", 13);
    for (const RarEntry& e : entries) {
        const bool large = (e.flags & 0x0100) != 0;
        const std::int64_t fixed = 32 + (large ? 8 : 0);
        std::string block;
        Put16(block, 0);
        block.push_back(0x74);
        Put16(block, 0x8000 | e.flags);
        Put16(block, static_cast<std::uint32_t>(e.headerSize >= 0 ? e.headerSize
                                                                  : fixed + std::ssize(e.name)));
        Put32(block, static_cast<std::uint32_t>(e.packed.size()));
        Put32(block,
              static_cast<std::uint32_t>(e.unpacked >= 0 ? e.unpacked : std::ssize(e.packed)));
        block.push_back(static_cast<char>(e.host));
        Crc32Accumulator crc(0xFFFFFFFFu);
        crc.Update(e.packed.data(), e.packed.size());
        Put32(block, e.crc != 0 ? e.crc : ~crc.Value());
        Put32(block, 0x52642CA4u); // 2021-03-04 05:06:08
        block.push_back(20);
        block.push_back(static_cast<char>(e.method));
        Put16(block, static_cast<std::uint32_t>(e.name.size()));
        Put32(block, e.attributes);
        if (large) {
            Put32(block, e.highPacked);
            Put32(block, e.highUnpacked);
        }
        out += block + e.name + e.packed;
    }
    out += std::string("\0\0\x7b\0\x40\x07\0", 7);
    return out;
}

std::map<std::string, std::vector<RarExpectedFile>> RarExpectedExtractions() {
    std::map<std::string, std::vector<RarExpectedFile>> result;
    std::istringstream in(ReadText(DataPath("rar/expected.tsv")));
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string fixture, path, size, sha;
        if (!std::getline(fields, fixture, '\t') || !std::getline(fields, path, '\t') ||
            !std::getline(fields, size, '\t') || !std::getline(fields, sha, '\t'))
            continue;
        result[fixture].push_back({path, std::stoull(size), sha});
    }
    return result;
}

} // namespace sorvane::test
