// Filling the directory grid of the real main window with a folder of 100,000
// files (selecting the catalogue node lists its root folder), beside the same
// rows put into a plain QStandardItemModel shown in a QTableView, one item per
// cell, in the same run. Both views are shown offscreen and each timed fill
// ends when the posted events (layout and painting) have been processed.
//
// Options: --files=N (files in the folder, 100,000 by default),
// --repetitions=N (timed fills of each side, 5 by default).
#include "app/StandingWindows.h"
#include "bench/SyntheticLines.h"
#include "catalogue/format/CatalogueLines.h"
#include "dialogs/Modal.h"
#include "dialogs/TFMensajes.h"
#include "ui/StringGrid.h"

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QStandardItemModel>
#include <QTableView>
#include <QTreeWidget>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;
using namespace sorvane;
using namespace sorvane::bench;
using Clock = std::chrono::steady_clock;

constexpr int kDefaultFiles = 100'000;
constexpr int kDefaultRepetitions = 5;
constexpr int kWindowWidth = 1000, kWindowHeight = 700;

struct Options {
    int files = kDefaultFiles;
    int repetitions = kDefaultRepetitions;
};

Options ParseOptions(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg.rfind("--files=", 0) == 0)
            options.files = std::max(1, std::atoi(arg.c_str() + 8));
        else if (arg.rfind("--repetitions=", 0) == 0)
            options.repetitions = std::max(1, std::atoi(arg.c_str() + 14));
        else
            throw std::invalid_argument("unknown option " + arg +
                                        " (use --files=N --repetitions=N)");
    }
    return options;
}

// A catalogue whose root folder holds `files` file lines.
void WriteFolderCatalogue(const fs::path& path, const std::string& name, int files) {
    LineMaker maker(7);
    CatalogueLines lines;
    lines.Add(HeaderLine(name, '3', 'D', 40'000'000'000LL, 200'000'000'000LL, "BIG FOLDER"));
    lines.Add(FolderLine("\\", files, maker.Date(), maker.Date()));
    for (int i = 0; i < files; ++i)
        lines.Add(maker.FileLineOfAnyKind());
    lines.SaveToFile(path.string());
}

// Modal windows and questions answered at once, messages kept to print.
std::vector<std::string>& Messages() {
    static std::vector<std::string> messages;
    return messages;
}

void AnswerModalsAtOnce() {
    SetModalHooks({
        [](QDialog& dialog) {
            Messages().push_back(&dialog == FMensajes ? FMensajes->LMensaje->text().toStdString()
                                                      : dialog.windowTitle().toStdString());
            return static_cast<int>(QDialog::Accepted);
        },
        [](const QString&, const QString& text) {
            Messages().push_back(text.toStdString());
            return true;
        },
        [](const QString& text) { Messages().push_back(text.toStdString()); },
    });
}

QTreeWidgetItem* TopLevelNode(const QString& text) {
    for (int i = 0; i < FPrincipal->Arbol->topLevelItemCount(); ++i)
        if (FPrincipal->Arbol->topLevelItem(i)->text(0) == text)
            return FPrincipal->Arbol->topLevelItem(i);
    throw std::runtime_error("catalogue node " + text.toStdString() + " missing from the tree");
}

