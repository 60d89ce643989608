// The search page around the search run: the option handlers and their
// enabling rules, the four layouts of the criteria, the result buttons that
// follow the current hit, the drawing of hits with their matched stretches,
// copying the results as tab-separated text and opening a hit on its disk.
#include "catalogue/format/Codes.h"
#include "catalogue/format/TextUtils.h"
#include "dialogs/Modal.h"
#include "mainwindow/HitStretches.h"
#include "mainwindow/TFPrincipal.h"
#include "platform/Files.h"
#include "platform/Locale.h"
#include "platform/Text.h"
#include "ui/BusyGuard.h"
#include "ui/CheckBox.h"
#include "ui/DisplayText.h"
#include "ui/RadioGroup.h"
#include "ui/SlotBarrier.h"
#include "ui/StringGrid.h"

#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QToolButton>
#include <QTreeWidget>

namespace sorvane {
namespace {

// Columns of the result grid read here.
constexpr int kColCollection = 1, kColCatalogue = 2, kColFolder = 3, kColDescription = 4,
              kColName = 5, kColSize = 6, kColModified = 7, kColCreated = 8, kColAttributes = 9,
              kColExtension = 10;
constexpr int kColRange1Description = 18, kColRange1Name = 19, kColRange2Description = 20,
              kColRange2Name = 21;
// Space between a cell's left edge and its text.
constexpr int kCellMargin = 2;
// The highlight colour of a hit (colour value 255).
const QColor kHitRed(255, 0, 0);

// Delphi's Trim: bytes up to the blank go at both ends.
std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && static_cast<unsigned char>(text.front()) <= ' ')
        text.remove_prefix(1);
    while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ')
        text.remove_suffix(1);
    return text;
}

QColor FromColorNumber(std::uint32_t value) {
    return QColor(static_cast<int>(value & 0xFF), static_cast<int>((value >> 8) & 0xFF),
                  static_cast<int>((value >> 16) & 0xFF));
}

} // namespace

void TFPrincipal::ConnectSearchPageHandlers() {
    // User edits only: a text trimmed or emptied by the page keeps the error count.
    connect(EBuscar, &QLineEdit::textEdited, this,
            [this] { Guarded([this] { EBuscarChange(); }); });
    connect(EBuscar2, &QLineEdit::textEdited, this,
            [this] { Guarded([this] { EBuscarChange(); }); });
    connect(EExtension, &QLineEdit::textChanged, this,
            [this] { Guarded([this] { EExtensionChange(); }); });
    GBDonde->OnClick = [this] { GBDondeClick(); };
    GBCuales->OnClick = [this] { GBCualesClick(); };
    CBAtributos->OnClick = [this] { CBAtributosClick(); };
    CBAnidadosAttr->OnClick = [this] { CBAnidadosAttrClick(); };
    CBMultimediaAttr->OnClick = [this] { CBMultimediaAttrClick(); };
    CBCanales1->OnClick = [this] { CBCanales1Click(); };
    CBcanales2->OnClick = [this] { CBcanales2Click(); };
    CBAvanzada->OnClick = [this] { CBAvanzadaClick(); };
    CBMultimedia->OnClick = [this] { CBAvanzadaClick(); };
    const std::pair<QRadioButton*, void (TFPrincipal::*)()> modes[] = {
        {RBNormal, &TFPrincipal::RBNormalClick},
        {RBComodin, &TFPrincipal::RBComodinClick},
        {RBComodines, &TFPrincipal::RBComodinesClick},
        {RBDifusa, &TFPrincipal::RBDifusaClick}};
    for (const auto& mode : modes) {
        const auto handler = mode.second;
        connect(mode.first, &QRadioButton::toggled, this, [this, handler](bool on) {
            if (on) Guarded([this, handler] { (this->*handler)(); });
        });
    }
    connect(SBCopiar, &QToolButton::clicked, this, [this] { Guarded([this] { BCopiarClick(); }); });
    for (QToolButton* button : {SBAbreExitoNotepad, SBAbreExitoSistema, SBAbreExitoCon,
                                SBEncolarExitoWinamp, SBExplorarExito})
        connect(button, &QToolButton::clicked, this,
                [this, button] { Guarded([this, button] { SBAbreExitoNotepadClick(button); }); });
    SGResultados->OnSelectCell = [this](int, int) {
        if (!BusyFlag) SGResultadosClick();
    };
    SGResultados->OnDblClick = [this](const TGridMouseEvent& e) {
        if (e.row >= 1 && !BusyFlag) SGResultadosDblClick();
    };
    SGResultados->OnDrawCell = [this](int col, int row, QPainter& painter, const QRect& rect,
                                      bool focused) {
        return SGResultadosDrawCell(col, row, painter, rect, focused);
    };

    // The page as the defaults leave it.
    CBAtributosClick();
    GBCualesClick();
    RBNormalClick();
    CBAvanzadaClick();
    SGResultadosClick();
}

