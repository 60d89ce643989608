// The main window's configuration page (basic, advanced and printing tabs) and
// about page: their controls and the handlers that act at once (language,
// upper-casing mode, hit style, extension key filter, colours, reset, links).
#include "catalogue/format/StringManager.h"
#include "catalogue/format/TextUtils.h"
#include "dialogs/Language.h"
#include "dialogs/Modal.h"
#include "dialogs/TFAnidados.h"
#include "dialogs/TFMensajes.h"
#include "mainwindow/ButtonIcons.h"
#include "mainwindow/TFErrores.h"
#include "mainwindow/TFPrincipal.h"
#include "platform/Directory.h"
#include "platform/Text.h"
#include "ui/CheckBox.h"
#include "ui/Named.h"
#include "ui/RadioGroup.h"
#include "ui/SlotBarrier.h"
#include "ui/StringGrid.h"

#include <QColorDialog>
#include <QComboBox>
#include <QDesktopServices>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>
#include <functional>

namespace sorvane {
namespace {

// The maker's addresses that the two about-page labels open.
constexpr const char* kWebAddress = "https://sorvane.example.org/";
constexpr const char* kMailAddress = "mailto:sorvane@example.org";

constexpr const char* kClusterSizes[] = {
    "512 bytes",       "1024 bytes (1k)",   "2048 bytes (2k)",   "4096 bytes (4k)",
    "8192 bytes (8k)", "16384 bytes (16k)", "32768 bytes (32k)", "65536 bytes (64k)"};

QString Q(const std::string& bytes) {
    return QString::fromStdString(text::AsUtf8(bytes));
}

// A colour number as Windows stores it: red in the low byte, then green, then blue.
QColor ColorDe(std::uint32_t value) {
    return QColor(static_cast<int>(value & 0xFF), static_cast<int>((value >> 8) & 0xFF),
                  static_cast<int>((value >> 16) & 0xFF));
}
std::uint32_t NumeroDeColor(const QColor& color) {
    return static_cast<std::uint32_t>(color.red()) |
           (static_cast<std::uint32_t>(color.green()) << 8) |
           (static_cast<std::uint32_t>(color.blue()) << 16);
}

void PonColorDeTexto(QLineEdit* sample, std::uint32_t value) {
    QPalette palette = sample->palette();
    palette.setColor(QPalette::Text, ColorDe(value));
    sample->setPalette(palette);
}

// Feeds every key typed into an extension box through the box's key filter.
class ExtensionKeyFilter : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress) return false;
        const QString typed = static_cast<QKeyEvent*>(event)->text();
        if (typed.isEmpty()) return false; // a key without a character: arrows, Home, Delete
        const QString kept = TFPrincipal::EExtension1KeyPress(typed);
        if (kept == typed) return false;
        if (auto* edit = qobject_cast<QLineEdit*>(watched); edit != nullptr && !kept.isEmpty())
            edit->insert(kept);
        return true;
    }
};

// Runs `onClick` when the left button is released over the watched widget.
class ClickFilter : public QObject {
public:
    ClickFilter(QObject* parent, std::function<void()> onClick)
        : QObject(parent), onClick_(std::move(onClick)) {}

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::MouseButtonRelease &&
            static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
            Guarded(onClick_);
            return true;
        }
        return false;
    }

private:
    std::function<void()> onClick_;
};

// A group whose controls stand in a column, or in a row.
QGroupBox* Group(const char* name, QWidget* parent, bool vertical = true) {
    auto* box = Named<QGroupBox>(name, parent);
    if (vertical)
        box->setLayout(new QVBoxLayout);
    else
        box->setLayout(new QHBoxLayout);
    return box;
}

// A radio group of `items` items, captioned later by the language file.
TRadioGroup* Radios(const char* name, QWidget* parent, int items) {
    auto* radio = Named<TRadioGroup>(name, parent);
    radio->SetItems(QStringList(items, QString()));
    return radio;
}

// A read-only edit that shows a colour.
QLineEdit* ColourSample(const char* name, QWidget* parent) {
    auto* edit = Named<QLineEdit>(name, parent);
    edit->setReadOnly(true);
    return edit;
}

