// The main window's search page: its controls, the checks of the criteria in
// their fixed order with one message per failure, and the run of the search
// walk (mainwindow/SearchEngine.h) with its progress, stop and result grid.
#include "catalogue/format/FormatError.h"
#include "catalogue/format/PathText.h"
#include "catalogue/format/StringManager.h"
#include "catalogue/format/TextUtils.h"
#include "dialogs/Language.h"
#include "mainwindow/TFErrores.h"
#include "mainwindow/TFPrincipal.h"
#include "platform/Clock.h"
#include "platform/Text.h"
#include "ui/BusyGuard.h"
#include "ui/CheckBox.h"
#include "ui/RadioGroup.h"
#include "ui/SlotBarrier.h"
#include "ui/StatusBar.h"
#include "ui/StringGrid.h"

#include <QApplication>
#include <QDateTime>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
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

constexpr int kMaxTextChars = 256;
constexpr int kMaxSizeChars = 10;
constexpr int kMaxExtensionChars = 32;
constexpr std::int64_t kLargestSize = 9'999'999'999LL;
constexpr int kDefaultResultWidth = 150;

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
    void Hit(const SearchRow& row) override {
        ++rows_;
        if (rows_ > 1) window_.SGResultados->SetRowCount(rows_ + 1);
        window_.AnadeExito(rows_, row);
    }
    void Error(const std::string& line) override { FErrores->Agrega(line); }

private:
    TFPrincipal& window_;
    int rows_ = 0;
};

} // namespace