// ---- Option handlers --------------------------------------------------------

void TFPrincipal::EBuscarChange() {
    // The error count of the approximate search stays below the length of text 1.
    const int length = static_cast<int>(text::CharCount(EngineText(EBuscar->text())));
    ENumErrores->setMaximum(length < 2 ? 1 : length - 1);
    ENumErrores->setValue(1);
}

void TFPrincipal::GBDondeClick() {
    CBAnidados->setEnabled(GBDonde->ItemIndex() != 1);
}

void TFPrincipal::GBCualesClick() {
    EExtension->setEnabled(GBCuales->ItemIndex() == 3);
}

void TFPrincipal::EExtensionChange() {
    if (!EExtension->text().trimmed().isEmpty()) GBCuales->SetItemIndex(3);
}

void TFPrincipal::CBAtributosClick() {
    for (TCheckBox* box : {CBAnidadosAttr, CBMultimediaAttr, CBArchivo, CBLectura, CBOculto,
                           CBSistema, CBComprimido, CBOffLine})
        box->setEnabled(CBAtributos->Checked());
}

void TFPrincipal::RBNormalClick() {
    RBNormal->setChecked(true);
    CBParte->setEnabled(true);
    ENumErrores->setEnabled(false);
}

void TFPrincipal::RBComodinClick() {
    RBComodin->setChecked(true);
    CBParte->setEnabled(false);
    ENumErrores->setEnabled(false);
}

void TFPrincipal::RBComodinesClick() {
    RBComodines->setChecked(true);
    CBParte->setEnabled(false);
    ENumErrores->setEnabled(false);
}

void TFPrincipal::RBDifusaClick() {
    RBDifusa->setChecked(true);
    CBParte->setEnabled(false);
    ENumErrores->setEnabled(true);
}

// Nested entries have no attribute "@" or "#", so asking for one keeps them out;
// of the two boxes the one clicked last stays checked.
void TFPrincipal::CBAnidadosAttrClick() {
    CBAnidados->setEnabled(!CBAnidadosAttr->Checked() && !CBMultimediaAttr->Checked());
    if (CBAnidadosAttr->Checked() && CBMultimediaAttr->Checked())
        CBMultimediaAttr->SetChecked(false);
}

void TFPrincipal::CBMultimediaAttrClick() {
    CBAnidados->setEnabled(!CBAnidadosAttr->Checked() && !CBMultimediaAttr->Checked());
    if (CBAnidadosAttr->Checked() && CBMultimediaAttr->Checked()) CBAnidadosAttr->SetChecked(false);
}

void TFPrincipal::CBCanales1Click() {
    if (CBCanales1->Checked()) CBcanales2->SetChecked(false);
}

void TFPrincipal::CBcanales2Click() {
    if (CBcanales2->Checked()) CBCanales1->SetChecked(false);
}

// ---- Layouts ----------------------------------------------------------------

// The advanced and media groups shown or hidden; a hidden group is reset first,
// so a criterion nobody sees never restricts a search. The layout of the page
// places what is shown: the advanced groups left, the simple panel between the
// hint labels in the middle, the media groups right.
void TFPrincipal::CBAvanzadaClick() {
    const bool advanced = CBAvanzada->Checked(), media = CBMultimedia->Checked();
    QWidget* const advancedControls[] = {GBAtributos,    GBModificado, GBCreado,      GBTamano,
                                         GBDonde,        GBCuales,     EExtension,    GBTipo,
                                         GBLimitaciones, SBCopiar,     SBAbreExitoCon};
    if (!advanced) {
        CBAtributos->SetChecked(false);
        for (QLineEdit* edit : {EInicial, EFinal, EInicialCre, EFinalCre, CBMin, CBMax})
            edit->clear();
        GBDonde->SetItemIndex(0);
        GBCuales->SetItemIndex(0);
        RBNormalClick();
        CBAnidados->SetChecked(true);
        CBSoloCat->SetChecked(false);
        CBSoloCol->SetChecked(false);
        CBMayusculas->SetChecked(true);
        CBTildes->SetChecked(true);
        CBParte->SetChecked(true);
        EBuscar2->clear();
        // The attribute letters are off, so nested entries are searched again.
        GBDondeClick();
    }
    for (QWidget* control : advancedControls)
        control->setVisible(advanced);
    for (QWidget* control : {static_cast<QWidget*>(RBAnd), static_cast<QWidget*>(RBOr),
                             static_cast<QWidget*>(EBuscar2)})
        control->setVisible(advanced);
    PBuscarAvanzada->setVisible(advanced);

    QGroupBox* const mediaGroups[] = {GBDuracion, GBResolucion, GBCalidad, GBCanales,
                                      GBAno,      GBGenero,     GBPista};
    if (!media) {
        for (QLineEdit* edit : {EDuracionIni, EduracionFin, EPaginasIni, EPaginasFin, EAnchoMin,
                                EAnchoMax, EAltoMin, EAltoMax, EFrecMin, EFrecMax, ECalidadMin,
                                ECalidadMax, EAnoMin, EAnoMax, EGenero, ETrackMin, ETrackMax})
            edit->clear();
        CBCanales1->SetChecked(false);
        CBcanales2->SetChecked(false);
    }
    for (QGroupBox* group : mediaGroups)
        group->setVisible(media);
    PBuscarMultimedia->setVisible(media);

    LBuscarTipIzquierdo->setVisible(!advanced && !media);
    LBuscarTipDerecho->setVisible(!advanced && !media);
}