// The read-only edit of a report's tab width, with its up-down beside it
// (0-99), which writes into it and follows it when the edit is set (reset,
// settings).
QLineEdit* TabWidth(const char* name, const char* upDown, QGroupBox* box) {
    auto* edit = Named<QLineEdit>(name, box);
    edit->setText("8");
    edit->setReadOnly(true);
    edit->setMaximumWidth(40);
    auto* arrows = Named<QSpinBox>(upDown, box);
    arrows->setRange(0, 99);
    arrows->setValue(8);
    QObject::connect(arrows, &QSpinBox::valueChanged, edit,
                     [edit](int value) { edit->setText(QString::number(value)); });
    QObject::connect(edit, &QLineEdit::textChanged, arrows, [arrows](const QString& text) {
        arrows->setValue(std::clamp(text.trimmed().toInt(), 0, 99));
    });
    auto* row = new QHBoxLayout;
    row->addWidget(edit);
    row->addWidget(arrows);
    row->addStretch();
    static_cast<QBoxLayout*>(box->layout())->addLayout(row);
    return edit;
}

} // namespace

void TFPrincipal::BuildConfigPage() {
    TSConfiguracion = new QWidget;
    TSConfiguracion->setObjectName("TSConfiguracion");
    auto* pageLayout = new QVBoxLayout(TSConfiguracion);
    PCConfiguracion = Named<QTabWidget>("PCConfiguracion", TSConfiguracion, pageLayout);
    const auto tab = [this](const char* name, const char* text) {
        auto* page = Named<QWidget>(name, nullptr);
        PCConfiguracion->addTab(page, text);
        return page;
    };
    TBCfgBAsic = tab("TBCfgBAsic", "Basic");
    TBCfgAvd = tab("TBCfgAvd", "Advanced");
    TBCfgPrint = tab("TBCfgPrint", "Printing");
    BuildConfigBasicTab();
    BuildConfigAdvancedTab();
    BuildConfigPrintTab();
    PCMain->addTab(TSConfiguracion, "Configuration");
}