void TFPrincipal::BuildSearchPage() {
    TSBuscar = new QWidget;
    TSBuscar->setObjectName("TSBuscar");
    auto* page = new QVBoxLayout(TSBuscar);

    const auto edit = [](const char* name, QWidget* parent, int maxLength = 0) {
        auto* e = new QLineEdit(parent);
        e->setObjectName(name);
        if (maxLength > 0) e->setMaxLength(maxLength);
        if (parent->layout()) parent->layout()->addWidget(e);
        return e;
    };
    const auto check = [](const char* name, QWidget* parent, bool checked = false) {
        auto* box = new TCheckBox(QString(), parent);
        box->setObjectName(name);
        box->SetChecked(checked);
        if (parent->layout()) parent->layout()->addWidget(box);
        return box;
    };
    const auto radio = [](const char* name, QWidget* parent) {
        auto* button = new QRadioButton(parent);
        button->setObjectName(name);
        if (parent->layout()) parent->layout()->addWidget(button);
        return button;
    };
    const auto group = [](const char* name, QWidget* parent) {
        auto* box = new QGroupBox(parent);
        box->setObjectName(name);
        box->setLayout(new QHBoxLayout);
        return box;
    };

    // The texts, the buttons and the busy animation.
    auto* simple = new QWidget(TSBuscar);
    simple->setObjectName("PBuscarSencillo");
    simple->setLayout(new QHBoxLayout);
    simple->layout()->setContentsMargins(0, 0, 0, 0);
    EBuscar = edit("EBuscar", simple, kMaxTextChars);
    RBAnd = radio("RBAnd", simple);
    RBAnd->setChecked(true);
    RBOr = radio("RBOr", simple);
    EBuscar2 = edit("EBuscar2", simple, kMaxTextChars);
    BBuscar = new QPushButton(simple);
    BBuscar->setObjectName("BBuscar");
    BBuscar->setEnabled(false);
    simple->layout()->addWidget(BBuscar);
    BParar = new QPushButton(simple);
    BParar->setObjectName("BParar");
    BParar->setEnabled(false);
    simple->layout()->addWidget(BParar);
    CBAvanzada = check("CBAvanzada", simple);
    SBCopiar = new QToolButton(simple);
    SBCopiar->setObjectName("SBCopiar");
    SBCopiar->setEnabled(false);
    simple->layout()->addWidget(SBCopiar);
    AniCd = new QProgressBar(simple);
    AniCd->setObjectName("AniCd");
    AniCd->setRange(0, 0);
    AniCd->setTextVisible(false);
    AniCd->setMaximumWidth(80);
    AniCd->hide();
    simple->layout()->addWidget(AniCd);
    page->addWidget(simple);

    // The criteria, in a plain grid of groups.
    auto* data = new QWidget(TSBuscar);
    data->setObjectName("PBuscarDatos");
    auto* grid = new QGridLayout(data);
    grid->setContentsMargins(0, 0, 0, 0);

    GBAtributos = group("GBAtributos", data);
    CBAtributos = check("CBAtributos", GBAtributos);
    CBAnidadosAttr = check("CBAnidadosAttr", GBAtributos);
    CBMultimediaAttr = check("CBMultimediaAttr", GBAtributos);
    CBSistema = check("CBSistema", GBAtributos);
    CBOculto = check("CBOculto", GBAtributos);
    CBArchivo = check("CBArchivo", GBAtributos);
    CBLectura = check("CBLectura", GBAtributos);
    CBComprimido = check("CBComprimido", GBAtributos);
    CBOffLine = check("CBOffLine", GBAtributos);
    GBModificado = group("GBModificado", data);
    EInicial = edit("EInicial", GBModificado);
    EFinal = edit("EFinal", GBModificado);
    GBCreado = group("GBCreado", data);
    EInicialCre = edit("EInicialCre", GBCreado);
    EFinalCre = edit("EFinalCre", GBCreado);
    GBTamano = group("GBTamano", data);
    CBMin = edit("CBMin", GBTamano, kMaxSizeChars);
    CBMax = edit("CBMax", GBTamano, kMaxSizeChars);
    GBDonde = new TRadioGroup(QString(), data);
    GBDonde->setObjectName("GBDonde");
    GBDonde->SetItems({"Both", "Description", "Name"});
    GBDonde->SetItemIndex(0);
    GBCuales = new TRadioGroup(QString(), data);
    GBCuales->setObjectName("GBCuales");
    GBCuales->SetItems({"Everything", "Files and folders", "Files", "Extension", "Folders"});
    GBCuales->SetItemIndex(0);
    EExtension = edit("EExtension", data, kMaxExtensionChars);
    EExtension->setText("MP3");
    GBTipo = group("GBTipo", data);
    RBNormal = radio("RBNormal", GBTipo);
    RBNormal->setChecked(true);
    RBComodin = radio("RBComodin", GBTipo);
    RBComodines = radio("RBComodines", GBTipo);
    RBDifusa = radio("RBDifusa", GBTipo);
    ENumErrores = new QSpinBox(GBTipo);
    ENumErrores->setObjectName("ENumErrores");
    ENumErrores->setRange(0, kMaxTextChars);
    ENumErrores->setValue(1);
    ENumErrores->setEnabled(false);
    GBTipo->layout()->addWidget(ENumErrores);
    GBLimitaciones = group("GBLimitaciones", data);
    CBAnidados = check("CBAnidados", GBLimitaciones, true);
    CBSoloCat = check("CBSoloCat", GBLimitaciones);
    CBSoloCol = check("CBSoloCol", GBLimitaciones);
    GBopciones = group("GBopciones", data);
    CBMayusculas = check("CBMayusculas", GBopciones, true);
    CBTildes = check("CBTildes", GBopciones, true);
    CBParte = check("CBParte", GBopciones, true);

    GBDuracion = group("GBDuracion", data);
    EDuracionIni = edit("EDuracionIni", GBDuracion);
    EduracionFin = edit("EduracionFin", GBDuracion);
    EPaginasIni = edit("EPaginasIni", GBDuracion);
    EPaginasFin = edit("EPaginasFin", GBDuracion);
    GBResolucion = group("GBResolucion", data);
    EAnchoMin = edit("EAnchoMin", GBResolucion);
    EAnchoMax = edit("EAnchoMax", GBResolucion);
    EAltoMin = edit("EAltoMin", GBResolucion);
    EAltoMax = edit("EAltoMax", GBResolucion);
    EFrecMin = edit("EFrecMin", GBResolucion);
    EFrecMax = edit("EFrecMax", GBResolucion);
    GBCalidad = group("GBCalidad", data);
    ECalidadMin = edit("ECalidadMin", GBCalidad);
    ECalidadMax = edit("ECalidadMax", GBCalidad);
    GBCanales = group("GBCanales", data);
    CBCanales1 = check("CBCanales1", GBCanales);
    CBcanales2 = check("CBcanales2", GBCanales);
    GBAno = group("GBAno", data);
    EAnoMin = edit("EAnoMin", GBAno);
    EAnoMax = edit("EAnoMax", GBAno);
    GBGenero = group("GBGenero", data);
    EGenero = edit("EGenero", GBGenero);
    GBPista = group("GBPista", data);
    ETrackMin = edit("ETrackMin", GBPista);
    ETrackMax = edit("ETrackMax", GBPista);

    QWidget* const rows[][5] = {
        {GBTipo, GBopciones, GBLimitaciones, GBDonde, GBCuales},
        {GBAtributos, GBModificado, GBCreado, GBTamano, EExtension},
        {GBDuracion, GBResolucion, GBCalidad, GBCanales, nullptr},
        {GBAno, GBGenero, GBPista, nullptr, nullptr},
    };
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 5; ++c)
            if (rows[r][c]) grid->addWidget(rows[r][c], r, c);
    page->addWidget(data);

    SGResultados = new TStringGrid(TSBuscar);
    SGResultados->setObjectName("SGResultados");
    SGResultados->SetColCount(kResultColumns);
    SGResultados->SetRowCount(2);
    SGResultados->SetDefaultColWidth(kDefaultResultWidth);
    page->addWidget(SGResultados, 1);
    PCMain->addTab(TSBuscar, "Search");
}

