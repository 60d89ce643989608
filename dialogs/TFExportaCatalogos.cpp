// The catalogue export window.
#include "dialogs/TFExportaCatalogos.h"

#include "catalogue/format/CatalogueLines.h"
#include "catalogue/format/ExportRows.h"
#include "dialogs/Language.h"
#include "dialogs/Modal.h"
#include "mainwindow/DialogHost.h"
#include "mainwindow/TreeNode.h"
#include "platform/AtomicFile.h"
#include "platform/Files.h"
#include "ui/BusyGuard.h"
#include "ui/CheckBox.h"
#include "ui/Named.h"
#include "ui/ScopeGuard.h"
#include "ui/SlotBarrier.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <QVBoxLayout>
#include <algorithm>

namespace sorvane {
namespace {

QString Text(const std::string& text) {
    return QString::fromStdString(text);
}

} // namespace

TFExportaCatalogos::TFExportaCatalogos(DialogHost& host, QWidget* parent)
    : QDialog(parent), host_(host) {
    setObjectName("FExportaCatalogos");
    setModal(true);
    const auto label = [this](const char* name) {
        auto* l = Named<QLabel>(name, this);
        l->setWordWrap(true);
        return l;
    };
    const auto button = [this](const char* name) {
        auto* b = Named<QPushButton>(name, this);
        b->setAutoDefault(false);
        return b;
    };
    BExportaCatalogo = button("BExportaCatalogo");
    BExportaColeccion = button("BExportaColeccion");
    BExportaTodo = button("BExportaTodo");
    LExportaCatalogo = label("LExportaCatalogo");
    LExportaColeccion = label("LExportaColeccion");
    LExportaTodo = label("LExportaTodo");
    LProgresoExportar = label("LProgresoExportar");
    PBExportar = Named<QProgressBar>("PBExportar", this);
    PBExportar->setRange(0, 1);
    PBExportar->setValue(0);
    GBExportarOpciones = Named<QGroupBox>("GBExportarOpciones", this);
    CBExportaAnidados = Named<TCheckBox>("CBExportaAnidados", GBExportarOpciones);
    (new QVBoxLayout(GBExportarOpciones))->addWidget(CBExportaAnidados);

    auto* layout = new QGridLayout(this);
    layout->addWidget(BExportaCatalogo, 0, 0);
    layout->addWidget(LExportaCatalogo, 0, 1);
    layout->addWidget(BExportaColeccion, 1, 0);
    layout->addWidget(LExportaColeccion, 1, 1);
    layout->addWidget(BExportaTodo, 2, 0);
    layout->addWidget(LExportaTodo, 2, 1);
    layout->addWidget(GBExportarOpciones, 3, 0, 1, 2);
    layout->addWidget(LProgresoExportar, 4, 0, 1, 2);
    layout->addWidget(PBExportar, 5, 0, 1, 2);
    layout->setColumnStretch(1, 1);
    setMinimumWidth(420);

    connect(BExportaCatalogo, &QPushButton::clicked, this,
            [this] { Guarded([this] { BExportaCatalogoClick(); }); });
    connect(BExportaColeccion, &QPushButton::clicked, this,
            [this] { Guarded([this] { BExportaColeccionClick(); }); });
    connect(BExportaTodo, &QPushButton::clicked, this,
            [this] { Guarded([this] { BExportaTodoClick(); }); });
}

void TFExportaCatalogos::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    Guarded([this] { FormShow(); });
}

void TFExportaCatalogos::closeEvent(QCloseEvent* event) {
    if (running_)
        event->ignore();
    else
        QDialog::closeEvent(event);
}