// Basic tab: language, hit style, upper-casing, tips, grid lines,
// animations, media colours, audio player.
void TFPrincipal::BuildConfigBasicTab() {
    auto* basic = new QGridLayout(TBCfgBAsic);
    RGIdioma = Named<TRadioGroup>("RGIdioma", TBCfgBAsic);
    RGIdioma->SetItems({"English, please!", "Español, por favor!"});
    auto* flags = new QWidget(TBCfgBAsic);
    flags->setObjectName("PBanderas");
    flags->setLayout(new QHBoxLayout);
    flags->layout()->setContentsMargins(0, 0, 0, 0);
    SBIngles = Boton("SBIngles", flags, IconoPropio(Glyph::FlagEnglish));
    SBIngles->setText("English");
    SBEspanol = Boton("SBEspanol", flags, IconoPropio(Glyph::FlagSpanish));
    SBEspanol->setText("Español");
    for (QToolButton* language : {SBIngles, SBEspanol})
        language->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    RGAciertos = Radios("RGAciertos", TBCfgBAsic, 3);
    RGModoTurbo = Radios("RGModoTurbo", TBCfgBAsic, 2);
    GBTips = Group("GBTips", TBCfgBAsic);
    CBTipsComienzo = Casilla("CBTipsComienzo", GBTips);
    BBtips = Named<QPushButton>("BBtips", GBTips, GBTips->layout());
    auto* left = new QVBoxLayout;
    for (QWidget* w :
         std::initializer_list<QWidget*>{RGIdioma, flags, RGAciertos, RGModoTurbo, GBTips})
        left->addWidget(w);
    left->addStretch();

    GBLineasRejillas = Group("GBLineasRejillas", TBCfgBAsic);
    CBLinCatHorizontal = Casilla("CBLinCatHorizontal", GBLineasRejillas);
    CBLinCatVertical = Casilla("CBLinCatVertical", GBLineasRejillas);
    CBLinBusHorizontal = Casilla("CBLinBusHorizontal", GBLineasRejillas);
    CBLinBusVertical = Casilla("CBLinBusVertical", GBLineasRejillas);
    CBLinAniHorizontal = Casilla("CBLinAniHorizontal", GBLineasRejillas);
    CBLinAniVertical = Casilla("CBLinAniVertical", GBLineasRejillas);
    CBLinColectorHorizontal = Casilla("CBLinColectorHorizontal", GBLineasRejillas);
    CBLinColectorVertical = Casilla("CBLinColectorVertical", GBLineasRejillas);
    GBAnimaciones = Group("GBAnimaciones", TBCfgBAsic);
    CBAniCrearDisco = Casilla("CBAniCrearDisco", GBAnimaciones);
    CBAniCrearCarpeta = Casilla("CBAniCrearCarpeta", GBAnimaciones);
    CBAniBuscar = Casilla("CBAniBuscar", GBAnimaciones);
    auto* middle = new QVBoxLayout;
    middle->addWidget(GBLineasRejillas);
    middle->addWidget(GBAnimaciones);
    middle->addStretch();

    GBColoresMultimedia = Named<QGroupBox>("GBColoresMultimedia", TBCfgBAsic);
    auto* colours = new QGridLayout(GBColoresMultimedia);
    const auto colourRow = [&](int row, const char* button, const char* edit, QToolButton*& b,
                               QLineEdit*& e) {
        b = Boton(button, GBColoresMultimedia, IconoTema("color-picker", Glyph::Colours), true);
        b->setAutoRaise(false);
        e = ColourSample(edit, GBColoresMultimedia);
        colours->addWidget(b, row, 0);
        colours->addWidget(e, row, 1);
    };
    colourRow(0, "SBPonColorTexto", "ECTextoEjemplo", SBPonColorTexto, ECTextoEjemplo);
    colourRow(1, "SBPonColorBitmap", "ECBitmapEjemplo", SBPonColorBitmap, ECBitmapEjemplo);
    colourRow(2, "SBPonColorAudio", "ECAudioEjemplo", SBPonColorAudio, ECAudioEjemplo);
    colourRow(3, "SBPonColorMusic", "ECMusicEjemplo", SBPonColorMusic, ECMusicEjemplo);
    colourRow(4, "SBPonColorVideo", "ECVideoEjemplo", SBPonColorVideo, ECVideoEjemplo);
    GBPathWinamp = Group("GBPathWinamp", TBCfgBAsic, false);
    EPathWinAmp = Named<QLineEdit>("EPathWinAmp", GBPathWinamp, GBPathWinamp->layout());
    SBCargaWinAmp = Boton(
        "SBCargaWinAmp", GBPathWinamp,
        QIcon::fromTheme("document-open", style()->standardIcon(QStyle::SP_DialogOpenButton)));
    auto* right = new QVBoxLayout;
    right->addWidget(GBColoresMultimedia);
    right->addWidget(GBPathWinamp);
    right->addStretch();

    auto* basicButtons = new QWidget(TBCfgBAsic);
    basicButtons->setLayout(new QHBoxLayout);
    basicButtons->layout()->setContentsMargins(0, 0, 0, 0);
    SBResetConfiguracion = Boton("SBResetConfiguracion", basicButtons,
                                 style()->standardIcon(QStyle::SP_DialogResetButton));
    SBResetConfiguracion->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    SBResetConfiguracion->setAutoRaise(false);
    SBAyudaCfgBasic =
        Boton("SBAyudaCfgBasic", basicButtons, style()->standardIcon(QStyle::SP_DialogHelpButton));
    basic->addLayout(left, 0, 0);
    basic->addLayout(middle, 0, 1);
    basic->addLayout(right, 0, 2);
    basic->addWidget(basicButtons, 1, 0, 1, 3, Qt::AlignRight);
}

