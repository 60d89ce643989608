// The extraction page: an archive chosen with an open dialog, a destination
// folder chosen in a folder tree, and the run that extracts every member
// through the reader of the archive's detected kind.
#include "archive/ace/arxUnAce.h"
#include "archive/arc/arxUnArc.h"
#include "archive/arj/arxUnArj.h"
#include "archive/arxArxon.h"
#include "archive/arxMessages.h"
#include "archive/cab/arxUnCab.h"
#include "archive/gzip/arxUnGZip.h"
#include "archive/lha/arxUnLha.h"
#include "archive/rar/arxUnRar.h"
#include "archive/tar/arxUnTar.h"
#include "archive/zip/arxUnZip.h"
#include "archive/zoo/arxUnZoo.h"
#include "catalogue/format/TextUtils.h"
#include "dialogs/Language.h"
#include "dialogs/Modal.h"
#include "mainwindow/TFErrores.h"
#include "mainwindow/TFPrincipal.h"
#include "platform/Directory.h"
#include "platform/StreamFile.h"
#include "ui/Named.h"
#include "ui/ScopeGuard.h"
#include "ui/SlotBarrier.h"
#include "ui/StatusBar.h"

#include <QCoreApplication>
#include <QDialog>
#include <QFileSystemModel>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QShortcut>
#include <QStyle>
#include <QToolButton>
#include <QTreeView>
#include <QVBoxLayout>

