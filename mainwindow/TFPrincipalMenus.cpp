// The popup menus of the tree and of the directory grid, the catalogue
// statistics, the help buttons, the result grid's default widths and the cell
// lines of the collector's grid.
#include "catalogue/format/CatalogueLine.h"
#include "catalogue/format/PathText.h"
#include "catalogue/format/TextUtils.h"
#include "dialogs/Language.h"
#include "dialogs/Modal.h"
#include "dialogs/TFColector.h"
#include "mainwindow/TFPrincipal.h"
#include "platform/Directory.h"
#include "platform/Launcher.h"
#include "platform/Text.h"
#include "ui/CheckBox.h"
#include "ui/Named.h"
#include "ui/RadioGroup.h"
#include "ui/SlotBarrier.h"
#include "ui/StringGrid.h"

#include <QContextMenuEvent>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QToolButton>
#include <QTreeWidget>
#include <QUrl>
#include <algorithm>

namespace sorvane {

namespace {

// An item of a popup menu: it shows, and forwards to, the button it mirrors.
struct MenuItem {
    const char* name;
    QToolButton* TFPrincipal::*button;
    const char* english;
    const char* spanish;
};

constexpr MenuItem kTreeItems[] = {
    {"NuevoDisco1", &TFPrincipal::SBNuevoDisco, "New disc catalogue", "Nuevo catálogo de disco"},
    {"NuevaCarpeta1", &TFPrincipal::SBNuevaCarpeta, "New folder catalogue",
     "Nuevo catálogo de carpeta"},
    {"Nuevacoleccin1", &TFPrincipal::SBNuevaColeccion, "New collection", "Nueva colección"},
    {"Cortar1", &TFPrincipal::SBCortarCatalogo, "Cut", "Cortar"},
    {"Pegar1", &TFPrincipal::SBPegarCatalogo, "Paste", "Pegar"},
    {"Pegar1ernivel1", &TFPrincipal::SBPegarCatalogo1, "Paste on root", "Pegar en el 1er nivel"},
    {"Recatalogar1", &TFPrincipal::SBRecatalogar, "Re-catalogue", "Recatalogar"},
    {"Eliminar1", &TFPrincipal::SBEliminar, "Delete", "Eliminar"},
    {"Propiedades1", &TFPrincipal::SBCambiar, "Properties", "Propiedades"},
    {"Imprimir1", &TFPrincipal::SBImprimirCatalogo, "Print", "Imprimir"},
    {"Exportar1", &TFPrincipal::SBExportaCatalogo, "Export", "Exportar"},
};

// The open items name the programs that run here: the desktop's text editor,
// its file manager and the audio player of the settings.
constexpr MenuItem kGridItems[] = {
    {"PMOAnidados", &TFPrincipal::SBAnidados, "View nested files", "Ver ficheros anidados"},
    {"PMOAbrirNotepad", &TFPrincipal::SBAbrirNotepad, "Open with the text editor",
     "Abrir con el editor de textos"},
    {"PMOAbrirSistema", &TFPrincipal::SBAbrirSistema, "Open", "Abrir"},
    {"PMOAbrirCon", &TFPrincipal::SBAbrirCon, "Open with...", "Abrir con..."},
    {"PMOEncolarWinAmp", &TFPrincipal::SBEncolarWinAmp, "Enqueue in the audio player",
     "Encolar en el reproductor de audio"},
    {"PMOAbrirExplorador", &TFPrincipal::SBAbrirExplorador, "Show in the file manager",
     "Mostrar en el gestor de ficheros"},
    {"PMOPropiedades", &TFPrincipal::SBDescripcion, "Change description", "Cambiar descripción"},
};

// An event filter made of a function: true swallows the event.
class EventHook : public QObject {
public:
    EventHook(QObject* parent, std::function<bool(QEvent*)> hook)
        : QObject(parent), hook_(std::move(hook)) {}

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        bool swallow = false;
        Guarded([&] { swallow = hook_(event); });
        return swallow;
    }

private:
    std::function<bool(QEvent*)> hook_;
};

bool IsKeyboardMenu(const QEvent* event) {
    return event->type() == QEvent::ContextMenu &&
           static_cast<const QContextMenuEvent*>(event)->reason() == QContextMenuEvent::Keyboard;
}

} // namespace

