// The program's windows started offscreen on a catalogue root for a benchmark,
// modal windows answered at once, and what the folder window leaves behind.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace sorvane {
class TCheckBox;
}

namespace sorvane::bench {

// Sets QT_QPA_PLATFORM=offscreen unless set, makes the QApplication and returns
// run(); an exception is printed as "<program>: <what>" and gives 1.
int RunOffscreen(int& argc, char** argv, const char* program, const std::function<int()>& run);

// Whether a yes/no question counts as a message (a benchmark fails on messages).
enum class Questions { Recorded, AnsweredSilently };

// Makes `root` the current folder (the catalogue root), answers every modal
// window at once, keeping its text, creates the standing windows and starts
// the main window. At the end the windows go, the hooks are reset and the
// previous current folder comes back.
class WindowRig {
public:
    explicit WindowRig(const std::filesystem::path& root,
                       Questions questions = Questions::Recorded);
    ~WindowRig();
    WindowRig(const WindowRig&) = delete;
    WindowRig& operator=(const WindowRig&) = delete;

    // The texts of the windows and questions answered so far.
    std::vector<std::string>& Messages() { return messages_; }

    // The folder cataloguing window, shown, on `folder`, the catalogue named
    // `name`; the timed BBNuevoCatalogoClick() comes next.
    void OpenFolderWindow(const std::filesystem::path& folder, const std::string& name);
    // The folder window hidden; throws if a message came up.
    void CloseFolderWindow();
    // The catalogue just made taken out of the tree: the folder window refuses
    // a folder already catalogued while its catalogue is there.
    void RemoveNewCatalogueNode();

private:
    void Release();

    std::filesystem::path previous_;
    std::vector<std::string> messages_;
};

// The main window's "off" boxes of the metadata readers (the archive box not included).
std::vector<TCheckBox*> MediaReaderBoxes();
// Every reader's box cleared (readers on) or checked (off).
void SetMediaReaders(bool on);

// The lines of a written catalogue: the first is the header, the others
// folder lines or file lines, some of these with a media block.
struct LineCounts {
    std::size_t total = 0, folders = 0, files = 0, media = 0;
    std::uintmax_t bytes = 0;
    std::vector<std::string> withoutMedia; // names of the file lines without a block
};
LineCounts CountLines(const std::filesystem::path& path);

} // namespace sorvane::bench