void TFPrincipal::ConnectSearchHandlers() {
    connect(BBuscar, &QPushButton::clicked, this, [this] { Guarded([this] { BBuscarClick(); }); });
    connect(EBuscar, &QLineEdit::returnPressed, this,
            [this] { Guarded([this] { BBuscarClick(); }); });
    connect(EBuscar2, &QLineEdit::returnPressed, this,
            [this] { Guarded([this] { BBuscarClick(); }); });
    connect(BParar, &QPushButton::clicked, this, [this] { Guarded([this] { BPararClick(); }); });
    // The whole-word option is for the substring mode, the error count for the fuzzy one.
    for (QRadioButton* mode : {RBNormal, RBComodin, RBComodines, RBDifusa})
        connect(mode, &QRadioButton::toggled, this, [this] {
            CBParte->setEnabled(RBNormal->isChecked());
            ENumErrores->setEnabled(RBDifusa->isChecked());
        });
    // Nested entries have no description, and no attribute "@" or "#".
    const auto nestedAllowed = [this] {
        CBAnidados->setEnabled(GBDonde->ItemIndex() != 1 && !CBAnidadosAttr->Checked() &&
                               !CBMultimediaAttr->Checked());
    };
    GBDonde->OnClick = nestedAllowed;
    CBAnidadosAttr->OnClick = nestedAllowed;
    CBMultimediaAttr->OnClick = nestedAllowed;
}

void TFPrincipal::AsignaTitulosResultados() {
    static constexpr const char* kTitles[] = {
        "COLECCION",  "CATALOGO", "CARPETA",   "DESC",      "NOMBRE",   "TAMANO",
        "MODIFICADO", "CREADO",   "ATRIBUTOS", "EXTENSION", "DURACION", "RESOLUCION",
        "CALIDAD",    "CANALES",  "ANO",       "PISTA",     "GENERO"};
    for (int col = 1; col <= 17; ++col)
        SGResultados->SetCells(col, 0, LeeTextoCapital("W", kTitles[col - 1]) + "       ");
    for (int col : {0, 18, 19, 20, 21})
        SGResultados->SetColWidths(col, 0);
}