void TFPrincipal::ConnectMenuHandlers() {
    const auto menu = [this](const char* name, const auto& items) {
        auto* popup = Named<QMenu>(name, this);
        for (const MenuItem& item : items) {
            QAction* action = popup->addAction(QString());
            action->setObjectName(item.name);
            action->setVisible(false);
            action->setEnabled(false);
            QToolButton* button = this->*item.button;
            // The button's own click, which does nothing while it is disabled.
            connect(action, &QAction::triggered, this, [button] { button->click(); });
        }
        return popup;
    };
    PMArbol = menu("PMArbol", kTreeItems);
    PMDirectorio = menu("PMDirectorio", kGridItems);

    // A right press records whether it hit the selected node, and never moves
    // the selection. A menu asked for by the keyboard is on the selection.
    Arbol->viewport()->installEventFilter(new EventHook(Arbol, [this](QEvent* event) {
        const auto type = event->type();
        if (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonRelease &&
            type != QEvent::MouseButtonDblClick)
            return false;
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (type == QEvent::MouseButtonPress && mouse->button() == Qt::LeftButton &&
            Arbol->itemAt(mouse->position().toPoint()) == nullptr)
            ArbolClickVacio();
        if (mouse->button() != Qt::RightButton) return false;
        if (type == QEvent::MouseButtonPress)
            ArbolMouseUp(Qt::RightButton, Arbol->itemAt(mouse->position().toPoint()));
        return true;
    }));
    Arbol->installEventFilter(new EventHook(Arbol, [this](QEvent* event) {
        if (IsKeyboardMenu(event)) PopupOnSelection = Arbol->currentItem() != nullptr;
        return false;
    }));
    SGDirectorio->installEventFilter(new EventHook(SGDirectorio, [this](QEvent* event) {
        if (IsKeyboardMenu(event)) PopupOnSelection = SGDirectorio->Row() >= 1;
        return false;
    }));
    Arbol->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(Arbol, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        Guarded([&] {
            if (PMArbolPopup()) PMArbol->popup(Arbol->viewport()->mapToGlobal(at));
        });
    });
    SGDirectorio->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(SGDirectorio, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        Guarded([&] {
            if (PMDirectorioPopup()) PMDirectorio->popup(SGDirectorio->viewport()->mapToGlobal(at));
        });
    });

    PArbolAbajoBarraFree->installEventFilter(
        new EventHook(PArbolAbajoBarraFree, [this](QEvent* event) {
            if (event->type() != QEvent::MouseButtonRelease ||
                static_cast<QMouseEvent*>(event)->button() != Qt::LeftButton)
                return false;
            PArbolAbajoBarraFreeClick();
            return true;
        }));

    const auto help = [this](QToolButton* button, int context) {
        connect(button, &QToolButton::clicked, this,
                [this, context] { Guarded([&] { AbreAyuda(context); }); });
    };
    help(SBAyudaCat, 5);
    help(SBAyudaBus, 6);
    help(SBAyudaCfgBasic, 10200);
    help(SBAyudaCfgAvanzada, 10300);
    help(SBAyudaCfgImpresion, 10400);
    connect(SBBuscarColumnas, &QToolButton::clicked, this,
            [this] { Guarded([this] { SBBuscarColumnasClick(); }); });

    CBLinColectorHorizontal->OnClick = [this] { AplicaLineasColector(); };
    CBLinColectorVertical->OnClick = [this] { AplicaLineasColector(); };
}

// A click below the last node leaves no node selected, so the New buttons
// make their catalogue or collection at the top of the catalogue root.
void TFPrincipal::ArbolClickVacio() {
    if (BusyFlag || Arbol->currentItem() == nullptr) return;
    Arbol->clearSelection();
    Arbol->setCurrentItem(nullptr);
}

void TFPrincipal::ArbolMouseUp(Qt::MouseButton button, QTreeWidgetItem* pressed) {
    PopupOnSelection =
        button == Qt::RightButton && pressed != nullptr && pressed == Arbol->currentItem();
}

namespace {

// Every item hidden; then, when the press was on the selection, each item
// whose button is enabled, captioned in the chosen language. True when one shows.
template <std::size_t N> bool PreparaMenu(TFPrincipal& w, QMenu& menu, const MenuItem (&items)[N]) {
    const bool english = w.RGIdioma->ItemIndex() == 0;
    bool any = false;
    for (const MenuItem& item : items) {
        auto* action = menu.findChild<QAction*>(item.name);
        action->setVisible(false);
        action->setEnabled(false);
        action->setText(QString::fromUtf8(english ? item.english : item.spanish));
    }
    if (!w.PopupOnSelection || w.BusyFlag) return false;
    for (const MenuItem& item : items) {
        const bool on = (w.*item.button)->isEnabled();
        auto* action = menu.findChild<QAction*>(item.name);
        action->setVisible(on);
        action->setEnabled(on);
        any = any || on;
    }
    return any;
}

} // namespace

