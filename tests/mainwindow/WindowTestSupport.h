// Shared set-up for the tests that drive the standing windows: a temporary
// catalogue root made the current folder, modal hooks that record instead of
// blocking, the windows made and freed, and writers of catalogue lines.
#pragma once

#include "dialogs/Modal.h"
#include "platform/DateTime.h"

#include <QDialog>
#include <QString>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <utility>
#include <vector>

class QTreeWidgetItem;

namespace sorvane {
class TStringGrid;
}

namespace sorvane::windowtest {

namespace fs = std::filesystem;

// ---- Catalogue-line fixture writers -----------------------------------------

// 2001-03-04 10:30:00 as a DOS date.
inline constexpr std::uint32_t kDos2001 =
    (21u << 25) | (3u << 21) | (4u << 16) | (10u << 11) | (30u << 5);
inline constexpr DateTime kDate2001{2001, 3, 4, 10, 30, 0};

std::uint32_t Dos(const DateTime& date);

// A file line: two coded dates, the coded size, the attributes "20", the name
// and whatever blocks follow it.
std::string FileLine(const std::string& name, std::uint64_t size, std::uint32_t firstDos = kDos2001,
                     std::uint32_t secondDos = kDos2001, const std::string& tail = "");

// A folder line written field by field, with its file count and an optional
// description.
std::string CountedFolderLine(const std::string& path, int files,
                              const std::string& description = "");

// A folder line from the format's own builder.
std::string FolderLine(const std::string& path, std::uint32_t createdDos = kDos2001,
                       std::uint32_t modifiedDos = kDos2001);

// A CD-ROM catalogue header from the format's own builder.
std::string HeaderLine(const std::string& name);

// A media block around `block`.
std::string Media(const std::string& block);

// Writes the lines with the catalogue's CR LF endings.
void WriteLines(const fs::path& path, const std::vector<std::string>& lines);

// The program folder of the build, holding the language files.
fs::path ProgramDir();

// A new temporary folder "<prefix>-XXXXXX"; throws when it cannot be made.
fs::path TempFolder(const std::string& prefix);

// ---- Reading the main window ----------------------------------------------

// The node of the main window's tree at `path` ("Music/Live"), or nullptr.
QTreeWidgetItem* TreeNode(const QString& path);

// The texts of column `col` of a grid, below its fixed row.
std::vector<std::string> GridColumn(const TStringGrid& grid, int col);

// ---- Modal recorder -------------------------------------------------------

// Records every modal window, message and question instead of blocking.
struct ModalRecorder {
    std::vector<std::string> messages;     // message windows and system messages
    std::string systemPrefix = "SYSTEM: "; // put before each system message
    std::vector<QDialog*> dialogs;         // every modal window shown
    // The windows made for one showing and freed after it (the language
    // question, the tips), by object name: they are not kept in `dialogs`.
    std::vector<std::string> passingWindows;
    std::vector<std::pair<QString, QString>> questions; // caption and text of each question
    bool answer = true;                                 // the answer to every question
    std::function<void()> onQuestion;                   // runs while a question is open
    int errorWindows = 0;                               // times the error window was shown
    std::string errorCaption;                           // its caption the last time
    std::function<int(QDialog&)> onDialog;              // answers a window; Accepted when unset
    std::function<QString(const SaveFileRequest&)> onSaveFile; // the save hook; default when unset
    std::vector<std::string> retryQuestions;                   // Retry/Cancel boxes
    std::function<bool(const std::string&)> onRetry;           // answers them; Cancel when unset
    std::function<QString(const OpenFileRequest&)> onOpenFile; // the open hook; default when unset

    void Install();
};

// ---- Fixture base -------------------------------------------------------------

class WindowTestRoot : public ::testing::Test {
protected:
    void TearDown() override;

    // A temporary folder removed at tear-down.
    fs::path OwnedTempFolder(const std::string& prefix);
    // Makes `folder` the current folder until tear-down.
    void Enter(const fs::path& folder);
    // A new owned temporary folder, made root_ and entered.
    void EnterNewRoot(const std::string& prefix);
    // Installs the recorder and makes the standing windows; the main window
    // takes its program files from the build unless told otherwise, and keeps
    // its settings in settings_ (in a temporary folder, absent at first), never
    // in the program folder.
    void OpenWindows(bool programFolderFromBuild = true);
    // Starts the main window on the current folder.
    void Activate();

    fs::path root_;
    fs::path settings_;
    ModalRecorder recorder_;

private:
    std::vector<fs::path> owned_;
    fs::path previous_;
    bool entered_ = false;
    bool windows_ = false;
};

// The windows made on temp_/root with the program folder left to each test:
// Start() activates the main window with its program files from `folder`.
class ChosenProgramFolderTest : public WindowTestRoot {
protected:
    explicit ChosenProgramFolderTest(std::string prefix) : prefix_(std::move(prefix)) {}
    void SetUp() override;
    void Start(const fs::path& folder = ProgramDir());

    fs::path temp_;

private:
    std::string prefix_;
};

// 2001-03-04 10:30:00 local time, given to the files a cataloguing test makes
// so their dates are known.
std::int64_t FixedTime();
// Sets the modified and access times of `path` (not following a link) to FixedTime().
void SetFixedTimes(const fs::path& path);
// Writes `size` bytes of "x" to `path`, dated FixedTime().
void WriteFixedFile(const fs::path& path, std::size_t size);

} // namespace sorvane::windowtest
