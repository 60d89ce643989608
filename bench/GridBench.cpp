// Filling the directory grid of the real main window with a folder of 100,000
// files (selecting the catalogue node lists its root folder), beside the same
// rows put into a plain QStandardItemModel shown in a QTableView, one item per
// cell, in the same run. Both views are shown offscreen and each timed fill
// ends when the posted events (layout and painting) have been processed.
//
// Options: --files=N (files in the folder, 100,000 by default),
// --repetitions=N (timed fills of each side, 5 by default).
#include "app/StandingWindows.h"
#include "bench/Options.h"
#include "bench/SyntheticLines.h"
#include "bench/TempFolder.h"
#include "bench/Timing.h"
#include "bench/WindowRig.h"
#include "catalogue/format/CatalogueLines.h"
#include "ui/StringGrid.h"

#include <QApplication>
#include <QStandardItemModel>
#include <QTableView>
#include <QTreeWidget>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using namespace sorvane;
using namespace sorvane::bench;

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
        if (const char* v = OptionValue(argv[i], "--files="))
            options.files = AtLeast(v, 1);
        else if (const char* v = OptionValue(argv[i], "--repetitions="))
            options.repetitions = AtLeast(v, 1);
        else
            UnknownOption(argv[i], "--files=N --repetitions=N");
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

QTreeWidgetItem* TopLevelNode(const QString& text) {
    for (int i = 0; i < FPrincipal->Arbol->topLevelItemCount(); ++i)
        if (FPrincipal->Arbol->topLevelItem(i)->text(0) == text)
            return FPrincipal->Arbol->topLevelItem(i);
    throw std::runtime_error("catalogue node " + text.toStdString() + " missing from the tree");
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
    const TempFolder temp("sorvane-grid");
    const fs::path& root = temp.Path();
    WriteFolderCatalogue(root / "Big.tct", "Big", options.files);
    WriteFolderCatalogue(root / "Small.tct", "Small", 3);
    WindowRig rig(root);
    std::vector<std::string>& messages = rig.Messages();
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
        if (FPrincipal->SGDirectorio->RowCount() != options.files + 1 || !messages.empty())
            throw std::runtime_error("the grid did not list the folder" +
                                     (messages.empty() ? std::string() : ": " + messages.front()));
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

    const SideTimes times = Alternate(options.repetitions, ours, peer);
    std::printf("folder of %d files, %zu columns\n", options.files, texts[0].size());
    PrintTimesHeader(36);
    PrintTimesRow(36, "ours/directory grid (tree select)", times.ours);
    PrintTimesRow(36, "peer/QStandardItemModel+QTableView", times.peer);
    PrintRatio("grid", Median(times.ours) / Median(times.peer));
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    return RunOffscreen(argc, argv, "bench_grid", [&] { return Run(ParseOptions(argc, argv)); });
}