void TFExportaCatalogos::keyPressEvent(QKeyEvent* event) {
    if (running_ && event->key() == Qt::Key_Escape) {
        event->ignore();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TFExportaCatalogos::reject() {
    if (!running_) QDialog::reject();
}

void TFExportaCatalogos::FormShow() {
    setWindowTitle(Text(LeeTextoCapital("W", "EXPORTACION")));
    LProgresoExportar->setText(Text(LeeTextoCapital("W", "INFO_PROGRESO")));
    LExportaCatalogo->setText(Text(LeeTexto("L", "L_EXPORTA_UNO")));
    LExportaColeccion->setText(Text(LeeTexto("L", "L_EXPORTA_COLECCION")));
    LExportaTodo->setText(Text(LeeTexto("L", "L_EXPORTA_TODO")));
    GBExportarOpciones->setTitle(Text(LeeTextoCapital("W", "OPCIONES")));
    CBExportaAnidados->setText(Text(LeeTexto("L", "L_EXPORTA_ANIDADOS")));
    for (QPushButton* b : {BExportaCatalogo, BExportaColeccion, BExportaTodo})
        b->setText(Text(LeeTextoCapital("W", "EXPORTACION")));
    ActivaBotones();
    PBExportar->setRange(0, 1);
    PBExportar->setValue(0);
}

void TFExportaCatalogos::ActivaBotones() {
    DialogHost& main = host_;
    QTreeWidgetItem* node = main.ArbolCatalogos().currentItem();
    BExportaCatalogo->setEnabled(main.EsCatalogo(node));
    BExportaColeccion->setEnabled(main.EsColeccion(node));
    BExportaTodo->setEnabled(true);
}

void TFExportaCatalogos::GeneraFilasExportacion(CatalogueLines& target, TNodoArbol& node,
                                                bool withCatalogue) {
    const CatalogueLines* lines = node.Lines();
    if (lines == nullptr) return;
    const std::string name = node.text(0).toStdString();
    DialogHost& main = host_;
    FilasExportacion(
        *lines, withCatalogue ? std::optional<std::string_view>(name) : std::nullopt,
        CBExportaAnidados->Checked(),
        [&main](const DateTime& date) { return main.TextoFechaUtf8(date, true); }, target);
}

void TFExportaCatalogos::BExportaCatalogoClick() {
    DialogHost& main = host_;
    if (running_ || main.Ocupado() || main.NodoCatalogoActual() == nullptr) return;
    Exporta(main.NodoCatalogoActual()->text(0), {main.NodoCatalogoActual()}, false);
}

void TFExportaCatalogos::BExportaColeccionClick() {
    DialogHost& main = host_;
    QTreeWidgetItem* collection = main.ArbolCatalogos().currentItem();
    if (running_ || main.Ocupado() || !main.EsColeccion(collection)) return;
    std::vector<TNodoArbol*> catalogues;
    for (QTreeWidgetItemIterator it(collection); *it; ++it) {
        if (*it != collection && !main.EsDescendiente(collection, *it)) break;
        if (main.EsCatalogo(*it)) catalogues.push_back(AsNodo(*it));
    }
    Exporta(collection->text(0), catalogues, true);
}

void TFExportaCatalogos::BExportaTodoClick() {
    DialogHost& main = host_;
    if (running_ || main.Ocupado()) return;
    std::vector<TNodoArbol*> catalogues;
    for (QTreeWidgetItemIterator it(&main.ArbolCatalogos()); *it; ++it)
        if (main.EsCatalogo(*it)) catalogues.push_back(AsNodo(*it));
    Exporta("FullCollection", catalogues, true);
}

void TFExportaCatalogos::Exporta(const QString& name, const std::vector<TNodoArbol*>& catalogues,
                                 bool withCatalogue) {
    DialogHost& main = host_;
    const QString path = PreguntaFicheroGuardar({QString(), "ASCII Tab (*.txt)", "txt", name});
    if (path.isEmpty()) return;

    const bool wasBusy = main.Ocupado();
    main.PonOcupado(true);
    const TScopeGuard busy([&main, wasBusy] { main.PonOcupado(wasBusy); });
    const TBusyGuard running(running_);
    for (QPushButton* b : {BExportaCatalogo, BExportaColeccion, BExportaTodo})
        b->setEnabled(false);
    const TScopeGuard restored([this] { Guarded([this] { ActivaBotones(); }); });
    // The main window's scratch list emptied however the run ends.
    const TScopeGuard emptied([&main] { main.LineasEscaneo().Clear(); });
    const int count = static_cast<int>(catalogues.size());
    PBExportar->setRange(0, std::max(1, count));
    PBExportar->setValue(0);
    try {
        // One catalogue's rows in memory at a time.
        TAtomicFile file(path.toStdString());
        for (int i = 0; i < count; ++i) {
            main.LineasEscaneo().Clear();
            GeneraFilasExportacion(main.LineasEscaneo(), *catalogues[static_cast<std::size_t>(i)],
                                   withCatalogue);
            file.Write(main.LineasEscaneo().ToText());
            PBExportar->setValue(i + 1);
            if (withCatalogue) QCoreApplication::processEvents();
        }
        file.Commit();
    } catch (const EInOutError& e) {
        main.MuestraMensaje(e.what());
        return;
    }
    PBExportar->setValue(PBExportar->maximum());
    MensajeSistema(Text(LeeTextoCapital("W", "TRABAJO_HECHO")));
}

} // namespace sorvane
