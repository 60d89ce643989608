// The main window's search page: its controls, the checks of the criteria in
// their fixed order with one message per failure, and the run of the search
// walk (mainwindow/SearchEngine.h) with its progress, stop and result grid.
#include "catalogue/format/FormatError.h"
#include "catalogue/format/PathText.h"
#include "catalogue/format/StringManager.h"
#include "catalogue/format/TextUtils.h"
#include "dialogs/Language.h"
#include "mainwindow/ButtonIcons.h"
#include "mainwindow/TFErrores.h"
#include "mainwindow/TFPrincipal.h"
#include "platform/Clock.h"
#include "platform/Text.h"
#include "ui/BusyGuard.h"
#include "ui/CheckBox.h"
#include "ui/RadioGroup.h"
#include "ui/ScopeGuard.h"
#include "ui/SlotBarrier.h"
#include "ui/StatusBar.h"
#include "ui/StringGrid.h"

#include <QApplication>
#include <QDateTime>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QSpinBox>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QTabWidget>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>

namespace sorvane {
namespace {

constexpr std::int64_t kLargestSize = 9'999'999'999LL;

QString Q(std::string_view utf8) {
    return QString::fromStdString(text::AsUtf8(utf8));
}

std::string Trimmed(const QLineEdit* edit) {
    return edit->text().trimmed().toStdString();
}

// Trims the text of an edit and writes it back.
void TrimBack(QLineEdit* edit) {
    const QString trimmed = edit->text().trimmed();
    if (trimmed != edit->text()) edit->setText(trimmed);
}

// The page's run of the search walk: rows go to the grid, progress to the
// status bar, errors to the error list.
class PageObserver : public SearchObserver {
public:
    explicit PageObserver(TFPrincipal& window) : window_(window) {}