namespace sorvane {
namespace {

QString Q(const std::string& utf8) {
    return QString::fromStdString(utf8);
}

std::string Trimmed(const QString& text) {
    return text.trimmed().toStdString();
}

// Both cases of every extension, so that "x.zip" shows beside "X.ZIP".
const char* const kArchiveFilter =
    "Zip (*.zip *.ZIP);;Rar (*.rar *.RAR);;Cabinet *.CAB (*.cab *.CAB);;Ace (*.ace *.ACE);;"
    "Jar (*.jar *.JAR);;Arj (*.arj *.ARJ);;Lha (*.lha *.LHA);;Lzh (*.lzh *.LZH);;"
    "Arc (*.arc *.ARC);;Pak (*.pak *.PAK);;Zoo (*.zoo *.ZOO);;Tar (*.tar *.TAR);;"
    "GZip *.GZ (*.gz *.GZ);;GZip *.GZIP (*.gzip *.GZIP);;GZip *.TGZ (*.tgz *.TGZ);;"
    "Compress *.Z (*.Z *.z)";

// The answers of the overwrite question, as its window's result.
enum RespuestaExiste : int {
    kExisteOmitir = 0, // also the window closed with Escape
    kExisteReemplazar,
    kExisteReemplazarTodos,
    kExisteOmitirTodos,
    kExisteConservarAmbos,
};

// "name (2).ext", "name (3).ext", ...: the first name of that form free in
// the file's folder.
std::string NombreLibre(const std::string& path) {
    const auto slash = path.find_last_of('/');
    const std::size_t start = slash == std::string::npos ? 0 : slash + 1;
    auto dot = path.find_last_of('.');
    if (dot == std::string::npos || dot <= start) dot = path.size(); // ".bashrc" has no extension
    for (int n = 2;; ++n) {
        std::string candidate =
            path.substr(0, dot) + " (" + std::to_string(n) + ")" + path.substr(dot);
        if (!StreamFileExists(candidate)) return candidate;
    }
}

std::string KindName(int kind) {
    std::string name(ArcTypeName(static_cast<TArcType>(kind)));
    while (!name.empty() && (name.back() == ' ' || name.back() == '\t'))
        name.pop_back();
    return name;
}

} // namespace

void TFPrincipal::BuildExtractPage() {
    TSExtraer = new QWidget;
    TSExtraer->setObjectName("TSExtraer");
    PCMain->addTab(TSExtraer, "Extract");

    // PExtraer centred in the page.
    auto* outer = new QVBoxLayout(TSExtraer);
    auto* row = new QHBoxLayout;
    PExtraer = Named<QWidget>("PExtraer", TSExtraer);
    row->addStretch();
    row->addWidget(PExtraer, 3);
    row->addStretch();
    outer->addStretch();
    outer->addLayout(row, 4);
    outer->addStretch();
    auto* panel = new QVBoxLayout(PExtraer);

    GBExtraerOrigen = Named<QGroupBox>("GBExtraerOrigen", PExtraer);
    auto* source = new QHBoxLayout(GBExtraerOrigen);
    EOrigen = Named<QLineEdit>("EOrigen", GBExtraerOrigen);
    EOrigen->setReadOnly(true);
    source->addWidget(EOrigen, 1);
    SBAbrirExtraer = Boton("SBAbrirExtraer", GBExtraerOrigen,
                           style()->standardIcon(QStyle::SP_DialogOpenButton));
    panel->addWidget(GBExtraerOrigen);

    GBExtraerDestino = Named<QGroupBox>("GBExtraerDestino", PExtraer);
    auto* destination = new QVBoxLayout(GBExtraerDestino);
    STVDestinoModel = new QFileSystemModel(GBExtraerDestino);
    STVDestinoModel->setFilter(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden | QDir::Drives);
    STVDestinoModel->setRootPath("/");
    STVDestino = Named<QTreeView>("STVDestino", GBExtraerDestino);
    STVDestino->setModel(STVDestinoModel);
    STVDestino->setRootIndex(STVDestinoModel->index("/"));
    for (int column = 1; column < STVDestinoModel->columnCount(); ++column)
        STVDestino->hideColumn(column);
    STVDestino->setHeaderHidden(true);
    destination->addWidget(STVDestino, 1);
    EDestino = Named<QLineEdit>("EDestino", GBExtraerDestino, destination);
    panel->addWidget(GBExtraerDestino, 1);

    auto* buttons = new QHBoxLayout;
    BBExtraer = Named<QPushButton>("BBExtraer", PExtraer);
    BBExtraer->setEnabled(false);
    buttons->addStretch();
    buttons->addWidget(BBExtraer);
    BBPararExtraer = Named<QPushButton>("BBPararExtraer", PExtraer);
    BBPararExtraer->setEnabled(false);
    buttons->addWidget(BBPararExtraer);
    SBAyudaExt =
        Boton("SBAyudaExt", PExtraer, style()->standardIcon(QStyle::SP_DialogHelpButton), true);
    buttons->addWidget(SBAyudaExt);
    panel->addLayout(buttons);

    connect(SBAbrirExtraer, &QToolButton::clicked, this,
            [this] { Guarded([this] { SBAbrirExtraerClick(); }); });
    connect(STVDestino->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this] { Guarded([this] { STVDestinoChange(); }); });
    connect(EOrigen, &QLineEdit::textChanged, this,
            [this] { Guarded([this] { EOrigenChange(); }); });
    connect(EDestino, &QLineEdit::textChanged, this,
            [this] { Guarded([this] { EOrigenChange(); }); });
    connect(BBExtraer, &QPushButton::clicked, this,
            [this] { Guarded([this] { BBExtraerClick(); }); });
    connect(SBAyudaExt, &QToolButton::clicked, this, [this] { SBAyudaExtClick(); });
    // The stop request reaches the reader at its next hand-off to the event loop.
    connect(BBPararExtraer, &QPushButton::clicked, this, [this] { StopFlag = true; });
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), TSExtraer);
    escape->setContext(Qt::WidgetWithChildrenShortcut);
    connect(escape, &QShortcut::activated, this, [this] {
        if (BBPararExtraer->isEnabled()) StopFlag = true;
    });

    MiUnzip = std::make_unique<TUnZip>();
    MiUnJAR = std::make_unique<TUnJar>();
    SetUpReader(*MiUnzip);
    SetUpReader(*MiUnJAR);
    MiUnARJ = std::make_unique<TUnARJ>();
    SetUpReader(*MiUnARJ);
    MiUnZOO = std::make_unique<TUnZoo>();
    SetUpReader(*MiUnZOO);
    MiUnLHA = std::make_unique<TUnLha>();
    SetUpReader(*MiUnLHA);
    MiUnTAR = std::make_unique<TUnTar>();
    MiUnGZip = std::make_unique<TUnGZip>();
    SetUpReader(*MiUnTAR);
    SetUpReader(*MiUnGZip);
    // A gzipped or compressed tar goes straight into its members.
    MiUnGZip->OnNestedTarFile = [](TZipCommon&, const std::string&, bool& doUnTar) {
        doUnTar = true;
    };
    MiUnACE = std::make_unique<TUnACE>();
    SetUpReader(*MiUnACE);
    MiUnRAR = std::make_unique<TUnRar>();
    SetUpReader(*MiUnRAR);
    MiUnARC = std::make_unique<TUnArc>();
    SetUpReader(*MiUnARC);
    MiUnCAB = std::make_unique<TUnCab>();
    SetUpReader(*MiUnCAB);
}