// Advanced tab: folder sorting, nested-archive extensions, cataloguing
// switches, media readers off, collector cluster size.
void TFPrincipal::BuildConfigAdvancedTab() {
    auto* advanced = new QGridLayout(TBCfgAvd);
    RGAutoSort = Radios("RGAutoSort", TBCfgAvd, 4);
    CBAutoSortInvertir = Named<TCheckBox>("CBAutoSortInvertir", TBCfgAvd);
    GBExtAnidados = Group("GBExtAnidados", TBCfgAvd, false);
    auto* keyFilter = new ExtensionKeyFilter(this);
    for (auto [name, edit] :
         {std::pair{"EExtension1", &EExtension1}, std::pair{"EExtension2", &EExtension2},
          std::pair{"EExtension3", &EExtension3}, std::pair{"EExtension4", &EExtension4}}) {
        *edit = Named<QLineEdit>(name, GBExtAnidados, GBExtAnidados->layout());
        (*edit)->installEventFilter(keyFilter);
    }
    GBRecatalogar = Group("GBRecatalogar", TBCfgAvd);
    CBCarpetaIgual = Casilla("CBCarpetaIgual", GBRecatalogar);
    GBMostrarErrores = Group("GBMostrarErrores", TBCfgAvd);
    CBMostrarErroresCatalogo = Casilla("CBMostrarErroresCatalogo", GBMostrarErrores);
    GBCfgBuscar = Group("GBCfgBuscar", TBCfgAvd);
    CBAnidadosBuscarPath = Casilla("CBAnidadosBuscarPath", GBCfgBuscar);
    GBSerialNumberOff = Group("GBSerialNumberOff", TBCfgAvd);
    CBSerialNumberOff = Casilla("CBSerialNumberOff", GBSerialNumberOff);
    GBCompressedOff = Group("GBCompressedOff", TBCfgAvd);
    CBCompressedOff = Casilla("CBCompressedOff", GBCompressedOff);
    GBMultimediaOff = Named<QGroupBox>("GBMultimediaOff", TBCfgAvd);
    auto* media = new QGridLayout(GBMultimediaOff);
    // The media readers that can be switched off, captioned by their file type.
    const std::tuple<const char*, const char*, TCheckBox**> mediaOff[] = {
        {"CBDocFilesOff", "DOC", &CBDocFilesOff}, {"CBDotFilesOff", "DOT", &CBDotFilesOff},
        {"CBBmpFilesOff", "BMP", &CBBmpFilesOff}, {"CBGifFilesOff", "GIF", &CBGifFilesOff},
        {"CBJpgFilesOff", "JPG", &CBJpgFilesOff}, {"CBPcxFilesOff", "PCX", &CBPcxFilesOff},
        {"CBPngFilesOff", "PNG", &CBPngFilesOff}, {"CBTifFilesOff", "TIF", &CBTifFilesOff},
        {"CBTgaFilesOff", "TGA", &CBTgaFilesOff}, {"CBWavFilesOff", "WAV", &CBWavFilesOff},
        {"CBMp3FilesOff", "MP3", &CBMp3FilesOff}, {"CBWmaFilesOff", "WMA", &CBWmaFilesOff},
        {"CBOggFilesOff", "OGG", &CBOggFilesOff}, {"CBAviFilesOff", "AVI", &CBAviFilesOff},
    };
    int position = 0;
    for (const auto& [name, caption, box] : mediaOff) {
        *box = Named<TCheckBox>(name, GBMultimediaOff);
        (*box)->setText(caption);
        media->addWidget(*box, position / 4, position % 4);
        ++position;
    }
    GBColectorCfg = Group("GBColectorCfg", TBCfgAvd, false);
    LColectorCFGCluster =
        Named<QLabel>("LColectorCFGCluster", GBColectorCfg, GBColectorCfg->layout());
    CBClusterSize = Named<QComboBox>("CBClusterSize", GBColectorCfg);
    for (const char* size : kClusterSizes)
        CBClusterSize->addItem(size);
    CBClusterSize->setCurrentIndex(3);
    GBColectorCfg->layout()->addWidget(CBClusterSize);
    SBAyudaCfgAvanzada = Boton("SBAyudaCfgAvanzada", TBCfgAvd,
                               style()->standardIcon(QStyle::SP_DialogHelpButton), true);
    auto* sortColumn = new QVBoxLayout;
    sortColumn->addWidget(RGAutoSort);
    sortColumn->addWidget(CBAutoSortInvertir);
    sortColumn->addWidget(GBExtAnidados);
    sortColumn->addWidget(GBColectorCfg);
    sortColumn->addStretch();
    auto* switches = new QVBoxLayout;
    for (QWidget* w :
         std::initializer_list<QWidget*>{GBRecatalogar, GBMostrarErrores, GBCfgBuscar,
                                         GBSerialNumberOff, GBCompressedOff, GBMultimediaOff})
        switches->addWidget(w);
    switches->addStretch();
    advanced->addLayout(sortColumn, 0, 0);
    advanced->addLayout(switches, 0, 1);
    advanced->addWidget(SBAyudaCfgAvanzada, 1, 1, Qt::AlignRight);
}