    bool StopRequested() override { return window_.StopFlag; }
    void Progress(std::uint64_t lines, std::uint64_t hits) override {
        window_.MuestraProgresoBusqueda(lines, hits);
    }
    void Hit(const SearchRow& row, SearchHitKind kind) override {
        ++rows_;
        if (rows_ > 1) window_.SGResultados->SetRowCount(rows_ + 1);
        window_.AnadeExito(rows_, row, kind);
        window_.ResultHits = static_cast<std::uint64_t>(rows_);
    }
    void Error(const std::string& line) override { FErrores->Agrega(line); }
    // The stop button stays live while the walk waits for its worker threads.
    void Waiting() override { QCoreApplication::processEvents(); }

private:
    TFPrincipal& window_;
    int rows_ = 0;
};

} // namespace

void TFPrincipal::ConnectSearchHandlers() {
    connect(BBuscar, &QPushButton::clicked, this, [this] { Guarded([this] { BBuscarClick(); }); });
    connect(EBuscar, &QLineEdit::returnPressed, this,
            [this] { Guarded([this] { BBuscarClick(); }); });
    connect(EBuscar2, &QLineEdit::returnPressed, this,
            [this] { Guarded([this] { BBuscarClick(); }); });
    connect(BParar, &QPushButton::clicked, this, [this] { Guarded([this] { BPararClick(); }); });
    ConnectSearchPageHandlers();
}

void TFPrincipal::AsignaTitulosResultados() {
    for (int col = 1; col <= 17; ++col)
        SGResultados->SetCells(col, 0, LeeTextoCapital("W", kTitulosResultados[col]) + "       ");
    for (int col : {0, 18, 19, 20, 21})
        SGResultados->SetColWidths(col, 0);
}

void TFPrincipal::AnadeExito(int row, const SearchRow& cells, SearchHitKind kind) {
    std::string_view views[kResultColumns];
    for (int col = 0; col < kResultColumns; ++col)
        views[col] = cells[static_cast<std::size_t>(col)];
    SGResultados->SetRowCells(row, std::span<const std::string_view>(views, kResultColumns));
    SGResultados->SetRowTag(row, static_cast<int>(kind));
}

void TFPrincipal::MuestraProgresoBusqueda(std::uint64_t linesVisited, std::uint64_t hits) {
    PBPrincipal->setValue(
        static_cast<int>(std::min<std::uint64_t>(linesVisited, PBPrincipal->maximum())));
    // A tree without lines has no share to show.
    const double percent =
        searchProgressMax_ > 0
            ? 100.0 / static_cast<double>(searchProgressMax_) * static_cast<double>(linesVisited)
            : 0.0;
    char share[32];
    std::snprintf(share, sizeof share, "%-5.2f", percent);
    SBPrincipal->Panels(1).SetText(FormatThousands(static_cast<std::int64_t>(hits)) + " " +
                                   LeeTexto("M", "M_BUSCANDO") + " " + share + "%");
    QCoreApplication::processEvents();
}

std::optional<DateTime> TFPrincipal::LeeFecha(const QString& typed, bool endOfDay) const {
    const QString text = typed.trimmed();
    if (text.isEmpty()) return std::nullopt;
    const QLocale locale = QLocale::system();
    const QString shortFormat = locale.dateFormat(QLocale::ShortFormat);
    QStringList dateFormats = {shortFormat};
    if (shortFormat.contains("yyyy"))
        dateFormats << QString(shortFormat).replace("yyyy", "yy");
    else if (shortFormat.contains("yy"))
        dateFormats << QString(shortFormat).replace("yy", "yyyy");
    dateFormats << "yyyy-MM-dd";
    const QStringList timeFormats = {QString(), " H:mm", " H:mm:ss",
                                     " " + locale.timeFormat(QLocale::ShortFormat),
                                     " " + locale.timeFormat(QLocale::LongFormat)};
    for (const QString& dateFormat : dateFormats) {
        for (const QString& timeFormat : timeFormats) {
            const QDateTime value = locale.toDateTime(text, dateFormat + timeFormat);
            if (!value.isValid()) continue;
            const QDate date = value.date();
            const QTime time = value.time();
            DateTime result{date.year(), date.month(),  date.day(),
                            time.hour(), time.minute(), time.second()};
            // A two-digit year names a year of the catalogues' era, 1980 to 2079.
            if (!dateFormat.contains("yyyy") && result.year < 1980) result.year += 100;
            if (timeFormat.isEmpty() && endOfDay) {
                result.hour = 23;
                result.minute = 59;
                result.second = 59;
            }
            return result;
        }
    }
    return std::nullopt;
}

namespace {

// Shows `message` on the main window, puts the focus on `focus` when there is
// one, and is false: a criterion the search cannot take.
bool Falla(TFPrincipal& w, const std::string& message, QWidget* focus = nullptr) {
    w.MuestraMensaje(message);
    if (focus) focus->setFocus();
    return false;
}

} // namespace

std::optional<SearchCriteria> TFPrincipal::LeeCriterios() {
    SearchCriteria c;
    LeeOpciones(c);
    if (!LeeFechasYTamanos(c) || !LeeTextos(c) || !LeeRangosMultimedia(c)) return std::nullopt;

    // Steps 13 to 15.
    const auto refuse = [this](const std::string& message) {
        Falla(*this, message);
        return std::nullopt;
    };
    if (!c.AnyCriterion()) return refuse(LeeTexto("M", "M_BUSCAR_SINCRITERIO"));
    if (c.mode == SearchMode::Fuzzy && text::CharCount(c.text1) == 1)
        return refuse(LeeTexto("M", "M_BUSCAR_DIFUSA1"));
    if (c.attributes && c.attributes->empty())
        return refuse(LeeTexto("M", "M_BUSCAR_SINATRIBUTOS"));
    return c;
}

// Steps 2 and 3 of the criteria: the texts trimmed, the choices.
void TFPrincipal::LeeOpciones(SearchCriteria& c) {
    // Step 2: the texts are trimmed and written back; dates, sizes and the extension are not.
    for (QLineEdit* e : {EBuscar, EBuscar2, EDuracionIni, EduracionFin, EPaginasIni, EPaginasFin,
                         EAnchoMin, EAnchoMax, EAltoMin, EAltoMax, EFrecMin, EFrecMax, ECalidadMin,
                         ECalidadMax, EAnoMin, EAnoMax, EGenero, ETrackMin, ETrackMax})
        TrimBack(e);

    // Step 3: the choices.
    c.mode = RBComodin->isChecked()     ? SearchMode::Wildcard
             : RBComodines->isChecked() ? SearchMode::ExtendedWildcard
             : RBDifusa->isChecked()    ? SearchMode::Fuzzy
                                        : SearchMode::Substring;
    c.wholeWord = !CBParte->Checked();
    c.andMode = RBAnd->isChecked();
    const bool upper = CBMayusculas->Checked(), accents = CBTildes->Checked();
    c.fold = upper && accents ? FoldMode::UpperNoAccents
             : upper          ? FoldMode::Upper
             : accents        ? FoldMode::NoAccents
                              : FoldMode::AsTyped;
    c.where = static_cast<SearchWhere>(std::clamp(GBDonde->ItemIndex(), 0, 2));
    c.what = static_cast<SearchWhat>(std::clamp(GBCuales->ItemIndex(), 0, 4));
    c.nested = CBAnidados->isEnabled() && CBAnidados->Checked();
    c.nestedByPath = CBAnidadosBuscarPath->Checked();
}

// Steps 4 to 7: the dates and sizes, then their order.
bool TFPrincipal::LeeFechasYTamanos(SearchCriteria& c) {
    // Step 4: dates. One before 1980 is refused with its own message first, then as a bad date.
    struct DateEdit {
        QLineEdit* edit;
        std::optional<DateTime>& value;
        bool to;
    };
    const DateEdit dates[] = {{EInicial, c.modified.min, false},
                              {EFinal, c.modified.max, true},
                              {EInicialCre, c.created.min, false},
                              {EFinalCre, c.created.max, true}};
    for (const DateEdit& d : dates) {
        if (d.edit->text().isEmpty()) continue;
        std::optional<DateTime> value = LeeFecha(d.edit->text(), d.to);
        if (value && *value < kDosEpoch) {
            MuestraMensaje(LeeTexto("M", "M_FECHA_PEQUENA"));
            d.edit->clear();
            value.reset();
        }
        if (!value)
            return Falla(*this,
                         d.to ? LeeTexto("M", "M_FECHAF_MALA") : LeeTexto("M", "M_FECHAI_MALA"),
                         d.edit);
        d.value = value;
    }

    // Steps 5 and 6: sizes.
    const auto size = [](const QLineEdit* edit) -> std::optional<std::uint64_t> {
        try {
            const std::int64_t value = ParseInteger(edit->text().toStdString());
            if (value < 0 || value > kLargestSize) return std::nullopt;
            return static_cast<std::uint64_t>(value);
        } catch (const EConvertError&) {
            return std::nullopt;
        }
    };
    if (!CBMin->text().trimmed().isEmpty()) {
        c.size.min = size(CBMin);
        if (!c.size.min) return Falla(*this, LeeTexto("M", "M_TAMANOI_MALO"), CBMin);
    }
    if (!CBMax->text().isEmpty()) {
        c.size.max = size(CBMax);
        if (!c.size.max) return Falla(*this, LeeTexto("M", "M_TAMANOF_MALO"), CBMax);
    }
    if (c.size.min && c.size.max && *c.size.min != 0 && *c.size.max != 0 &&
        *c.size.min > *c.size.max)
        return Falla(*this, LeeTexto("M", "M_TAMANOF_MALO"), CBMax);

    // Step 7: date order.
    if (c.modified.min && c.modified.max && *c.modified.max < *c.modified.min)
        return Falla(*this, LeeTexto("M", "M_FECHA_MALA"), EFinal);
    if (c.created.min && c.created.max && *c.created.max < *c.created.min)
        return Falla(*this, LeeTexto("M", "M_FECHA_MALA"), EFinalCre);
    return true;
}

// Steps 8 to 10: the extension, the attribute letters, the texts.
bool TFPrincipal::LeeTextos(SearchCriteria& c) {
    // Step 8: the extension, in the normal form of the file side.
    if (c.what == SearchWhat::FilesWithExtension) {
        std::string extension = Trimmed(EExtension);
        if (extension.empty()) return Falla(*this, LeeTexto("M", "M_BUSCAR_SINEXTENSION"));
        c.extension = Fold(extension, FoldMode::UpperNoAccents);
    }

    // Step 9: attribute letters, in this order.
    if (CBAtributos->Checked()) {
        std::string letters;
        const std::pair<TCheckBox*, char> boxes[] = {
            {CBAnidadosAttr, '@'}, {CBMultimediaAttr, '#'}, {CBSistema, 'S'},    {CBOculto, 'H'},
            {CBArchivo, 'A'},      {CBLectura, 'R'},        {CBComprimido, 'C'}, {CBOffLine, 'O'}};
        for (const auto& [box, letter] : boxes)
            if (box->Checked()) letters.push_back(letter);
        c.attributes = letters;
    }

    // Step 10: the texts, and the approximate matchers' patterns.
    const std::string typed1 = EBuscar->text().toStdString(),
                      typed2 = EBuscar2->text().toStdString();
    if (typed1.empty() && !typed2.empty())
        return Falla(*this, LeeTexto("M", "M_BUSCAR_BOLEANA_VACIA1"));
    if (!typed1.empty()) {
        c.text1 = Fold(typed1, c.fold);
        if (c.mode == SearchMode::Fuzzy) {
            FuzzySearch1.SetPattern(c.text1);
            FuzzySearch1.MaxErrors = ENumErrores->value();
        }
    }
    if (!typed2.empty()) {
        c.text2 = Fold(typed2, c.fold);
        if (c.mode == SearchMode::Fuzzy) {
            FuzzySearch2.SetPattern(c.text2);
            FuzzySearch2.MaxErrors = ENumErrores->value();
        }
    }
    return true;
}

// Steps 11 and 12: the media ranges, channels and genre.
bool TFPrincipal::LeeRangosMultimedia(SearchCriteria& c) {
    // Step 11: media ranges, minimum then maximum of each pair, then their order.
    struct Pair {
        QLineEdit *min, *max;
        SearchBounds<std::int64_t>& bounds;
        bool duration;
        std::string badMin, badMax, order;
    };
    const Pair pairs[] = {
        {EDuracionIni, EduracionFin, c.duration, true, LeeTexto("M", "M_DURACION_MINBAD"),
         LeeTexto("M", "M_DURACION_MAXBAD"), LeeTexto("M", "M_DURACION_MAXMIN")},
        {EPaginasIni, EPaginasFin, c.pages, false, LeeTexto("M", "M_PAGINAS_MINBAD"),
         LeeTexto("M", "M_PAGINAS_MAXBAD"), LeeTexto("M", "M_PAGINAS_MAXMIN")},
        {EAnchoMin, EAnchoMax, c.width, false, LeeTexto("M", "M_RESOLUCION_MINBAD"),
         LeeTexto("M", "M_RESOLUCION_MAXBAD"), LeeTexto("M", "M_RESOLUCION_MAXMIN")},
        {EAltoMin, EAltoMax, c.height, false, LeeTexto("M", "M_RESOLUCION_MINBAD"),
         LeeTexto("M", "M_RESOLUCION_MAXBAD"), LeeTexto("M", "M_RESOLUCION_MAXMIN")},
        {EFrecMin, EFrecMax, c.sampleRate, false, LeeTexto("M", "M_RESOLUCION_MINBAD"),
         LeeTexto("M", "M_RESOLUCION_MAXBAD"), LeeTexto("M", "M_RESOLUCION_MAXMIN")},
        {ECalidadMin, ECalidadMax, c.quality, false, LeeTexto("M", "M_CALIDAD_MINBAD"),
         LeeTexto("M", "M_CALIDAD_MAXBAD"), LeeTexto("M", "M_CALIDAD_MAXMIN")},
        {EAnoMin, EAnoMax, c.year, false, LeeTexto("M", "M_ANO_MINBAD"),
         LeeTexto("M", "M_ANO_MAXBAD"), LeeTexto("M", "M_ANO_MAXMIN")},
        {ETrackMin, ETrackMax, c.track, false, LeeTexto("M", "M_PISTA_MINBAD"),
         LeeTexto("M", "M_PISTA_MAXBAD"), LeeTexto("M", "M_PISTA_MAXMIN")},
    };
    const auto number = [](const QLineEdit* edit, bool duration) -> std::optional<std::int64_t> {
        try {
            const std::string text = edit->text().toStdString();
            const std::int64_t value = duration ? DurationToSeconds(text) : ParseInteger(text);
            if (value < 0) return std::nullopt;
            return value;
        } catch (const EConvertError&) {
            return std::nullopt;
        }
    };
    for (const Pair& p : pairs) {
        if (!p.min->text().isEmpty()) {
            p.bounds.min = number(p.min, p.duration);
            if (!p.bounds.min) return Falla(*this, p.badMin, p.min);
        }
        if (!p.max->text().isEmpty()) {
            p.bounds.max = number(p.max, p.duration);
            if (!p.bounds.max) return Falla(*this, p.badMax, p.max);
        }
        if (p.bounds.min && p.bounds.max && *p.bounds.max > 0 && *p.bounds.max < *p.bounds.min)
            return Falla(*this, p.order);
    }
    c.channels = CBCanales1->Checked() ? 1 : CBcanales2->Checked() ? 2 : 0;
    if (!EGenero->text().isEmpty()) {
        c.genre = Fold(StringManager().MakeUpper(EGenero->text().toStdString()),
                       FoldMode::UpperNoAccents);
    }
    return true;
}

std::vector<SearchNode> TFPrincipal::NodosBusqueda() const {
    QTreeWidgetItem* selected = Arbol->currentItem();
    const bool onlyCatalogue = CBSoloCat->Checked() && selected != nullptr;
    const bool onlyCollection = CBSoloCol->Checked() && selected != nullptr;
    const QString selectedText = selected ? selected->text(0) : QString();
    std::vector<SearchNode> nodes;
    // From the selected collection on when the search keeps to it; folder nodes are never searched.
    for (QTreeWidgetItemIterator it = onlyCollection ? QTreeWidgetItemIterator(selected)
                                                     : QTreeWidgetItemIterator(Arbol);
         *it; ++it) {
        TNodoArbol* node = AsNodo(*it);
        const NodeKind kind = node->Kind();
        if (kind != NodeKind::Collection && kind != NodeKind::Catalogue) continue;
        SearchNode n;
        n.kind =
            kind == NodeKind::Collection ? SearchNodeKind::Collection : SearchNodeKind::Catalogue;
        n.text = node->text(0).toStdString();
        n.path = GetNodePath(node);
        n.inScope = (!onlyCatalogue || node->text(0) == selectedText) &&
                    (!onlyCollection || EsDescendiente(selected, node));
        n.lines = node->Lines();
        nodes.push_back(std::move(n));
    }
    return nodes;
}

void TFPrincipal::BBuscarClick() {
    // Step 1.
    if (BusyFlag || Arbol->topLevelItemCount() == 0) return;
    const std::optional<SearchCriteria> criteria = LeeCriterios();
    if (!criteria) return;

    // Step 17: the page is given over to the run, and given back however it ends.
    SGResultados->SetRowCount(2);
    SGResultados->ClearRow(1);
    ResultHits = 0;
    SGResultadosClick(); // no hit buttons while the run fills the grid
    AsignaTitulosResultados();
    std::uint64_t hits = 0;
    const std::vector<QWidget*> criteriaControls = {
        BBuscar,      CBAvanzada, SBCopiar,       GBAtributos, GBModificado, GBCreado,
        GBTamano,     GBDonde,    GBCuales,       GBTipo,      EBuscar,      RBAnd,
        RBOr,         EBuscar2,   GBLimitaciones, GBopciones,  GBDuracion,   GBCanales,
        GBResolucion, GBCalidad,  GBAno,          GBGenero,    GBPista};
    BusyFlag = true;
    for (QWidget* control : criteriaControls)
        control->setEnabled(false);
    BParar->setEnabled(true);
    SGResultados->BeginUpdate();
    const TScopeGuard givenBack([this, &criteriaControls] {
        BusyFlag = false;
        SGResultados->EndUpdate();
        SGResultados->update();
        for (QWidget* control : criteriaControls)
            control->setEnabled(true);
        BParar->setEnabled(false);
        AniCd->hide();
        SGResultadosClick(); // SBCopiar and the hit buttons by the hits and the current row
    });

    StopFlag = false;
    QTreeWidgetItem* selected = Arbol->currentItem();
    long long maximum = TotalEntryCount;
    if (CBSoloCat->Checked() && EsCatalogo(selected) && AsNodo(selected)->Lines())
        maximum = static_cast<long long>(AsNodo(selected)->Lines()->Count()) - 2;
    searchProgressMax_ = maximum;
    PBPrincipal->setRange(1, static_cast<int>(std::clamp<long long>(maximum, 1, INT_MAX)));
    PBPrincipal->setValue(1);
    FErrores->Limpia();
    repaint();
    QCoreApplication::processEvents();
    OperationStartTime = MonotonicMilliseconds();
    // Our own busy animation stands for the animation file.
    CentraAnimacion();
    AniCd->raise();
    AniCd->setVisible(CBAniBuscar->Checked());

    // Steps 18 to 25.
    SearchRequest request;
    request.nodes = NodosBusqueda();
    request.criteria = *criteria;
    request.fuzzy1 = &FuzzySearch1;
    request.fuzzy2 = &FuzzySearch2;
    request.formatDate = [this](const DateTime& value) { return TextoFechaUtf8(value, true); };
    PageObserver observer(*this);
    const SearchResult result = RunSearch(request, observer);
    hits = result.hits;
    if (result.hitLimit) MuestraMensaje(LeeTexto("M", "M_DEMASIADOS_EXITOS"));

    // Step 26.
    OperationEndTime = MonotonicMilliseconds();
    if (StopFlag) {
        SBPrincipal->Panels(1).SetText(LeeTexto("M", "M_BUSCAR_STOP_USUARIO"));
    } else {
        // A run shorter than the clock's step counts as one millisecond.
        const std::uint64_t elapsed =
            std::max<std::uint64_t>(1, OperationEndTime - OperationStartTime);
        const double rate = static_cast<double>(result.linesVisited + result.nestedVisited) *
                            1000.0 / static_cast<double>(elapsed);
        SBPrincipal->Panels(1).SetText(
            LeeTexto("M", "M_FIN_BUSCAR") + " " +
            FormatThousands(static_cast<std::int64_t>(std::llround(rate))) + " i/s. " +
            CapitalizeFirst(LeeTexto("W", "EXITOS")) + " " +
            FormatThousands(static_cast<std::int64_t>(hits)));
    }
    PBPrincipal->setValue(PBPrincipal->maximum());
    FErrores->MuestraSiHayErrores(TituloAplicacion() + Q(LeeTexto("M", "M_TITULO_FERRORES")));
}

} // namespace sorvane