// What every reader of the page does for a run: progress on the main bar,
// every report a line of the error window, the next volume of a set taken
// when it exists, a password asked for, the stop request honoured.
void TFPrincipal::SetUpReader(TUnBase& reader) {
    reader.OnProgress = [this](TZipCommon& sender, std::uint8_t byFile, std::uint8_t byArchive) {
        MiUnzipProgress(sender, byFile, byArchive);
    };
    reader.OnError = [](TZipCommon&, const std::string& fileName, const std::string& extended,
                        const std::string&, int code) {
        std::string line = fileName + ": " + ArxMessageText(code);
        if (!extended.empty()) line += " (" + extended + ")";
        FErrores->Agrega(line);
    };
    // Nothing of the user's is replaced without asking.
    reader.ConfirmOverwrites = true;
    reader.OnFileExists = [this](TZipCommon&, const std::string& fileName, std::string& newName,
                                 TOverwriteMode& mode) {
        PreguntaSobrescribir(fileName, newName, mode);
    };
    SetUpVolumeQuestions(reader);
    reader.OnGetPassword = [this](TZipCommon&, const std::string& fileName, std::string& password,
                                  bool& tryAgain) {
        QInputDialog dialog(this);
        dialog.setObjectName("PasswordQuestion");
        dialog.setWindowTitle(TituloAplicacion());
        dialog.setLabelText(Q(fileName));
        dialog.setTextEchoMode(QLineEdit::Password);
        tryAgain = MuestraModal(dialog) == QDialog::Accepted;
        password = dialog.textValue().toStdString();
    };
    reader.OnMessageLoop = [this, &reader] {
        QCoreApplication::processEvents();
        if (StopFlag) *reader.CancelFlagRef = 1;
    };
}

