// Shared parts of the tar, gzip and .Z reader tests.
#include "tests/archive/tar/UnTarGzTestSupport.h"

#include "archive/gzip/arxUnGZip.h"
#include "archive/tar/arxUnTar.h"
#include "tests/archive/ArchiveTestSupport.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <sstream>

namespace sorvane::test {

namespace fs = std::filesystem;

std::map<std::string, std::vector<ExpectedMember>> UnTarGzExpected(const std::string& tsv) {
    std::map<std::string, std::vector<ExpectedMember>> result;
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
        if (fields.size() != 4) continue;
        result[fields[0]].push_back({fields[1], std::stoull(fields[2]), fields[3]});
    }
    return result;
}

TarGzRun::TarGzRun(const std::string& archive, const std::string& destination,
                   const std::string& temp, bool untar) {
    const bool tar = archive.size() > 4 && archive.substr(archive.size() - 4) == ".tar";
    if (tar)
        reader = std::make_unique<TUnTar>();
    else
        reader = std::make_unique<TUnGZip>();
    reader->SetArchiveFile(archive);
    reader->SetExtractDir(destination);
    if (!temp.empty()) reader->SetTempDir(temp);
    reader->FileSpec = {"*"};
    reader->CreateStoredDirs = true;
    reader->OnError = [this](TZipCommon&, const std::string& f, const std::string& m,
                             const std::string&, int code) {
        errors.push_back({f, m, code});
    };
    reader->OnEnd = [this](TZipCommon&, const std::string& name, bool pass) {
        verdicts.emplace_back(name, pass);
    };
    reader->OnChangeArchive = [this](TZipCommon&, const std::string& name, TArcType kind) {
        changes.emplace_back(name, kind);
    };
    if (untar)
        reader->OnNestedTarFile = [this](TZipCommon&, const std::string&, bool& doUnTar) {
            ++nestedAsked;
            doUnTar = true;
        };
}

int TarGzRun::Count(int code) const {
    return static_cast<int>(std::count_if(errors.begin(), errors.end(),
                                          [code](const Reported& r) { return r.code == code; }));
}

std::string TarGzRun::ErrorText() const {
    std::string text;
    for (const auto& e : errors)
        text += std::to_string(e.code) + " " + e.fileName + " " + e.extended + "\n";
    return text;
}

std::string TarHeader(const std::string& name, char type, std::uint64_t size,
                      const std::string& link) {
    std::string h(512, '\0');
    std::copy_n(name.begin(), std::min<std::size_t>(name.size(), 100), h.begin());
    std::snprintf(&h[100], 8, "%07o", 0644);
    std::snprintf(&h[108], 8, "%07o", 0);
    std::snprintf(&h[116], 8, "%07o", 0);
    char size12[16];
    std::snprintf(size12, sizeof size12, "%011llo", static_cast<unsigned long long>(size));
    std::copy_n(size12, 11, h.begin() + 124);
    std::snprintf(&h[136], 12, "%011o", 1614834368);
    h[156] = type;
    std::copy_n(link.begin(), std::min<std::size_t>(link.size(), 100), h.begin() + 157);
    std::copy_n("ustar\0"
                "00",
                8, h.begin() + 257);
    std::fill(h.begin() + 148, h.begin() + 156, ' ');
    unsigned sum = 0;
    for (const char c : h)
        sum += static_cast<unsigned char>(c);
    std::snprintf(&h[148], 8, "%06o", sum);
    return h;
}

std::string TarData(const std::string& data) {
    std::string padded = data;
    padded.resize((data.size() + 511) / 512 * 512, '\0');
    return padded;
}

std::string TarEnd() {
    return std::string(1024, '\0');
}

std::vector<std::string> SpecialEntriesBelow(const std::string& folder) {
    std::vector<std::string> found;
    std::error_code error;
    for (auto it = fs::recursive_directory_iterator(folder, error);
         !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
        const auto status = it->symlink_status();
        if (!fs::is_regular_file(status) && !fs::is_directory(status))
            found.push_back(fs::relative(it->path(), folder).generic_string());
    }
    return found;
}

} // namespace sorvane::test
