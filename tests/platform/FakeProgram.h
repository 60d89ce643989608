// Test support: a temporary folder of fake programs. A fake program is a small
// shell script that records the arguments it was started with, so a test can
// check what a launcher passed; the launcher under test never runs a shell, the
// script is only the program it starts.
#pragma once

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace sorvane::testing {

class FakePrograms {
public:
    FakePrograms() {
        std::string pattern = (std::filesystem::temp_directory_path() / "fakes-XXXXXX").string();
        if (::mkdtemp(pattern.data()) != nullptr) root_ = pattern;
        std::filesystem::create_directories(Bin());
    }
    ~FakePrograms() {
        std::error_code ignored;
        std::filesystem::remove_all(root_, ignored);
    }
    FakePrograms(const FakePrograms&) = delete;
    FakePrograms& operator=(const FakePrograms&) = delete;

    const std::filesystem::path& Root() const { return root_; }
    std::filesystem::path Bin() const { return root_ / "bin"; }

    // Writes the executable script `name` into Bin(): it records its argument
    // count and then each argument on a line of Record(name), written to a
    // temporary file and renamed, so a record is never seen half-written; then
    // it prints `output` and exits with `status`.
    std::filesystem::path Recorder(const std::string& name, const std::string& output = "",
                                   int status = 0) const {
        const std::filesystem::path record = Record(name);
        return Script(
            name,
            "{ printf '%s\\n' \"$#\"; for a in \"$@\"; do printf '%s\\n' \"$a\"; done; } > '" +
                record.string() + ".tmp' && /bin/mv '" + record.string() + ".tmp' '" +
                record.string() + "'\n" +
                (output.empty() ? "" : "printf '%s\\n' '" + output + "'\n") + "exit " +
                std::to_string(status) + "\n");
    }

    // Writes an executable script of the given body.
    std::filesystem::path Script(const std::string& name, const std::string& body) const {
        const std::filesystem::path path = Bin() / name;
        std::ofstream(path) << "#!/bin/sh\n" << body;
        std::filesystem::permissions(path, std::filesystem::perms::owner_all);
        return path;
    }

    std::filesystem::path Record(const std::string& name) const { return root_ / (name + ".args"); }

    // The arguments the fake program `name` recorded, once its record appears
    // (started programs are not waited for); nothing after `timeout`.
    std::optional<std::vector<std::string>>
    WaitForArguments(const std::string& name,
                     std::chrono::milliseconds timeout = std::chrono::seconds(10)) const {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (!std::filesystem::exists(Record(name))) {
            if (std::chrono::steady_clock::now() > deadline) return std::nullopt;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        std::ifstream in(Record(name));
        std::string line;
        std::getline(in, line);
        const int count = std::stoi(line);
        std::vector<std::string> arguments;
        for (int i = 0; i < count && std::getline(in, line); ++i)
            arguments.push_back(line);
        return arguments;
    }

    bool Started(const std::string& name) const { return std::filesystem::exists(Record(name)); }

private:
    std::filesystem::path root_;
};

// Sets an environment variable for the life of the object, then restores it.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::string& value) : name_(name) {
        if (const char* old = std::getenv(name)) saved_ = old;
        ::setenv(name, value.c_str(), 1);
    }
    ~ScopedEnv() {
        if (saved_)
            ::setenv(name_, saved_->c_str(), 1);
        else
            ::unsetenv(name_);
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* name_;
    std::optional<std::string> saved_;
};

// PATH with the fake programs' folder first.
inline std::string PathWith(const std::filesystem::path& folder) {
    const char* path = std::getenv("PATH");
    return folder.string() + ":" + (path != nullptr ? path : "/usr/bin:/bin");
}

} // namespace sorvane::testing
