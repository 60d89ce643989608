// What the ARC reader tests share.
#include "tests/archive/arc/ArcTestSupport.h"

#include "archive/arxCrc.h"
#include "tests/archive/ArchiveTestSupport.h"

#include <algorithm>
#include <sstream>

namespace sorvane::test {

std::map<std::string, std::vector<ExpectedFile>> ExpectedArcExtractions() {
    std::map<std::string, std::vector<ExpectedFile>> result;
    std::istringstream in(FixtureText("arc/expected.tsv"));
    std::string line;
    while (std::getline(in, line)) {
        std::vector<std::string> fields;
        std::size_t start = 0;
        for (;;) {
            const std::size_t tab = line.find('\t', start);
            fields.push_back(line.substr(start, tab - start));
            if (tab == std::string::npos) break;
            start = tab + 1;
        }
        if (fields.size() != 6) continue;
        std::string name = fields[0];
        name = name.rfind("../", 0) == 0 ? name.substr(3) : "arc/" + name;
        result[name].push_back(
            {fields[1], std::stoull(fields[2]), fields[3], fields[4], fields[5] == "1"});
    }
    return result;
}

namespace {
constexpr std::uint16_t kDate = ((2021 - 1980) << 9) | (3 << 5) | 4;
constexpr std::uint16_t kTime = (5 << 11) | (6 << 5) | 4;

void Put16(Bytes& out, std::uint32_t v) {
    out.push_back(static_cast<std::uint8_t>(v & 0xFF));
    out.push_back(static_cast<std::uint8_t>((v >> 8) & 0xFF));
}
void Put32(Bytes& out, std::uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}
} // namespace

Bytes ArcMember(std::uint8_t method, const std::string& name, const Bytes& packed,
                std::uint32_t unpacked, std::uint16_t crc) {
    Bytes out{0x1A, method};
    for (std::size_t i = 0; i < 13; ++i)
        out.push_back(i < name.size() ? static_cast<std::uint8_t>(name[i]) : 0);
    Put32(out, static_cast<std::uint32_t>(packed.size()));
    Put16(out, kDate);
    Put16(out, kTime);
    Put16(out, crc);
    if (method != 1) Put32(out, unpacked);
    out.insert(out.end(), packed.begin(), packed.end());
    return out;
}

Bytes ArcFolder(const std::string& name, const Bytes& content) {
    return ArcMember(30, name, content, static_cast<std::uint32_t>(content.size()), 0);
}

Bytes ArcFolderEnd() {
    return {0x1A, 31};
}

Bytes ArcEnd() {
    return {0x1A, 0};
}

std::uint16_t ArcCrc(const Bytes& data) {
    std::uint32_t crc = 0;
    UpdateCrc16(data.data(), data.size(), crc);
    return static_cast<std::uint16_t>(crc);
}

Bytes Join(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

ArcRun::ArcRun(const std::string& archive, const std::string& destination) {
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
}

int ArcRun::Count(int code) const {
    return static_cast<int>(std::count_if(errors.begin(), errors.end(),
                                          [code](const Reported& r) { return r.code == code; }));
}

std::string ArcRun::ErrorText() const {
    std::string text;
    for (const auto& e : errors)
        text += std::to_string(e.code) + " " + e.fileName + " " + e.extended + "\n";
    return text;
}

} // namespace sorvane::test