void TFPrincipal::PreguntaSobrescribir(const std::string& FileName, std::string& NewFileName,
                                       TOverwriteMode& Mode) {
    if (RespuestaTodosExtraer) {
        Mode = *RespuestaTodosExtraer;
        return;
    }
    QDialog dialog(this);
    dialog.setObjectName("OverwriteQuestion");
    dialog.setWindowTitle(TituloAplicacion());
    auto* layout = new QVBoxLayout(&dialog);
    auto* text = new QLabel(Q(LeeTexto("M", "M_EXTRAER_EXISTE") + "\n" + FileName), &dialog);
    text->setObjectName("LExiste");
    layout->addWidget(text);
    auto* row = new QHBoxLayout;
    layout->addLayout(row);
    const struct {
        const char* name;
        const char* word;
        RespuestaExiste answer;
    } choices[] = {
        {"BReemplazar", "REEMPLAZAR", kExisteReemplazar},
        {"BOmitir", "OMITIR", kExisteOmitir},
        {"BReemplazarTodos", "REEMPLAZAR_TODOS", kExisteReemplazarTodos},
        {"BOmitirTodos", "OMITIR_TODOS", kExisteOmitirTodos},
        {"BConservarAmbos", "CONSERVAR_AMBOS", kExisteConservarAmbos},
    };
    for (const auto& choice : choices) {
        auto* button = new QPushButton(Q(CapitalizeFirst(LeeTexto("W", choice.word))), &dialog);
        button->setObjectName(choice.name);
        const int answer = choice.answer;
        connect(button, &QPushButton::clicked, &dialog, [&dialog, answer] { dialog.done(answer); });
        row->addWidget(button);
    }
    switch (MuestraModal(dialog)) {
    case kExisteReemplazar:
        Mode = omOverwrite;
        break;
    case kExisteReemplazarTodos:
        Mode = omOverwrite;
        RespuestaTodosExtraer = omOverwrite;
        break;
    case kExisteOmitirTodos:
        Mode = omSkip;
        RespuestaTodosExtraer = omSkip;
        break;
    case kExisteConservarAmbos:
        Mode = omOverwrite;
        NewFileName = NombreLibre(FileName);
        break;
    default:
        Mode = omSkip;
        break;
    }
}

// A next volume that is not where the set names it is asked for by its name
// in the file chooser, opened on the archive's folder; a chosen file stands
// for it, and no choice ends the run there. A disk of a spanned ZIP set is
// asked for by its number, Retry reading the drive again.
void TFPrincipal::SetUpVolumeQuestions(TUnBase& reader) {
    reader.OnNextVolume = [this](TZipCommon&, std::string& volume, int, bool exists, bool& cancel) {
        cancel = false;
        if (exists || FileExists(volume)) return;
        const auto slash = volume.find_last_of('/');
        const std::string name = slash == std::string::npos ? volume : volume.substr(slash + 1);
        const std::string archive = Trimmed(EOrigen->text());
        const auto folderEnd = archive.find_last_of('/');
        OpenFileRequest request;
        request.caption = Q(LeeTexto("M", "M_EXTRAER_VOLUMEN") + " " + name);
        request.filter = "* (*)";
        request.directory =
            Q(folderEnd == std::string::npos ? std::string() : archive.substr(0, folderEnd + 1));
        const QString chosen = PreguntaFicheroAbrir(request);
        if (chosen.isEmpty())
            cancel = true;
        else
            volume = chosen.toStdString();
    };
    auto askDisk = [](const std::string& text, bool& cancel) {
        cancel = !PreguntaReintentar(Q(text));
    };
    reader.OnGetZipLastDisk = [askDisk](TZipCommon&, bool& cancel) {
        askDisk(LeeTexto("M", "M_EXTRAER_ULTIMODISCO"), cancel);
    };
    reader.OnGetZipFirstDisk = [askDisk](TZipCommon&, bool& cancel) {
        askDisk(LeeTexto("M", "M_EXTRAER_DISCO") + " 1", cancel);
    };
    reader.OnGetZipNextDisk = [askDisk](TZipCommon&, const std::string& number, bool& cancel) {
        askDisk(LeeTexto("M", "M_EXTRAER_DISCO") + " " + number, cancel);
    };
    reader.OnInsertDisk = [askDisk](TZipCommon&, const std::string& drive, bool& cancel) {
        askDisk(LeeTexto("M", "M_EXTRAER_INSERTADISCO") + " " + drive, cancel);
    };
}

void TFPrincipal::SBAbrirExtraerClick() {
    const QString chosen = PreguntaFicheroAbrir({QString(), kArchiveFilter, QString()});
    if (!chosen.isEmpty()) EOrigen->setText(chosen);
}