// ---- Result buttons ---------------------------------------------------------

void TFPrincipal::SGResultadosClick() {
    const bool results = ResultHits > 0;
    SBImprimirExitos->setEnabled(results);
    SBCopiar->setEnabled(results);
    // What the current row shows decides what can be done with it: a file can be
    // opened and shown, a folder only shown, a name of the tree or an entry inside
    // an archive neither.
    const int row = SGResultados->Row();
    const auto kind = results && row >= 1 ? static_cast<SearchHitKind>(SGResultados->RowTag(row))
                                          : SearchHitKind::None;
    const bool place = kind == SearchHitKind::File || kind == SearchHitKind::Folder;
    const bool file = kind == SearchHitKind::File;
    for (QToolButton* button :
         {SBAbreExitoNotepad, SBAbreExitoSistema, SBAbreExitoCon, SBEncolarExitoWinamp})
        button->setEnabled(file);
    for (QToolButton* button : {SBExplorarExito, SBVerCatalogo, SBAddColectorBuscar})
        button->setEnabled(place);
}

// ---- Copy -------------------------------------------------------------------

void TFPrincipal::BCopiarClick() {
    if (BusyFlag || ResultHits == 0) return;
    const TBusyGuard busy(BusyFlag);
    struct Emptied {
        CatalogueLines& buffer;
        ~Emptied() { buffer.Clear(); }
    } const emptied{ScanBuffer};
    ScanBuffer.Clear();
    // The size without its thousands separators, whichever the locale writes.
    const std::string separators = ".," + ThousandsSeparator();
    std::string line;
    for (int row = 1; row < SGResultados->RowCount(); ++row) {
        line.clear();
        for (int col : {kColCollection, kColCatalogue, kColFolder, kColDescription, kColName}) {
            const std::string_view cell = SGResultados->CellView(col, row);
            line.push_back('"');
            line.append(col == kColCollection ? TrimBlanks(cell) : cell);
            line.append("\"\t");
        }
        line.append(RemoveChars(SGResultados->CellView(kColSize, row), separators)).push_back('\t');
        line.append(SGResultados->CellView(kColModified, row)).push_back('\t');
        line.append(SGResultados->CellView(kColCreated, row)).push_back('\t');
        line.append(SGResultados->CellView(kColAttributes, row));
        ScanBuffer.Add(line);
    }
    const QString path = PreguntaFicheroGuardar(
        {QString(), "ASCII Tab (*.txt)", "txt", QString::number(SGResultados->RowCount() - 1)});
    if (path.isEmpty()) return;
    try {
        ScanBuffer.SaveToFile(path.toStdString());
    } catch (const EInOutError& e) {
        MuestraMensaje(e.what());
    }
}

// ---- Opening a hit ----------------------------------------------------------

void TFPrincipal::SBAbreExitoNotepadClick(QToolButton* button) {
    const int row = SGResultados->Row();
    if (BusyFlag || ResultHits == 0 || row < 1) return;
    const std::string name = SGResultados->Cells(kColName, row);
    // The first catalogue of that name in tree order holds the header.
    const QString catalogue = SGResultados->CellText(kColCatalogue, row);
    const CatalogueLines* lines = nullptr;
    for (QTreeWidgetItemIterator it(Arbol); *it && lines == nullptr; ++it)
        if (EsCatalogo(*it) && (*it)->text(0) == catalogue) lines = AsNodo(*it)->Lines();
    if (lines == nullptr || lines->Count() == 0) return;
    const std::optional<std::string> found =
        RutaEnDisco(lines->Line(0), SGResultados->CellView(kColFolder, row), name);
    if (!found) return;
    std::string path = *found;
    // A folder hit opens the folder that holds it.
    if (!name.empty() && name.back() == '\\' && !path.empty()) {
        path.pop_back();
        path.erase(path.rfind('/') == std::string::npos ? 0 : path.rfind('/') + 1);
    }
    if (!ExisteEnDisco(path)) return;
    if (button == SBAbreExitoNotepad)
        AbreConNotepad(path);
    else if (button == SBAbreExitoSistema)
        AbreConSistema(path);
    else if (button == SBEncolarExitoWinamp)
        EncolaReproductor(path);
    else if (button == SBExplorarExito)
        AbreExplorador(path);
    else if (button == SBAbreExitoCon)
        AbreCon(path);
}

