// Shared parts of the ZIP reader tests.
#include "tests/archive/zip/UnZipTestSupport.h"

#include "platform/StreamFile.h"
#include "tests/archive/ArchiveTestSupport.h"

#include <algorithm>
#include <array>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/stat.h>

namespace sorvane::test {

namespace fs = std::filesystem;

std::map<std::string, std::vector<ExpectedFile>> ExpectedExtractions(const std::string& tsv) {
    std::map<std::string, std::vector<ExpectedFile>> result;
    std::istringstream in(FixtureText(tsv));
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
        result[fields[0]].push_back(
            {fields[1], std::stoull(fields[2]), fields[3], fields[4], fields[5] == "1"});
    }
    return result;
}

namespace {

constexpr std::array<std::uint32_t, 64> kRound{
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
    0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
    0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
    0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
    0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
    0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
    0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2};

std::uint32_t Rotr(std::uint32_t x, int n) {
    return (x >> n) | (x << (32 - n));
}

} // namespace

std::string Sha256Hex(const std::vector<std::uint8_t>& data) {
    std::array<std::uint32_t, 8> h{0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
                                   0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};
    std::vector<std::uint8_t> message = data;
    const std::uint64_t bits = static_cast<std::uint64_t>(data.size()) * 8;
    message.push_back(0x80);
    while (message.size() % 64 != 56)
        message.push_back(0);
    for (int i = 7; i >= 0; --i)
        message.push_back(static_cast<std::uint8_t>(bits >> (8 * i)));
    for (std::size_t block = 0; block < message.size(); block += 64) {
        std::array<std::uint32_t, 64> w{};
        for (int i = 0; i < 16; ++i)
            w[i] = std::uint32_t{message[block + 4 * i]} << 24 |
                   std::uint32_t{message[block + 4 * i + 1]} << 16 |
                   std::uint32_t{message[block + 4 * i + 2]} << 8 | message[block + 4 * i + 3];
        for (int i = 16; i < 64; ++i) {
            const std::uint32_t s0 = Rotr(w[i - 15], 7) ^ Rotr(w[i - 15], 18) ^ (w[i - 15] >> 3);
            const std::uint32_t s1 = Rotr(w[i - 2], 17) ^ Rotr(w[i - 2], 19) ^ (w[i - 2] >> 10);
            w[i] = w[i - 16] + s0 + w[i - 7] + s1;
        }
        auto v = h;
        for (int i = 0; i < 64; ++i) {
            const std::uint32_t s1 = Rotr(v[4], 6) ^ Rotr(v[4], 11) ^ Rotr(v[4], 25);
            const std::uint32_t choice = (v[4] & v[5]) ^ (~v[4] & v[6]);
            const std::uint32_t t1 = v[7] + s1 + choice + kRound[i] + w[i];
            const std::uint32_t s0 = Rotr(v[0], 2) ^ Rotr(v[0], 13) ^ Rotr(v[0], 22);
            const std::uint32_t majority = (v[0] & v[1]) ^ (v[0] & v[2]) ^ (v[1] & v[2]);
            const std::uint32_t t2 = s0 + majority;
            v = {t1 + t2, v[0], v[1], v[2], v[3] + t1, v[4], v[5], v[6]};
        }
        for (int i = 0; i < 8; ++i)
            h[i] += v[i];
    }
    std::string hex;
    static const char* digits = "0123456789abcdef";
    for (std::uint32_t word : h)
        for (int i = 28; i >= 0; i -= 4)
            hex.push_back(digits[(word >> i) & 0xF]);
    return hex;
}

std::vector<std::string> FilesBelow(const std::string& folder) {
    std::vector<std::string> files;
    std::error_code error;
    for (auto it = fs::recursive_directory_iterator(folder, error);
         !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
        if (it->is_regular_file() && !it->is_symlink())
            files.push_back(fs::relative(it->path(), folder).generic_string());
    }
    std::sort(files.begin(), files.end());
    return files;
}

std::string ModifiedText(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return "";
    std::tm local{};
    localtime_r(&info.st_mtime, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    return text;
}

bool IsReadOnly(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && (info.st_mode & S_IWUSR) == 0;
}

ReaderRun::ReaderRun(const std::string& archive, const std::string& destination, bool jar)
    : reader(jar ? std::make_unique<TUnJar>() : std::make_unique<TUnZip>()) {
    reader->SetArchiveFile(archive);
    reader->SetExtractDir(destination);
    reader->FileSpec = {"*"};
    reader->CreateStoredDirs = true;
    reader->Passwords = {"secret"};
    reader->OnError = [this](TZipCommon&, const std::string& f, const std::string& m,
                             const std::string&, int code) {
        errors.push_back({f, m, code});
    };
    reader->OnEnd = [this](TZipCommon&, const std::string& name, bool pass) {
        verdicts.emplace_back(name, pass);
    };
    reader->OnNextVolume = [](TZipCommon&, std::string& volume, int, bool exists, bool& cancel) {
        cancel = !exists;
        (void)volume;
    };
}

int ReaderRun::Count(int code) const {
    return static_cast<int>(std::count_if(errors.begin(), errors.end(),
                                          [code](const Reported& r) { return r.code == code; }));
}

std::string ReaderRun::ErrorText() const {
    std::string text;
    for (const auto& e : errors)
        text += std::to_string(e.code) + " " + e.fileName + " " + e.extended + "\n";
    return text;
}

} // namespace sorvane::test
