// Takes pictures of the main window under the offscreen platform, for the
// README: builds a small catalogue root in a temporary folder, starts the
// program's windows on it, selects a catalogue and saves the window; then,
// when asked, runs a search on the search page and saves it in English and in
// Spanish with the hits marked.
#include "app/StandingWindows.h"
#include "catalogue/format/CatalogueLine.h"
#include "catalogue/format/NumberCode.h"
#include "catalogue/format/TextUtils.h"
#include "dialogs/Modal.h"
#include "mainwindow/TFPrincipal.h"
#include "ui/CheckBox.h"
#include "ui/RadioGroup.h"
#include "ui/StringGrid.h"

#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QPixmap>
#include <QRadioButton>
#include <QTabWidget>
#include <QTreeWidget>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <unistd.h>

namespace {

using namespace sorvane;
namespace fs = std::filesystem;

constexpr std::uint32_t kDate = (43u << 25) | (6u << 21) | (14u << 16) | (18u << 11) | (20u << 5);

std::string Header(const std::string& name, char type, std::int64_t free, std::int64_t used,
                   const std::string& label) {
    return std::string(":") + type + "E" + "5C1E-09A2" + PadLeftToWidth(CodificaInt64(free), 7) +
           PadLeftToWidth(CodificaInt64(used), 7) + PadLeftToWidth("5", 10) +
           PadRightToWidth(label, 20) + kMediaBracket + name + kMediaBracket + kDescriptionBracket +
           "\\" + kDescriptionBracket;
}

std::string Folder(const std::string& path, int files, const std::string& description = "") {
    std::string line = std::string(1, kFolderMarker) + PadLeftToWidth(CodificaEntero(files), 3) +
                       CodificaFecha(kDate) + CodificaFecha(kDate) + "0" + path;
    return description.empty() ? line : PonDescripcion(line, description);
}

std::string File(const std::string& name, std::uint64_t size, const std::string& media = "",
                 const std::string& description = "") {
    std::string line =
        CodificaFecha(kDate) + CodificaFecha(kDate) + CodificaTamano(size) + "20" + name;
    if (!media.empty()) line += std::string(1, kMediaBracket) + media + kMediaBracket;
    return description.empty() ? line : PonDescripcion(line, description);
}

std::string Field(std::int64_t value, std::size_t width) {
    return PadLeftToWidth(CodificaInt64(value), width);
}

void Write(const fs::path& path, const std::vector<std::string>& lines) {
    std::ofstream out(path, std::ios::binary);
    for (const std::string& line : lines)
        out << line << "\r\n";
}

void BuildRoot(const fs::path& root) {
    fs::create_directories(root / "Holidays");
    fs::create_directories(root / "Work" / "Archive");
    const std::string photo = Field(4032, 3) + Field(3024, 3) + Field(24, 1);
    const std::string song =
        Field(245, 3) + "2" + Field(44100, 3) + Field(192, 2) + Field(98, 2) + Field(3, 2) + "Rock";
    Write(root / "Holidays" / "Summer 2023.tct",
          {Header("Summer 2023", '2', 1'200'000'000, 3'500'000'000, "SUMMER23"), Folder("\\", 5),
           File("beach.jpg", 2'481'234, photo, "Sunset at the beach"),
           File("harbour.jpg", 3'102'774, photo), File("itinerary.doc", 48'640, Field(4, 2)),
           File("road trip.mp3", 5'880'320, song), File("notes.txt", 1'912),
           Folder("\\Videos", 1, "Camera clips"),
           File("drone.avi", 734'003'200,
                Field(1920, 3) + Field(1080, 3) + Field(30, 1) + Field(312, 3)),
           Folder("\\Photos raw", 0)});
    Write(root / "Work" / "Projects.tct",
          {Header("Projects", '3', 80'000'000'000, 20'000'000'000, "DATA"), Folder("\\", 1),
           File("plan.doc", 102'400)});
    Write(root / "Work" / "Archive" / "Backup 2019.tct",
          {Header("Backup 2019", '0', 0, 650'000'000, "BACKUP"), Folder("\\", 0)});
    Write(root / "Music.tct", {Header("Music", 'M', 0, 700'000'000, "AUDIOCD"), Folder("\\", 0)});
}

QTreeWidgetItem* Child(QTreeWidgetItem* parent, const QString& text) {
    for (int i = 0; i < parent->childCount(); ++i)
        if (parent->child(i)->text(0) == text) return parent->child(i);
    return nullptr;
}

bool Save(QWidget& window, const fs::path& path) {
    QApplication::processEvents();
    return window.grab().save(QString::fromStdString(path.string()));
}

// The search page after a search for "ar" or "ip" with the advanced criteria
// shown, then the same page in Spanish.
bool SaveSearchPages(const fs::path& english, const fs::path& spanish) {
    TFPrincipal& w = *FPrincipal;
    w.resize(1280, 720);
    w.PCMain->setCurrentWidget(w.TSBuscar);
    w.CBAvanzada->SetChecked(true);
    w.RBOr->setChecked(true);
    w.EBuscar->setText("ar");
    w.EBuscar2->setText("ip");
    w.BBuscarClick();
    if (w.SGResultados->Cells(5, 1).empty() && w.SGResultados->Cells(1, 1).empty()) {
        std::cerr << "the demo search found nothing\n";
        return false;
    }
    // The current cell, drawn highlighted, on a cell without text.
    w.SGResultados->SetCurrentCell(9, w.SGResultados->RowCount() - 1);
    if (!Save(w, english)) return false;
    w.RGIdioma->SetItemIndex(1);
    w.CargaIdioma();
    w.BBuscarClick(); // the status text in Spanish too
    w.SGResultados->SetCurrentCell(9, w.SGResultados->RowCount() - 1);
    return Save(w, spanish);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3 && argc != 5) {
        std::cerr << "usage: sorvane_screenshot PROGRAM_FOLDER OUTPUT.png [SEARCH_ENGLISH.png "
                     "SEARCH_SPANISH.png]\n";
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    QApplication::setApplicationName("Sorvane");

    const fs::path output = fs::absolute(argv[2]);
    const fs::path searchEnglish = argc == 5 ? fs::absolute(argv[3]) : fs::path();
    const fs::path searchSpanish = argc == 5 ? fs::absolute(argv[4]) : fs::path();
    std::string pattern = (fs::temp_directory_path() / "sorvane-shot-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) return 1;
    const fs::path root = pattern;
    BuildRoot(root);
    fs::current_path(root);

    SetModalHooks({[](QDialog&) { return 1; }, [](const QString&, const QString&) { return true; },
                   [](const QString& text) { std::cerr << text.toStdString() << "\n"; }});
    CreaVentanas();
    FPrincipal->ProgramFolderOverride = std::string(argv[1]) + "/";
    // The shot shows the default settings, whatever the program folder keeps.
    FPrincipal->SettingsPathOverride = (root / ".sorvane-shot.ini").string();
    FPrincipal->resize(1100, 520);
    FPrincipal->show();
    FPrincipal->FormActivate();
    QTreeWidgetItem* holidays = nullptr;
    for (int i = 0; i < FPrincipal->Arbol->topLevelItemCount(); ++i)
        if (FPrincipal->Arbol->topLevelItem(i)->text(0) == "Holidays")
            holidays = FPrincipal->Arbol->topLevelItem(i);
    if (holidays == nullptr || Child(holidays, "Summer 2023") == nullptr) {
        std::cerr << "the demo catalogue did not load\n";
        return 1;
    }
    FPrincipal->Arbol->setCurrentItem(Child(holidays, "Summer 2023"));
    FPrincipal->Arbol->expandAll();
    QApplication::processEvents();
    bool saved = Save(*FPrincipal, output);
    if (saved && argc == 5) saved = SaveSearchPages(searchEnglish, searchSpanish);
    LiberaVentanas();
    fs::current_path("/");
    fs::remove_all(root);
    return saved ? 0 : 1;
}
