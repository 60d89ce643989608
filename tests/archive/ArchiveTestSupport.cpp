// What the archive tests share.
#include "tests/archive/ArchiveTestSupport.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <unistd.h>

namespace sorvane::test {

namespace fs = std::filesystem;

TempFolder::TempFolder() {
    std::string pattern = (fs::temp_directory_path() / "sorvane-archive-XXXXXX").string();
    if (::mkdtemp(pattern.data()) != nullptr)
        path_ = pattern;
    else
        ADD_FAILURE() << "cannot make a temporary folder " << pattern;
}

TempFolder::~TempFolder() {
    if (path_.empty()) return;
    // A test may leave read-only folders behind: give them back to the owner first.
    std::error_code ignored;
    fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ignored);
    for (auto it = fs::recursive_directory_iterator(path_, ignored);
         it != fs::recursive_directory_iterator(); it.increment(ignored))
        fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ignored);
    fs::remove_all(path_, ignored);
}

std::size_t TempFolder::Count() const {
    return static_cast<std::size_t>(
        std::distance(fs::directory_iterator(path_), fs::directory_iterator()));
}

std::string DataPath(const std::string& relative) {
    const char* root = std::getenv("SORVANE_TEST_DATA");
    const std::string data =
        root != nullptr && *root != '\0'
            ? std::string(root)
            : (fs::path(__FILE__).parent_path().parent_path() / "data").string();
    return data + "/archive/" + relative;
}

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<std::uint8_t> ReadBytes(const std::string& path) {
    const std::string text = ReadText(path);
    return {text.begin(), text.end()};
}

std::string FixtureText(const std::string& relative) {
    const std::string path = DataPath(relative);
    if (!std::ifstream(path, std::ios::binary)) ADD_FAILURE() << "cannot open " << path;
    return ReadText(path);
}

std::vector<std::uint8_t> FixtureBytes(const std::string& relative) {
    const std::string text = FixtureText(relative);
    return {text.begin(), text.end()};
}

void WriteText(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
}

void WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    WriteText(path, std::string(bytes.begin(), bytes.end()));
}

std::ostream& operator<<(std::ostream& out, const Report& r) {
    return out << "{" << r.code << " \"" << r.fileName << "\" \"" << r.extendedMsg << "\" \""
               << r.volumeId << "\"}";
}

PartialSizes::PartialSizes(TUnBase& reader) {
    auto look = [this, &reader] {
        std::error_code error;
        const auto size = std::filesystem::file_size(reader.PartialFileName(), error);
        seen_.push_back(error ? 0 : static_cast<std::uint64_t>(size));
    };
    auto onError = reader.OnError;
    reader.OnError = [look, onError](TZipCommon& sender, const std::string& f, const std::string& m,
                                     const std::string& v, int code) {
        look();
        if (onError) onError(sender, f, m, v, code);
    };
    if (auto onEnd = reader.OnEnd) {
        reader.OnEnd = [look, onEnd](TZipCommon& sender, const std::string& name, bool pass) {
            look();
            onEnd(sender, name, pass);
        };
    }
}

} // namespace sorvane::test
