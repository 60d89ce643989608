// Sorting 99,999 rows of the real main window's result grid (the most a search
// lists) by a click on a column title, for each key kind of that grid: text
// (the catalogue column), name, size and date. Each timed click builds the keys
// into column 0 and sorts by them (ascending); the second click on the same
// title builds the keys again and reverses the rows (descending). The peer, in
// the same run, is a plain std::stable_sort of the same 99,999 name strings
// (byte order, no keys, no grid): the ratio is our ascending sort by name over it.
//
// Options: --rows=N (99,999 by default), --repetitions=N (5 by default).
#include "app/StandingWindows.h"
#include "bench/Options.h"
#include "bench/SyntheticLines.h"
#include "bench/TempFolder.h"
#include "bench/Timing.h"
#include "bench/WindowRig.h"
#include "catalogue/format/CatalogueLine.h"
#include "catalogue/format/TextUtils.h"
#include "platform/Text.h"
#include "ui/StringGrid.h"

#include <QTabWidget>
#include <algorithm>
#include <array>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using namespace sorvane;
using namespace sorvane::bench;

constexpr int kDefaultRows = 99'999;
constexpr int kDefaultRepetitions = 5;
constexpr int kCatalogues = 12;
constexpr int kFolderNameColumn = 5;

struct Options {
    int rows = kDefaultRows;
    int repetitions = kDefaultRepetitions;
};

Options ParseOptions(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        if (const char* v = OptionValue(argv[i], "--rows="))
            options.rows = AtLeast(v, 2);
        else if (const char* v = OptionValue(argv[i], "--repetitions="))
            options.repetitions = AtLeast(v, 1);
        else
            UnknownOption(argv[i], "--rows=N --repetitions=N");
    }
    return options;
}

using ResultRow = std::array<std::string, 22>;

// Result rows as a search writes them for file and folder hits: collection,
// catalogue, folder, description, name, size, both dates with the time,
// attributes and extension.
std::vector<ResultRow> MakeRows(int count) {
    LineMaker maker(11);
    std::vector<std::string> folders;
    for (int i = 0; i < 400; ++i) {
        std::string folder(1, '\\');
        folder += maker.FolderName();
        folder += '\\';
        folder += maker.FolderName();
        folders.push_back(folder);
    }
    const std::string collection = "Backups", noRange = "0 0";
    std::vector<ResultRow> rows(static_cast<std::size_t>(count));
    for (ResultRow& row : rows) {
        row[1] = collection;
        row[2] = "Disco " + std::to_string(maker.Between(1, kCatalogues));
        row[3] = folders[static_cast<std::size_t>(
            maker.Between(0, static_cast<int>(folders.size()) - 1))];
        if (maker.Between(0, 19) == 0) {
            // A folder hit.
            row[kFolderNameColumn] = maker.FolderName() + "\\";
            row[7] = FPrincipal->TextoFechaUtf8(*DosDateToDateTime(maker.Date()), true);
            row[8] = FPrincipal->TextoFechaUtf8(*DosDateToDateTime(maker.Date()), true);
            row[9] = std::string(1, 'D');
            continue;
        }
        const std::string line = maker.FileLineOfAnyKind();
        row[4] = text::AsUtf8(DameFicheroDescripcion(line));
        row[kFolderNameColumn] = text::AsUtf8(DameFicheroNombre(line));
        row[6] = FormatThousands(static_cast<std::int64_t>(DameFicheroTamano(line)));
        row[7] = FPrincipal->TextoFechaUtf8(DameFicheroModificado(line), true);
        row[8] = FPrincipal->TextoFechaUtf8(DameFicheroCreado(line), true);
        row[9] = DameFicheroAtributos(line);
        row[10] = std::string(DameFicheroExtension(line));
        row[18] = row[19] = row[20] = row[21] = noRange;
    }
    return rows;
}