// Printing tab: the columns of the four reports.
void TFPrincipal::BuildConfigPrintTab() {
    auto* printing = new QGridLayout(TBCfgPrint);
    GBPrintTree = Group("GBPrintTree", TBCfgPrint);
    CBPTColeccionesSN = Casilla("CBPTColeccionesSN", GBPrintTree);
    CBPTTipodiscoSN = Casilla("CBPTTipodiscoSN", GBPrintTree);
    EPTTab = TabWidth("EPTTab", "PTTabUD", GBPrintTree);
    GBPrintCatalogue = Group("GBPrintCatalogue", TBCfgPrint);
    CBPCAnidadosSN = Casilla("CBPCAnidadosSN", GBPrintCatalogue);
    CBPCTamanoSN = Casilla("CBPCTamanoSN", GBPrintCatalogue);
    CBPCModificadoSN = Casilla("CBPCModificadoSN", GBPrintCatalogue);
    CBPCCreadoSN = Casilla("CBPCCreadoSN", GBPrintCatalogue);
    CBPCAtributosSN = Casilla("CBPCAtributosSN", GBPrintCatalogue);
    CBPCDescripcionSN = Casilla("CBPCDescripcionSN", GBPrintCatalogue);
    EPCTab = TabWidth("EPCTab", "PCTabUD", GBPrintCatalogue);
    GBPrintDirectory = Group("GBPrintDirectory", TBCfgPrint);
    CBPDTamanoSN = Casilla("CBPDTamanoSN", GBPrintDirectory);
    CBPDModificadoSN = Casilla("CBPDModificadoSN", GBPrintDirectory);
    CBPDPrintColeccion = Casilla("CBPDPrintColeccion", GBPrintDirectory);
    CBPDPrintCatalogo = Casilla("CBPDPrintCatalogo", GBPrintDirectory);
    CBPDPrintCarpeta = Casilla("CBPDPrintCarpeta", GBPrintDirectory);
    GBPrintResultados = Group("GBPrintResultados", TBCfgPrint);
    CBPRColeccionSN = Casilla("CBPRColeccionSN", GBPrintResultados);
    CBPRCatalogoSN = Casilla("CBPRCatalogoSN", GBPrintResultados);
    CBPRCarpetaSN = Casilla("CBPRCarpetaSN", GBPrintResultados);
    CBPRDescripcionSN = Casilla("CBPRDescripcionSN", GBPrintResultados);
    CBPRTamanoSN = Casilla("CBPRTamanoSN", GBPrintResultados);
    CBPRModificadoSN = Casilla("CBPRModificadoSN", GBPrintResultados);
    CBPRCreadoSN = Casilla("CBPRCreadoSN", GBPrintResultados);
    CBPRAtributosSN = Casilla("CBPRAtributosSN", GBPrintResultados);
    CBPRExtensionSN = Casilla("CBPRExtensionSN", GBPrintResultados);
    SBAyudaCfgImpresion = Boton("SBAyudaCfgImpresion", TBCfgPrint,
                                style()->standardIcon(QStyle::SP_DialogHelpButton), true);
    printing->addWidget(GBPrintTree, 0, 0);
    printing->addWidget(GBPrintCatalogue, 1, 0);
    printing->addWidget(GBPrintDirectory, 0, 1);
    printing->addWidget(GBPrintResultados, 0, 2, 2, 1);
    printing->addWidget(SBAyudaCfgImpresion, 2, 2, Qt::AlignRight);
    printing->setRowStretch(3, 1);
}