bool TFPrincipal::PMArbolPopup() {
    return PreparaMenu(*this, *PMArbol, kTreeItems);
}

bool TFPrincipal::PMDirectorioPopup() {
    return PreparaMenu(*this, *PMDirectorio, kGridItems);
}

void TFPrincipal::PArbolAbajoBarraFreeClick() {
    if (BusyFlag || CurrentCatalogueNode == nullptr || CurrentCatalogueNode->Lines() == nullptr)
        return;
    const CatalogueLines& lines = *CurrentCatalogueNode->Lines();
    struct Tally {
        long long count = 0, bytes = 0;
    } folders, files, archives, media;
    long long nested = 0;
    long long text = 0; // the whole text with the CR LF that ends each line
    for (std::size_t i = 0; i < lines.Count(); ++i)
        text += static_cast<long long>(lines.Line(i).size()) + 2;
    for (std::size_t i = 1; i < lines.Count(); ++i) {
        const std::string_view line = lines.Line(i);
        Tally* tally = &files;
        if (EsLineaCarpeta(line)) {
            tally = &folders;
        } else if (TieneAnidados(line)) {
            tally = &archives;
            // Each member of the block ends in the separator once it is taken out.
            nested += static_cast<long long>(CuentaAnidados(DameFicheroAnidados(line)));
        } else if (TieneMultimedia(line)) {
            tally = &media;
        }
        ++tally->count;
        tally->bytes += static_cast<long long>(line.size());
    }
    const auto row = [](const char* label, const Tally& t) {
        return std::string(label) + FormatThousands(t.count) + " (" + FormatThousands(t.bytes) +
               " bytes)";
    };
    const std::string last =
        lines.Count() > 0 ? text::AsUtf8(LimpiaControles(lines.Line(lines.Count() - 1))) : "";
    const std::string message =
        row("Carpetas: ", folders) + "\n" + row("Ficheros: ", files) + "\n" +
        row("Comprimidos: ", archives) + "\n" + "Anidados: " + FormatThousands(nested) + "\n" +
        row("Multimedia: ", media) + "\n" + "Total: " + FormatThousands(text) +
        " Lineas: " + FormatThousands(static_cast<long long>(lines.Count())) + "\n" + "LL: >" +
        last + "<";
    MensajeSistema(QString::fromStdString(message));
}

void TFPrincipal::SBBuscarColumnasClick() {
    static constexpr std::pair<int, int> kFixed[] = {
        {1, 80},  {2, 80},  {3, 140}, {6, 64},  {7, 81},  {8, 81},  {9, 40}, {10, 30},
        {11, 48}, {12, 60}, {13, 30}, {14, 12}, {15, 30}, {16, 22}, {17, 50}};
    const std::vector<QString> none;
    const std::vector<QString> sizes = {TamanoDeMuestra()};
    const std::vector<QString> dates = FechasDeMuestra(true);
    // Each widened where its title or a sample would not fit.
    const auto set = [&](int col, int width) {
        const std::vector<QString>& samples = col == 6               ? sizes
                                              : col == 7 || col == 8 ? dates
                                                                     : none;
        SGResultados->SetColWidths(
            col, AnchoColumna(*SGResultados, kTitulosResultados[col], width, samples));
    };
    for (const auto& [col, width] : kFixed)
        set(col, width);
    const int half = (SGResultados->viewport()->width() - 848) / 2;
    set(4, std::max(half - 24, 140));
    set(5, std::max(half + 10, 150));
}

std::string TFPrincipal::FicheroAyuda() const {
    return ProgramFolder + (RGIdioma->ItemIndex() == 0 ? "sorvaneeng.hlp" : "sorvanespa.hlp");
}

void TFPrincipal::AbreAyuda(int context) {
    const std::string file = FicheroAyuda();
    if (!FileExists(file)) {
        MuestraMensaje(LeeTexto("M", "M_AYUDA_NOENCONTRADA") + "\n" + file);
        return;
    }
    // The desktop's program for the file, at the topic named by the fragment.
    QUrl url = QUrl::fromLocalFile(QString::fromStdString(file));
    url.setFragment(QString::number(context));
    const LaunchResult started =
        OpenWithDefaultProgram(url.toString(QUrl::FullyEncoded).toStdString());
    if (!started) MuestraMensaje(started.error);
}

void TFPrincipal::AplicaLineasColector() {
    if (FColector != nullptr)
        AplicaLineas(*FColector->SGColector, *this, RejillaConLineas::Colector);
}

} // namespace sorvane
