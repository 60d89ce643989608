// Grid sorting: the key builders that write a sortable text for every row into
// a grid's hidden column 0, the header clicks of the directory and result
// grids (ascending, then descending by reversing), and the automatic sort
// after a directory listing.
#include "catalogue/format/DateText.h"
#include "catalogue/format/PathText.h"
#include "catalogue/format/StringManager.h"
#include "dialogs/Language.h"
#include "mainwindow/TFPrincipal.h"
#include "platform/Text.h"
#include "ui/BusyGuard.h"
#include "ui/CheckBox.h"
#include "ui/GridRoutines.h"
#include "ui/RadioGroup.h"
#include "ui/ScopeGuard.h"
#include "ui/StatusBar.h"
#include "ui/StringGrid.h"

#include <QApplication>
#include <QDateTime>
#include <QLabel>
#include <QLocale>
#include <algorithm>
#include <chrono>
#include <cstdio>

namespace sorvane {
namespace {

constexpr int kKeyColumn = 0;
constexpr std::string_view kAscending = "(asc)";
constexpr std::string_view kDescending = "(dsc)";
// The sort mark takes the place of the last five of a title's seven blanks.
constexpr std::size_t kMarkLength = 5;

// Name keys: the blanks that put folders before files.
constexpr std::size_t kFolderLead = 20;
// Number, quality and resolution keys: the width of the number part.
constexpr std::size_t kNumberWidth = 12;
constexpr std::uint64_t kLargestNumberKey = 999'999'999'999ULL;
// Quality and resolution keys: the characters of the unit in front.
constexpr std::size_t kUnitChars = 3;
// Date keys: days with ten decimals, zero-padded to this width.
constexpr std::size_t kDateKeyWidth = 20;
constexpr std::int64_t kDecimalScale = 10'000'000'000LL;
constexpr std::int64_t kSecondsPerDay = 86'400;
constexpr std::chrono::sys_days kDateZero{std::chrono::year{1899} / 12 / 30};

// Columns whose keys are not text keys.
enum DirectoryColumn : int {
    kDirName = 2,
    kDirSize = 3,
    kDirModified = 4,
    kDirCreated = 5,
    kDirResolution = 9,
    kDirQuality = 10,
    kDirChannels = 11,
    kDirYear = 12,
    kDirTrack = 13,
};
enum ResultColumn : int {
    kResCollection = 1,
    kResFolder = 3,
    kResName = 5,
    kResSize = 6,
    kResModified = 7,
    kResCreated = 8,
};

using KeyBuilder = TFPrincipal::ClaveOrden;

KeyBuilder DirectoryKey(int column) {
    switch (column) {
    case kDirName:
        return &TFPrincipal::GeneraClaveNombre;
    case kDirSize:
    case kDirChannels:
    case kDirYear:
    case kDirTrack:
        return &TFPrincipal::GeneraClaveTamano;
    case kDirModified:
    case kDirCreated:
        return &TFPrincipal::GeneraClaveFecha;
    case kDirResolution:
        return &TFPrincipal::GeneraClaveResolucion;
    case kDirQuality:
        return &TFPrincipal::GeneraClaveCalidad;
    default:
        return &TFPrincipal::GeneraClaveTexto;
    }
}

KeyBuilder ResultKey(int column) {
    switch (column) {
    case kResName:
        return &TFPrincipal::GeneraClaveNombre;
    case kResSize:
        return &TFPrincipal::GeneraClaveTamano;
    case kResModified:
    case kResCreated:
        return &TFPrincipal::GeneraClaveFecha;
    default:
        return &TFPrincipal::GeneraClaveTexto;
    }
}

// Writes makeKey(cell, key) of every data row's cell in `column` into column 0.
template <typename MakeKey> void WriteKeys(TStringGrid& grid, int column, MakeKey&& makeKey) {
    grid.CellView(column, 0); // a column outside the grid raises, even with no rows
    TStringGridUpdate update(grid);
    std::string key;
    for (int row = 1; row < grid.RowCount(); ++row) {
        key.clear();
        makeKey(grid.CellView(column, row), key);
        grid.SetCells(kKeyColumn, row, key);
    }
}

void TextKey(std::string_view cell, std::string& key) {
    key.assign(cell);
    PasaMayusculasSinTildes(key);
}

void AppendRightAligned(std::string& key, std::string_view text, std::size_t width) {
    const std::size_t chars = text::CharCount(text);
    if (chars < width) key.append(width - chars, ' ');
    key += text;
}

void BlanksToZeros(std::string& key) {
    for (char& c : key)
        if (c == ' ') c = '0';
}

// The leading ASCII digits of a text.
std::string_view LeadingDigits(std::string_view text) {
    std::size_t end = 0;
    while (end < text.size() && text[end] >= '0' && text[end] <= '9')
        ++end;
    return text.substr(0, end);
}

// Days since 30 December 1899 with the time of day as the fraction, in ten
// decimals. A date before that day (none a catalogue holds) counts as the day itself.
std::string DateKey(const DateTime& v) {
    using namespace std::chrono;
    const year_month_day date{year{v.year}, month{static_cast<unsigned>(v.month)},
                              day{static_cast<unsigned>(v.day)}};
    std::int64_t days = (sys_days{date} - kDateZero).count();
    const std::int64_t seconds = v.hour * 3600LL + v.minute * 60LL + v.second;
    std::int64_t fraction = (seconds * kDecimalScale + kSecondsPerDay / 2) / kSecondsPerDay;
    if (days < 0) days = fraction = 0;
    char text[48];
    std::snprintf(text, sizeof text, "%lld.%010lld", static_cast<long long>(days),
                  static_cast<long long>(fraction));
    std::string key(text);
    if (key.size() < kDateKeyWidth) key.insert(0, kDateKeyWidth - key.size(), '0');
    return key;
}

// The locale's day and month names, as QLocale writes them into dates.
TDateNames LocaleNames(const QLocale& locale) {
    TDateNames names;
    for (int m = 1; m <= 12; ++m) {
        names.shortMonths[static_cast<std::size_t>(m - 1)] =
            locale.monthName(m, QLocale::ShortFormat).toStdString();
        names.longMonths[static_cast<std::size_t>(m - 1)] =
            locale.monthName(m, QLocale::LongFormat).toStdString();
    }
    for (int d = 1; d <= 7; ++d) {
        names.shortDays[static_cast<std::size_t>(d - 1)] =
            locale.dayName(d, QLocale::ShortFormat).toStdString();
        names.longDays[static_cast<std::size_t>(d - 1)] =
            locale.dayName(d, QLocale::LongFormat).toStdString();
    }
    return names;
}

// The title without its mark (or the blanks that stand for one).
std::string WithoutMark(const std::string& title) {
    return title.substr(0, title.size() >= kMarkLength ? title.size() - kMarkLength : 0);
}

} // namespace

void TFPrincipal::GeneraClaveTexto(TStringGrid& grid, int column) const {
    WriteKeys(grid, column, TextKey);
}

void TFPrincipal::GeneraClaveNombre(TStringGrid& grid, int column) const {
    WriteKeys(grid, column, [](std::string_view cell, std::string& key) {
        TextKey(cell, key);
        if (cell.ends_with('\\')) key.insert(0, kFolderLead, ' ');
    });
}

void TFPrincipal::GeneraClaveTamano(TStringGrid& grid, int column) const {
    WriteKeys(grid, column, [](std::string_view cell, std::string& key) {
        if (cell.empty()) {
            key.push_back('0'); // before every number, "000000000000" included
            return;
        }
        // Sizes of 2 GiB and more are read whole: 64 bits, not 32.
        const std::string digits = StringManager().KeepDigits(cell);
        const std::size_t first = std::min(digits.find_first_not_of('0'), digits.size());
        std::uint64_t value = 0;
        if (digits.size() - first > kNumberWidth)
            value = kLargestNumberKey;
        else
            for (std::size_t i = first; i < digits.size(); ++i)
                value = value * 10 + static_cast<std::uint64_t>(digits[i] - '0');
        char text[24];
        std::snprintf(text, sizeof text, "%012llu", static_cast<unsigned long long>(value));
        key = text;
    });
}

void TFPrincipal::GeneraClaveFecha(TStringGrid& grid, int column) const {
    // The grids write dates with DateTimeFormat or DateFormat (by the time boxes);
    // a cell is read back by whichever of the two it follows.
    // Patterns with day or month names (the C locale's "d MMM yyyy") are read
    // with the locale's names; only a pattern this reader cannot follow at all
    // goes through QLocale, which is many times slower per cell.
    const QLocale locale = QLocale::system();
    const TDateNames names = LocaleNames(locale);
    const QString patterns[] = {QString(DateTimeFormat).remove(" t").remove('t'),
                                QString(DateFormat).remove(" t").remove('t')};
    const TDateFormat formats[] = {TDateFormat(DateTimeFormat.toStdString(), names),
                                   TDateFormat(DateFormat.toStdString(), names)};
    WriteKeys(grid, column, [&](std::string_view cell, std::string& key) {
        if (cell.empty()) return;
        for (int i = 0; i < 2; ++i) {
            if (formats[i].Supported()) {
                if (const std::optional<DateTime> value = formats[i].Parse(cell)) {
                    key = DateKey(*value);
                    return;
                }
                continue;
            }
            // A pattern this reader cannot follow (a zone name): through the locale.
            const QDateTime value =
                locale.toDateTime(QString::fromStdString(text::AsUtf8(cell)), patterns[i]);
            if (value.isValid()) {
                const QDate d = value.date();
                const QTime t = value.time();
                key = DateKey({d.year(), d.month(), d.day(), t.hour(), t.minute(), t.second()});
                return;
            }
        }
    });
}

void TFPrincipal::GeneraClaveCalidad(TStringGrid& grid, int column) const {
    WriteKeys(grid, column, [](std::string_view cell, std::string& key) {
        if (cell.empty()) return;
        const std::string_view digits = LeadingDigits(cell);
        key = text::FirstChars(cell.substr(digits.size()), kUnitChars);
        AppendRightAligned(key, digits, kNumberWidth);
        BlanksToZeros(key);
    });
}

void TFPrincipal::GeneraClaveResolucion(TStringGrid& grid, int column) const {
    WriteKeys(grid, column, [](std::string_view cell, std::string& key) {
        if (cell.empty()) return;
        const std::size_t blank = cell.find(' ');
        if (blank != std::string_view::npos)
            key = text::FirstChars(cell.substr(blank + 1), kUnitChars);
        AppendRightAligned(key, cell.substr(0, blank), kNumberWidth);
        BlanksToZeros(key);
    });
}

bool TFPrincipal::EsClickTitulo(const TStringGrid& grid, const TGridMouseEvent& e,
                                bool fromWindow) const {
    return e.button != Qt::RightButton && e.row == 0 && e.col > kKeyColumn &&
           e.col < grid.ColCount() && (fromWindow || (e.x == MouseDownX && e.y == MouseDownY)) &&
           !BusyFlag;
}

void TFPrincipal::OrdenaColumna(TStringGrid& grid, int column, ClaveOrden keys,
                                const std::function<void()>& titles, QLabel* info) {
    const TBusyGuard busy(BusyFlag);
    // Panel 1 of the status bar and the info panel's text (if any) given back as they were.
    const QString statusText = SBPrincipal->Panels(1).Text();
    const QString infoText = info != nullptr ? info->text() : QString();
    const TScopeGuard kept([this, info, &statusText, &infoText] {
        SBPrincipal->Panels(1).SetText(statusText);
        if (info != nullptr) info->setText(infoText);
    });
    const std::string title = grid.Cells(column, 0);
    const bool descending = DameOrdenColumna(title) == kAscending;
    const std::string message = LeeTexto("M", descending ? "M_ORDENANDO_DSC" : "M_ORDENANDO_ASC");
    if (info != nullptr) {
        info->setText(QString::fromStdString(message));
        QCoreApplication::processEvents();
    }
    (this->*keys)(grid, column);
    titles();
    if (info == nullptr) {
        SBPrincipal->Panels(1).SetText(message + "...");
        QCoreApplication::processEvents();
    }
    if (descending)
        ReverseGridRows(grid);
    else
        SortGridByColumn(grid, kKeyColumn);
    grid.SetCells(column, 0,
                  WithoutMark(title) + std::string(descending ? kDescending : kAscending));
}

void TFPrincipal::SGDirectorioMouseUp(const QObject* sender, const TGridMouseEvent& event) {
    if (!EsClickTitulo(*SGDirectorio, event, sender == this)) return;
    // One data row (or the empty row of an empty listing) is not sorted.
    if (SGDirectorio->RowCount() <= 2) return;
    HeaderSortDone = true;
    OrdenaColumna(*SGDirectorio, event.col, DirectoryKey(event.col),
                  [this] { AsignaTitulosDirectorio(); });
    ActivaBotonesDirectorio(SGDirectorio->Row());
}

void TFPrincipal::SGResultadosMouseUp(const TGridMouseEvent& event) {
    if (!EsClickTitulo(*SGResultados, event, false)) return;
    if (ResultHits == 0) return; // the same "has results" test as the rest of the page
    OrdenaColumna(*SGResultados, event.col, ResultKey(event.col),
                  [this] { AsignaTitulosResultados(); });
    SGResultadosClick(); // the hit buttons for the row now at the current position
}

void TFPrincipal::OrdenaAutomatico() {
    // Items 1, 2 and 3: the name, size and modified-date columns.
    const int item = RGAutoSort->ItemIndex();
    if (item < 1 || item > 3) return;
    TGridMouseEvent click;
    click.button = Qt::LeftButton;
    click.col = item + 1;
    click.row = 0;
    click.x = CentroColumna(click.col);
    SGDirectorioMouseUp(this, click);
    if (CBAutoSortInvertir->Checked()) SGDirectorioMouseUp(this, click);
}

void TFPrincipal::ConnectSortHandlers() {
    SGDirectorio->OnMouseUp = [this](const TGridMouseEvent& e) {
        SGDirectorioMouseUp(SGDirectorio, e);
    };
    // The press on the result grid is the directory grid's: it only marks where the press was.
    SGResultados->OnMouseDown = [this](const TGridMouseEvent& e) {
        MouseDownX = e.x;
        MouseDownY = e.y;
        HeaderSortDone = false;
    };
    SGResultados->OnMouseUp = [this](const TGridMouseEvent& e) { SGResultadosMouseUp(e); };
}

} // namespace sorvane