void TFPrincipal::BuildAboutPage() {
    TSAcercaDe = new QWidget;
    TSAcercaDe->setObjectName("TSAcercaDe");
    auto* layout = new QVBoxLayout(TSAcercaDe);
    const auto label = [&](const char* name) {
        auto* l = Named<QLabel>(name, TSAcercaDe);
        l->setAlignment(Qt::AlignCenter);
        l->setWordWrap(true);
        layout->addWidget(l);
        return l;
    };
    layout->addStretch();
    ImLogo = label("ImLogo");
    ImLogo->setText(QString::fromStdString(NombrePrograma));
    QFont big = ImLogo->font();
    big.setPointSize(big.pointSize() * 3);
    big.setBold(true);
    ImLogo->setFont(big);
    ImLogo->setCursor(Qt::PointingHandCursor);
    ImLogo->installEventFilter(new ClickFilter(ImLogo, [] { MuestraModal(*FErrores); }));
    TEdicion = label("TEdicion");
    LCreditosFormatos = label("LCreditosFormatos");
    LCreditosDesc = label("LCreditosDesc");
    LDerechos = label("LDerechos");
    Label34 = label("Label34");
    Label34->setText(QString(kWebAddress));
    Label1 = label("Label1");
    Label1->setText(QString(kMailAddress).mid(QString("mailto:").size()));
    for (QLabel* link : {Label34, Label1}) {
        QFont underlined = link->font();
        underlined.setUnderline(true);
        link->setFont(underlined);
        link->setCursor(Qt::PointingHandCursor);
    }
    Label34->installEventFilter(new ClickFilter(Label34, [this] { Label34Click(); }));
    Label1->installEventFilter(new ClickFilter(Label1, [this] { Label1Click(); }));
    SpeedButton1 = Boton("SpeedButton1", TSAcercaDe, IconoPropio(Glyph::FlagSpanish), true);
    SpeedButton1->setText("Español");
    SpeedButton1->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    layout->addWidget(SpeedButton1, 0, Qt::AlignCenter);
    layout->addStretch();
    PCMain->addTab(TSAcercaDe, "About");
}

void TFPrincipal::ConnectConfigHandlers() {
    RGIdioma->OnClick = [this] {
        // Before start-up has set ProgramFolder there is no file to open.
        if (startupDone_ || BusyFlag) RGIdiomaClick();
    };
    connect(SBIngles, &QToolButton::clicked, this,
            [this] { Guarded([this] { SBInglesClick(); }); });
    connect(SBEspanol, &QToolButton::clicked, this,
            [this] { Guarded([this] { SBEspanolClick(); }); });
    connect(SpeedButton1, &QToolButton::clicked, this,
            [this] { Guarded([this] { SBEspanolClick(); }); });
    RGModoTurbo->OnClick = [this] { RGModoTurboClick(); };
    RGAciertos->OnClick = [this] { RGAciertosClick(); };
    connect(BBtips, &QPushButton::clicked, this, [this] { Guarded([this] { BBTipsClick(); }); });
    connect(SBResetConfiguracion, &QToolButton::clicked, this,
            [this] { Guarded([this] { SBResetConfiguracionClick(); }); });
    for (QToolButton* button :
         {SBPonColorTexto, SBPonColorBitmap, SBPonColorAudio, SBPonColorMusic, SBPonColorVideo})
        connect(button, &QToolButton::clicked, this,
                [this, button] { Guarded([this, button] { SBPonColorClick(button); }); });
    CBLinCatHorizontal->OnClick = [this] {
        SGDirectorio->SetHorizontalLines(CBLinCatHorizontal->Checked());
    };
    CBLinCatVertical->OnClick = [this] {
        SGDirectorio->SetVerticalLines(CBLinCatVertical->Checked());
    };
    CBLinBusHorizontal->OnClick = [this] {
        SGResultados->SetHorizontalLines(CBLinBusHorizontal->Checked());
    };
    CBLinBusVertical->OnClick = [this] {
        SGResultados->SetVerticalLines(CBLinBusVertical->Checked());
    };
    // The nested-entries grid takes the boxes' state when its window is made.
    CBLinAniHorizontal->OnClick = [this] {
        if (FAnidados != nullptr)
            FAnidados->SGAnidados->SetHorizontalLines(CBLinAniHorizontal->Checked());
    };
    CBLinAniVertical->OnClick = [this] {
        if (FAnidados != nullptr)
            FAnidados->SGAnidados->SetVerticalLines(CBLinAniVertical->Checked());
    };
    // The boxes start clear; so do the lines of the grids they drive.
    for (TCheckBox* box :
         {CBLinCatHorizontal, CBLinCatVertical, CBLinBusHorizontal, CBLinBusVertical})
        box->OnClick();
}