void TFPrincipal::AnadeExito(int row, const SearchRow& cells) {
    std::string_view views[kResultColumns];
    for (int col = 0; col < kResultColumns; ++col)
        views[col] = cells[static_cast<std::size_t>(col)];
    SGResultados->SetRowCells(row, std::span<const std::string_view>(views, kResultColumns));
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

std::optional<SearchCriteria> TFPrincipal::LeeCriterios() {
    SearchCriteria c;
    const auto fail = [this](const std::string& message, QWidget* focus = nullptr) {
        MuestraMensaje(message);
        if (focus) focus->setFocus();
        return std::nullopt;
    };

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
            return fail(d.to ? LeeTexto("M", "M_FECHAF_MALA") : LeeTexto("M", "M_FECHAI_MALA"),
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
        if (!c.size.min) return fail(LeeTexto("M", "M_TAMANOI_MALO"), CBMin);
    }
    if (!CBMax->text().isEmpty()) {
        c.size.max = size(CBMax);
        if (!c.size.max) return fail(LeeTexto("M", "M_TAMANOF_MALO"), CBMax);
    }
    if (c.size.min && c.size.max && *c.size.min != 0 && *c.size.max != 0 &&
        *c.size.min > *c.size.max)
        return fail(LeeTexto("M", "M_TAMANOF_MALO"), CBMax);

    // Step 7: date order.
    if (c.modified.min && c.modified.max && *c.modified.max < *c.modified.min)
        return fail(LeeTexto("M", "M_FECHA_MALA"), EFinal);
    if (c.created.min && c.created.max && *c.created.max < *c.created.min)
        return fail(LeeTexto("M", "M_FECHA_MALA"), EFinalCre);

    // Step 8: the extension, in the normal form of the file side.
    if (c.what == SearchWhat::FilesWithExtension) {
        std::string extension = Trimmed(EExtension);
        if (extension.empty()) return fail(LeeTexto("M", "M_BUSCAR_SINEXTENSION"));
        PasaMayusculasSinTildes(extension);
        c.extension = extension;
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
    if (typed1.empty() && !typed2.empty()) return fail(LeeTexto("M", "M_BUSCAR_BOLEANA_VACIA1"));
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
            if (!p.bounds.min) return fail(p.badMin, p.min);
        }
        if (!p.max->text().isEmpty()) {
            p.bounds.max = number(p.max, p.duration);
            if (!p.bounds.max) return fail(p.badMax, p.max);
        }
        if (p.bounds.min && p.bounds.max && *p.bounds.max > 0 && *p.bounds.max < *p.bounds.min)
            return fail(p.order);
    }
    c.channels = CBCanales1->Checked() ? 1 : CBcanales2->Checked() ? 2 : 0;
    if (!EGenero->text().isEmpty()) {
        std::string genre = StringManager().MakeUpper(EGenero->text().toStdString());
        PasaMayusculasSinTildes(genre);
        c.genre = genre;
    }

    // Steps 13 to 15.
    if (!c.AnyCriterion()) return fail(LeeTexto("M", "M_BUSCAR_SINCRITERIO"));
    if (c.mode == SearchMode::Fuzzy && text::CharCount(c.text1) == 1)
        return fail(LeeTexto("M", "M_BUSCAR_DIFUSA1"));
    if (c.attributes && c.attributes->empty()) return fail(LeeTexto("M", "M_BUSCAR_SINATRIBUTOS"));
    return c;
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
    AsignaTitulosResultados();
    std::uint64_t hits = 0;
    const std::vector<QWidget*> criteriaControls = {
        BBuscar,      CBAvanzada, SBCopiar,       GBAtributos, GBModificado, GBCreado,
        GBTamano,     GBDonde,    GBCuales,       GBTipo,      EBuscar,      RBAnd,
        RBOr,         EBuscar2,   GBLimitaciones, GBopciones,  GBDuracion,   GBCanales,
        GBResolucion, GBCalidad,  GBAno,          GBGenero,    GBPista};
    struct PageGivenBack {
        TFPrincipal& w;
        const std::vector<QWidget*>& controls;
        const std::uint64_t& hits;
        ~PageGivenBack() {
            w.BusyFlag = false;
            w.SGResultados->EndUpdate();
            w.SGResultados->update();
            for (QWidget* control : controls)
                control->setEnabled(true);
            w.BParar->setEnabled(false);
            w.SBCopiar->setEnabled(hits > 0);
            w.AniCd->hide();
        }
    };
    BusyFlag = true;
    for (QWidget* control : criteriaControls)
        control->setEnabled(false);
    BParar->setEnabled(true);
    SGResultados->BeginUpdate();
    const PageGivenBack givenBack{*this, criteriaControls, hits};

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
