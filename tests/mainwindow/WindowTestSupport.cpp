#include "tests/mainwindow/WindowTestSupport.h"

#include "app/StandingWindows.h"
#include "catalogue/format/CatalogueLine.h"
#include "catalogue/format/Codes.h"
#include "catalogue/format/LineBuilders.h"
#include "catalogue/format/NumberCode.h"
#include "catalogue/format/TextUtils.h"
#include "dialogs/TFMensajes.h"
#include "mainwindow/TFErrores.h"
#include "ui/StringGrid.h"

#include <QLabel>
#include <QTreeWidget>
#include <ctime>
#include <fcntl.h>
#include <fstream>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace sorvane::windowtest {

std::uint32_t Dos(const DateTime& date) {
    return *DateTimeToDosDate(date);
}

std::string FileLine(const std::string& name, std::uint64_t size, std::uint32_t firstDos,
                     std::uint32_t secondDos, const std::string& tail) {
    return CodificaFecha(firstDos) + CodificaFecha(secondDos) + CodificaTamano(size) + "20" + name +
           tail;
}

std::string CountedFolderLine(const std::string& path, int files, const std::string& description) {
    std::string line = std::string(1, kFolderMarker) + PadLeftToWidth(CodificaEntero(files), 3) +
                       CodificaFecha(kDos2001) + CodificaFecha(kDos2001) + "1" + path;
    if (!description.empty()) line = PonDescripcion(line, description);
    return line;
}

std::string FolderLine(const std::string& path, std::uint32_t createdDos,
                       std::uint32_t modifiedDos) {
    return LineaCarpeta(path, createdDos, modifiedDos, 0, 1);
}

std::string HeaderLine(const std::string& name) {
    return LineaCabecera(name, "CD-ROM", "1A2B-3C4D", "E:\\", "LABEL", 5, 1000, 2000, "");
}

std::string Media(const std::string& block) {
    return std::string(1, kMediaBracket) + block + kMediaBracket;
}

void WriteLines(const fs::path& path, const std::vector<std::string>& lines) {
    std::ofstream out(path, std::ios::binary);
    for (const std::string& line : lines)
        out << line << "\r\n";
}

fs::path ProgramDir() {
    return SORVANE_PROGRAM_DIR;
}

fs::path TempFolder(const std::string& prefix) {
    std::string pattern = (fs::temp_directory_path() / (prefix + "-XXXXXX")).string();
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp " + pattern);
    return pattern;
}

QTreeWidgetItem* TreeNode(const QString& path) {
    QTreeWidgetItem* node = nullptr;
    for (const QString& part : path.split('/')) {
        QTreeWidgetItem* next = nullptr;
        const int count = node ? node->childCount() : FPrincipal->Arbol->topLevelItemCount();
        for (int i = 0; i < count; ++i) {
            QTreeWidgetItem* child = node ? node->child(i) : FPrincipal->Arbol->topLevelItem(i);
            if (child->text(0) == part) next = child;
        }
        if (next == nullptr) return nullptr;
        node = next;
    }
    return node;
}

std::vector<std::string> GridColumn(const TStringGrid& grid, int col) {
    std::vector<std::string> texts;
    for (int row = 1; row < grid.RowCount(); ++row)
        texts.push_back(grid.Cells(col, row));
    return texts;
}

void ModalRecorder::Install() {
    ModalHooks hooks;
    hooks.showModal = [this](QDialog& dialog) {
        if (dialog.objectName() == "FAskIdioma" || dialog.objectName() == "FTips")
            passingWindows.push_back(dialog.objectName().toStdString());
        else
            dialogs.push_back(&dialog);
        if (&dialog == FMensajes) messages.push_back(FMensajes->LMensaje->text().toStdString());
        if (&dialog == FErrores) {
            ++errorWindows;
            errorCaption = FErrores->windowTitle().toStdString();
        }
        return onDialog ? onDialog(dialog) : static_cast<int>(QDialog::Accepted);
    };
    hooks.askYesNo = [this](const QString& caption, const QString& text) {
        questions.push_back({caption, text});
        if (onQuestion) onQuestion();
        return answer;
    };
    hooks.systemMessage = [this](const QString& text) {
        messages.push_back(systemPrefix + text.toStdString());
    };
    hooks.askRetryCancel = [this](const QString& text) {
        retryQuestions.push_back(text.toStdString());
        return onRetry ? onRetry(text.toStdString()) : false;
    };
    if (onOpenFile)
        hooks.openFile = [this](const OpenFileRequest& request) { return onOpenFile(request); };
    if (onSaveFile)
        hooks.saveFile = [this](const SaveFileRequest& request) { return onSaveFile(request); };
    SetModalHooks(std::move(hooks));
}

void WindowTestRoot::TearDown() {
    if (windows_) LiberaVentanas();
    windows_ = false;
    SetModalHooks({});
    if (entered_) fs::current_path(previous_);
    entered_ = false;
    for (const fs::path& folder : owned_)
        fs::remove_all(folder);
    owned_.clear();
}

fs::path WindowTestRoot::OwnedTempFolder(const std::string& prefix) {
    owned_.push_back(TempFolder(prefix));
    return owned_.back();
}

void WindowTestRoot::Enter(const fs::path& folder) {
    if (!entered_) previous_ = fs::current_path();
    entered_ = true;
    fs::current_path(folder);
}

void WindowTestRoot::EnterNewRoot(const std::string& prefix) {
    root_ = OwnedTempFolder(prefix);
    Enter(root_);
}

void WindowTestRoot::OpenWindows(bool programFolderFromBuild) {
    recorder_.Install();
    CreaVentanas();
    windows_ = true;
    settings_ = OwnedTempFolder("settings") / "sorvane.ini";
    FPrincipal->SettingsPathOverride = settings_.string();
    if (programFolderFromBuild) FPrincipal->ProgramFolderOverride = SORVANE_PROGRAM_DIR "/";
}

void WindowTestRoot::Activate() {
    FPrincipal->FormActivate();
    ASSERT_TRUE(FPrincipal->StartupDone());
}

void ChosenProgramFolderTest::SetUp() {
    temp_ = OwnedTempFolder(prefix_);
    root_ = temp_ / "root";
    fs::create_directories(root_);
    Enter(root_);
    OpenWindows(false);
}

void ChosenProgramFolderTest::Start(const fs::path& folder) {
    FPrincipal->ProgramFolderOverride = folder.string() + "/";
    FPrincipal->FormActivate();
    ASSERT_TRUE(FPrincipal->StartupDone());
}

std::int64_t FixedTime() {
    std::tm t{};
    t.tm_year = 101;
    t.tm_mon = 2;
    t.tm_mday = 4;
    t.tm_hour = 10;
    t.tm_min = 30;
    t.tm_isdst = -1;
    return static_cast<std::int64_t>(std::mktime(&t));
}

void SetFixedTimes(const fs::path& path) {
    const timespec times[2] = {{FixedTime(), 0}, {FixedTime(), 0}};
    ::utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW);
}

void WriteFixedFile(const fs::path& path, std::size_t size) {
    std::ofstream(path, std::ios::binary) << std::string(size, 'x');
    SetFixedTimes(path);
}

} // namespace sorvane::windowtest