// A double click opens a file hit with its program and shows the folder of a
// folder hit, as the buttons that the row leaves on would.
void TFPrincipal::SGResultadosDblClick() {
    if (SBAbreExitoSistema->isEnabled())
        SBAbreExitoNotepadClick(SBAbreExitoSistema);
    else if (SBExplorarExito->isEnabled())
        SBAbreExitoNotepadClick(SBExplorarExito);
}

// ---- Drawing ----------------------------------------------------------------

bool TFPrincipal::SGResultadosDrawCell(int col, int row, QPainter& painter, const QRect& rect,
                                       bool focused) {
    if (row < 1) return false;
    const std::string_view text = SGResultados->CellView(col, row);
    if (text.empty()) return false;
    if ((col >= kColSize && col <= kColCreated) || (col >= 11 && col <= 16)) {
        SGResultados->DrawCellText(painter, rect, DisplayText(text),
                                   Qt::AlignRight | Qt::AlignVCenter);
        return true;
    }
    // Which cells carry ranges: the description, the name, and the collection
    // path or catalogue name of a hit on a name of the tree.
    const auto kind = static_cast<SearchHitKind>(SGResultados->RowTag(row));
    int first = 0, second = 0;
    if (col == kColDescription || (col == kColCollection && kind == SearchHitKind::Collection)) {
        first = kColRange1Description;
        second = kColRange2Description;
    } else if (col == kColName || (col == kColCatalogue && kind == SearchHitKind::Catalogue)) {
        first = kColRange1Name;
        second = kColRange2Name;
    } else {
        return false;
    }
    const std::string_view range1 = SGResultados->CellView(first, row);
    const std::string_view range2 = SGResultados->CellView(second, row);

    QFont marked = painter.font();
    if (HitRedBold || HitBold) marked.setBold(true);
    const QColor markedColor = HitRedBold || HitRed ? kHitRed : painter.pen().color();

    if (RBComodin->isChecked() || RBComodines->isChecked()) {
        // A mask matches a whole field: the whole text is marked, or left to the grid.
        if (!IsMatchRange(range1) && !IsMatchRange(range2)) return false;
        painter.setFont(marked);
        painter.setPen(markedColor);
        SGResultados->DrawCellText(painter, rect, DisplayText(text));
        return true;
    }

    QColor normalColor = painter.pen().color();
    if (!focused && col == kColName &&
        SGResultados->CellView(kColAttributes, row).find('#') != std::string_view::npos) {
        switch (MediaKindOfExtension(SGResultados->CellView(kColExtension, row))) {
        case MediaKind::Text:
            normalColor = FromColorNumber(TextColor);
            break;
        case MediaKind::Bitmap:
            normalColor = FromColorNumber(BitmapColor);
            break;
        case MediaKind::Audio:
            normalColor = FromColorNumber(AudioColor);
            break;
        case MediaKind::Music:
            normalColor = FromColorNumber(MusicColor);
            break;
        case MediaKind::Video:
            normalColor = FromColorNumber(VideoColor);
            break;
        case MediaKind::None:
            break;
        }
    }
    const HitStretches pieces = SplitHitStretches(text, range1, range2);
    // A cell of bytes that are not UTF-8 is shown as Windows-1252 in every piece.
    const bool utf8 = text::IsValidUtf8(text);
    const auto shown = [utf8](std::string_view piece) {
        return utf8 ? QString::fromUtf8(piece.data(), static_cast<qsizetype>(piece.size()))
                    : QString::fromStdString(text::Windows1252ToUtf8(piece));
    };
    painter.setClipRect(rect, Qt::IntersectClip);
    const QFont normal = painter.font();
    int x = rect.left() + kCellMargin;
    const auto draw = [&](std::string_view piece, bool isMatch) {
        if (piece.empty()) return;
        const QString part = shown(piece);
        painter.setFont(isMatch ? marked : normal);
        painter.setPen(isMatch ? markedColor : normalColor);
        painter.drawText(QRect(x, rect.top(), std::max(0, rect.right() - x + 1), rect.height()),
                         Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, part);
        x += QFontMetrics(painter.font()).horizontalAdvance(part);
    };
    draw(pieces.before, false);
    draw(pieces.match1, true);
    draw(pieces.between, false);
    draw(pieces.match2, true);
    draw(pieces.after, false);
    return true;
}

} // namespace sorvane