void TFPrincipal::STVDestinoChange() {
    const QModelIndex current = STVDestino->currentIndex();
    if (current.isValid()) EDestino->setText(STVDestinoModel->filePath(current));
}

// Enabled for an absolute destination other than "/" itself (no drive
// letters here) and a source of more than 3 characters.
void TFPrincipal::EOrigenChange() {
    const QString destination = EDestino->text();
    BBExtraer->setEnabled(destination.startsWith('/') && destination.size() > 1 &&
                          EOrigen->text().size() > 3);
}

void TFPrincipal::MiUnzipProgress(TZipCommon&, std::uint8_t, std::uint8_t byArchive) {
    PBPrincipal->setValue(static_cast<std::uint8_t>(byArchive));
    PBPrincipal->repaint();
}

TArxonReaders TFPrincipal::PageReaders() const {
    TArxonReaders readers;
    readers.Zip = MiUnzip.get();
    readers.Jar = MiUnJAR.get();
    readers.Arj = MiUnARJ.get();
    readers.Zoo = MiUnZOO.get();
    readers.Lha = MiUnLHA.get();
    readers.Tar = MiUnTAR.get();
    readers.GZip = MiUnGZip.get();
    readers.Ace = MiUnACE.get();
    readers.Rar = MiUnRAR.get();
    readers.Arc = MiUnARC.get();
    readers.Cab = MiUnCAB.get();
    return readers;
}

void TFPrincipal::BBExtraerClick() {
    const std::string origen = Trimmed(EOrigen->text());
    const std::string destino = Trimmed(EDestino->text());
    if (origen.empty()) {
        MuestraMensaje(LeeTexto("M", "M_EXTRAER_SINFICHERO"));
        return;
    }
    if (destino.empty()) {
        MuestraMensaje(LeeTexto("M", "M_EXTRAER_SINCARPETA"));
        return;
    }
    if (BusyFlag) return;
    SBPrincipal->Panels(1).SetText(CapitalizeFirst(LeeTexto("W", "EXTRAYENDO")) + " " + origen);
    PBPrincipal->setValue(PBPrincipal->minimum());
    BBExtraer->setEnabled(false);
    BBPararExtraer->setEnabled(true);
    BusyFlag = true;
    RespuestaTodosExtraer.reset();
    const TScopeGuard givenBack([this] {
        BusyFlag = false;
        BBPararExtraer->setEnabled(false);
        BBExtraer->setEnabled(true);
        FErrores->MuestraSiHayErrores(TituloAplicacion() + Q(LeeTexto("M", "M_TITULO_FERRORES")));
    });

    int count = 0;
    FErrores->Limpia();
    PBPrincipal->setRange(0, 100);
    PBPrincipal->setValue(0);
    StopFlag = false;

    // The reader is chosen by the detected kind, not by the extension.
    TRegisterArxon detection;
    detection.SetArchiveFile(origen);
    TUnBase* reader = ReaderForKind(PageReaders(), detection.ArcType);
    // The ACE reader's extraction module lies in the program's folder.
    if (reader != nullptr && reader == MiUnACE.get())
        MiUnACE->ModuleFile = ProgramFolder + kAceModuleName;
    if (reader == nullptr) {
        FErrores->Agrega(origen + ": " + ArxMessageText(kMsgUnsupportedArchive) + " (" +
                         KindName(detection.ArcType) + ")");
    } else {
        reader->SetArchiveFile(origen);
        reader->SetExtractDir(destino);
        reader->FileSpec = {"*"};
        reader->UseStoredDirs = true;
        reader->CreateStoredDirs = true;
        count = reader->Extract();
    }
    SBPrincipal->Panels(1).SetText(FormatThousands(count) + " " + LeeTexto("W", "FICHEROS") + " " +
                                   LeeTexto("W", "EXTRAIDOS"));
    PBPrincipal->setValue(PBPrincipal->maximum());
}

} // namespace sorvane