// The grid back to the rows in the order found, with fresh titles.
void Fill(TStringGrid& grid, const std::vector<ResultRow>& rows) {
    TStringGridUpdate update(grid);
    grid.SetRowCount(1);
    grid.SetRowCount(static_cast<int>(rows.size()) + 1);
    for (std::size_t r = 0; r < rows.size(); ++r) {
        std::array<std::string_view, 22> cells;
        for (std::size_t c = 0; c < cells.size(); ++c)
            cells[c] = rows[r][c];
        grid.SetRowCells(static_cast<int>(r) + 1, cells);
    }
    FPrincipal->ResultHits = rows.size(); // as a search that found these rows leaves it
    FPrincipal->AsignaTitulosResultados();
}

// One click on the title of `column`, released where it was pressed.
void ClickTitle(int column) {
    TGridMouseEvent click;
    click.button = Qt::LeftButton;
    click.col = column;
    click.row = 0;
    click.x = FPrincipal->MouseDownX = 10;
    click.y = FPrincipal->MouseDownY = 5;
    FPrincipal->SGResultadosMouseUp(click);
}

int Run(const Options& options) {
    const TempFolder temp("sorvane-sort");
    WindowRig rig(temp.Path(), Questions::AnsweredSilently);
    const std::vector<std::string>& messages = rig.Messages();
    FPrincipal->PCMain->setCurrentWidget(FPrincipal->TSBuscar);
    TStringGrid& grid = *FPrincipal->SGResultados;

    const std::vector<ResultRow> rows = MakeRows(options.rows);
    std::vector<std::string> names;
    for (const ResultRow& row : rows)
        names.push_back(row[kFolderNameColumn]);

    struct Kind {
        const char* label;
        int column;
        std::vector<double> ascending, descending;
    };
    std::vector<Kind> kinds = {{"text (catalogue)", 2, {}, {}},
                               {"name", kFolderNameColumn, {}, {}},
                               {"size", 6, {}, {}},
                               {"date (modified)", 7, {}, {}}};
    std::vector<double> peer;
    for (int repetition = 0; repetition < options.repetitions; ++repetition) {
        for (Kind& kind : kinds) {
            Fill(grid, rows);
            kind.ascending.push_back(Seconds([&] { ClickTitle(kind.column); }));
            if (!grid.Cells(kind.column, 0).ends_with("(asc)"))
                throw std::runtime_error(std::string("no ascending sort by ") + kind.label);
            kind.descending.push_back(Seconds([&] { ClickTitle(kind.column); }));
            if (!grid.Cells(kind.column, 0).ends_with("(dsc)"))
                throw std::runtime_error(std::string("no descending sort by ") + kind.label);
        }
        std::vector<std::string> copy = names;
        peer.push_back(Seconds([&] { std::stable_sort(copy.begin(), copy.end()); }));
        if (!std::is_sorted(copy.begin(), copy.end()))
            throw std::runtime_error("the peer did not sort");
    }
    if (!messages.empty()) throw std::runtime_error("a message window opened: " + messages.front());

    std::printf("%d result rows, %d repetitions (median seconds; best in brackets)\n", options.rows,
                options.repetitions);
    double oursByName = 0;
    for (const Kind& kind : kinds) {
        const double ascending = Median(kind.ascending);
        std::printf("ours/%-18s ascending %7.3f (%6.3f)   descending %7.3f (%6.3f)\n", kind.label,
                    ascending, Best(kind.ascending), Median(kind.descending),
                    Best(kind.descending));
        if (kind.column == kFolderNameColumn) oursByName = ascending;
    }
    const double peerMedian = Median(peer);
    std::printf("peer/std::stable_sort of the names ascending %7.3f (%6.3f)\n", peerMedian,
                Best(peer));
    PrintRatio("sort", oursByName / peerMedian);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    return RunOffscreen(argc, argv, "bench_sort", [&] { return Run(ParseOptions(argc, argv)); });
}