void TFPrincipal::RGIdiomaClick() {
    CargaIdioma();
    const QString title = TituloAplicacion();
    setWindowTitle(title);
    FMensajes->setWindowTitle(title);
    const std::string help =
        ProgramFolder + (RGIdioma->ItemIndex() == 0 ? "sorvaneeng.hlp" : "sorvanespa.hlp");
    HelpFile = FileExists(help) ? help : std::string();
}

void TFPrincipal::SBInglesClick() {
    RGIdioma->SetItemIndex(0);
}

void TFPrincipal::SBEspanolClick() {
    RGIdioma->SetItemIndex(1);
}

// The folding routines read the mode: the next search and sort use it.
void TFPrincipal::RGModoTurboClick() {
    TurboMode = RGModoTurbo->ItemIndex() == 0;
    SetTableUpperCase(TurboMode);
}

void TFPrincipal::RGAciertosClick() {
    HitRedBold = HitBold = HitRed = false;
    switch (RGAciertos->ItemIndex()) {
    case 0:
        HitRedBold = true;
        break;
    case 1:
        HitBold = true;
        break;
    case 2:
        HitRed = true;
        break;
    default:
        break;
    }
    SGResultados->viewport()->update();
}

void TFPrincipal::SBResetConfiguracionClick() {
    if (PreguntaSiNo(Q(LeeTexto("L", "B_RESETEAR")), Q(LeeTexto("M", "M_DESEA_RESETEAR"))))
        ResetConfiguracion();
}

void TFPrincipal::PonColoresEjemplo() {
    PonColorDeTexto(ECTextoEjemplo, TextColor);
    PonColorDeTexto(ECBitmapEjemplo, BitmapColor);
    PonColorDeTexto(ECAudioEjemplo, AudioColor);
    PonColorDeTexto(ECMusicEjemplo, MusicColor);
    PonColorDeTexto(ECVideoEjemplo, VideoColor);
}

void TFPrincipal::SBPonColorClick(QToolButton* sender) {
    std::uint32_t* colour = sender == SBPonColorBitmap  ? &BitmapColor
                            : sender == SBPonColorAudio ? &AudioColor
                            : sender == SBPonColorMusic ? &MusicColor
                            : sender == SBPonColorVideo ? &VideoColor
                                                        : &TextColor;
    QColorDialog dialog(ColorDe(*colour), this);
    dialog.setObjectName("CDmultimedia");
    if (MuestraModal(dialog) != QDialog::Accepted) return;
    *colour = NumeroDeColor(dialog.currentColor());
    PonColoresEjemplo();
    SGDirectorio->viewport()->update();
    SGResultados->viewport()->update();
}

void TFPrincipal::Label34Click() {
    QDesktopServices::openUrl(QUrl(kWebAddress));
}

void TFPrincipal::Label1Click() {
    QDesktopServices::openUrl(QUrl(kMailAddress));
}

QString TFPrincipal::EExtension1KeyPress(const QString& typed) {
    static constexpr std::u32string_view kRefused =
        U"\n\r\x1A\x1B\x1D\x1E\x1F\u00FF*./:<>?[\\]|\" ";
    QString kept;
    for (char32_t c : typed.toUcs4()) {
        if (kRefused.find(c) != std::u32string_view::npos) continue;
        if (c < 10) {
            kept += QString::fromUcs4(&c, 1); // editing keys: backspace, tab
            continue;
        }
        const char32_t upper = QChar::toUpper(c);
        kept += QString::fromUcs4(&upper, 1);
    }
    return kept;
}

} // namespace sorvane