template <typename Work> double Seconds(Work&& work) {
    const auto start = Clock::now();
    work();
    return std::chrono::duration<double>(Clock::now() - start).count();
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// The texts our grid shows, row by row (row 0 the titles), for the peer.
std::vector<std::vector<QString>> ShownTexts(const TStringGrid& grid) {
    std::vector<std::vector<QString>> rows(static_cast<std::size_t>(grid.RowCount()));
    for (int row = 0; row < grid.RowCount(); ++row)
        for (int col = 0; col < grid.ColCount(); ++col)
            rows[static_cast<std::size_t>(row)].push_back(grid.CellText(col, row));
    return rows;
}

// The peer's fill: a new model with one item per cell, then shown in the view.
std::unique_ptr<QStandardItemModel>
FillStandardModel(QTableView& view, const std::vector<std::vector<QString>>& rows) {
    const int cols = static_cast<int>(rows[0].size());
    auto model = std::make_unique<QStandardItemModel>(0, cols);
    QStringList titles;
    for (const QString& title : rows[0])
        titles << title;
    model->setHorizontalHeaderLabels(titles);
    for (std::size_t row = 1; row < rows.size(); ++row) {
        QList<QStandardItem*> items;
        items.reserve(cols);
        for (const QString& text : rows[row])
            items.append(new QStandardItem(text));
        model->appendRow(items);
    }
    view.setModel(model.get());
    return model;
}

int Run(const Options& options) {
    std::string pattern = (fs::temp_directory_path() / "sorvane-grid-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("cannot create a temporary folder");
    const fs::path root = pattern;
    const fs::path previous = fs::current_path();
    struct Cleanup {
        fs::path root, previous;
        ~Cleanup() {
            LiberaVentanas();
            SetModalHooks({});
            std::error_code ignored;
            fs::current_path(previous, ignored);
            fs::remove_all(root, ignored);
        }
    } cleanup{root, previous};

    WriteFolderCatalogue(root / "Big.tct", "Big", options.files);
    WriteFolderCatalogue(root / "Small.tct", "Small", 3);
    fs::current_path(root);
    AnswerModalsAtOnce();
    CreaVentanas();
    FPrincipal->ProgramFolderOverride = SORVANE_PROGRAM_DIR "/";
    FPrincipal->FormActivate();
    if (!FPrincipal->StartupDone()) throw std::runtime_error("the main window did not start");
    FPrincipal->resize(kWindowWidth, kWindowHeight);
    FPrincipal->show();
    QApplication::processEvents();
    QTreeWidgetItem* big = TopLevelNode("Big");
    QTreeWidgetItem* small = TopLevelNode("Small");

    QTableView peerView;
    peerView.resize(FPrincipal->SGDirectorio->size());
    peerView.show();
    QApplication::processEvents();

    const auto ours = [&] {
        FPrincipal->Arbol->setCurrentItem(small);
        QApplication::processEvents();
        const double seconds = Seconds([&] {
            FPrincipal->Arbol->setCurrentItem(big);
            QApplication::processEvents();
        });
        if (FPrincipal->SGDirectorio->RowCount() != options.files + 1 || !Messages().empty())
            throw std::runtime_error(
                "the grid did not list the folder" +
                (Messages().empty() ? std::string() : ": " + Messages().front()));
        return seconds;
    };
    std::unique_ptr<QStandardItemModel> model;
    std::vector<std::vector<QString>> texts;
    const auto peer = [&] {
        peerView.setModel(nullptr);
        model.reset();
        QApplication::processEvents();
        return Seconds([&] {
            model = FillStandardModel(peerView, texts);
            QApplication::processEvents();
        });
    };

    // First runs: the tree's first visit, caches and allocator warmed.
    ours();
    texts = ShownTexts(*FPrincipal->SGDirectorio);
    peer();

    std::vector<double> oursTimes, peerTimes;
    for (int i = 0; i < options.repetitions; ++i) {
        oursTimes.push_back(ours());
        peerTimes.push_back(peer());
    }
    const double oursMedian = Median(oursTimes), peerMedian = Median(peerTimes);
    std::printf("folder of %d files, %zu columns\n", options.files, texts[0].size());
    std::printf("%-36s %9s %9s\n", "", "median s", "best s");
    std::printf("%-36s %9.3f %9.3f\n", "ours/directory grid (tree select)", oursMedian,
                *std::min_element(oursTimes.begin(), oursTimes.end()));
    std::printf("%-36s %9.3f %9.3f\n", "peer/QStandardItemModel+QTableView", peerMedian,
                *std::min_element(peerTimes.begin(), peerTimes.end()));
    std::printf("grid: ratio %.2f\n", oursMedian / peerMedian);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    try {
        return Run(ParseOptions(argc, argv));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_grid: %s\n", e.what());
        return 1;
    }
}
