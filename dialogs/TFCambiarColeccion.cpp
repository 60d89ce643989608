// The collection editor.
#include "dialogs/TFCambiarColeccion.h"

#include "dialogs/Language.h"
#include "mainwindow/DialogHost.h"
#include "mainwindow/TreeNode.h"
#include "platform/Folders.h"
#include "ui/Named.h"
#include "ui/SlotBarrier.h"

#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>

namespace sorvane {
namespace {

// A new name that would put the folder somewhere else than beside the old one.
bool MueveCarpeta(const QString& name) {
    return name.isEmpty() || name == "." || name == ".." || name.contains('/') ||
           name.contains('\\') || name.contains(QChar(0));
}

// What MueveCarpeta refuses in a name, as the message shows it: the
// separators and NUL it holds, or the whole name "." or "..".
std::string Separadores(const QString& name) {
    if (name == "." || name == "..") return name.toStdString();
    std::string shown;
    for (const auto& [c, text] :
         {std::pair{QChar('/'), "/"}, std::pair{QChar('\\'), "\\"}, std::pair{QChar(0), "#0"}})
        if (name.contains(c)) shown += std::string(shown.empty() ? "" : " ") + text;
    return shown;
}

} // namespace

TFCambiarColeccion::TFCambiarColeccion(DialogHost& host, QWidget* parent)
    : QDialog(parent), host_(host) {
    setObjectName("FCambiarColeccion");
    setModal(true);
    LAnterior = Named<QLabel>("LAnterior", this);
    LNueva = Named<QLabel>("LNueva", this);
    EAnterior = Named<QLineEdit>("EAnterior", this);
    // The current name says which folder is renamed; it is shown, not edited.
    EAnterior->setReadOnly(true);
    ENueva = Named<QLineEdit>("ENueva", this);
    ENueva->setMinimumWidth(300);
    ENueva->installEventFilter(this);
    LAnterior->setBuddy(EAnterior);
    LNueva->setBuddy(ENueva);
    BBAceptar = Named<QPushButton>("BBAceptar", this);
    BBAceptar->setAutoDefault(false);

    auto* layout = new QGridLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addWidget(LAnterior, 0, 0);
    layout->addWidget(EAnterior, 0, 1);
    layout->addWidget(LNueva, 1, 0);
    layout->addWidget(ENueva, 1, 1);
    layout->addWidget(BBAceptar, 2, 1, Qt::AlignRight);

    connect(BBAceptar, &QPushButton::clicked, this,
            [this] { Guarded([this] { BBAceptarClick(); }); });
}

void TFCambiarColeccion::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    Guarded([this] { FormShow(); });
}

void TFCambiarColeccion::FormShow() {
    QTreeWidgetItem* node = host_.ArbolCatalogos().currentItem();
    const QString name = node != nullptr ? node->text(0) : QString();
    EAnterior->setText(name);
    ENueva->setText(name);
    ENueva->setFocus();
}

void TFCambiarColeccion::BBAceptarClick() {
    ENueva->setText(ENueva->text().trimmed());
    const QString name = ENueva->text();
    if (name == EAnterior->text()) return;
    DialogHost& main = host_;
    QTreeWidgetItem* node = main.ArbolCatalogos().currentItem();
    if (!name.isEmpty() && MueveCarpeta(name)) {
        main.MuestraMensaje(LeeTexto("M", "M_CARACTER_PROHIBIDO") + " " + Separadores(name));
        return;
    }
    if (!main.EsColeccion(node) || MueveCarpeta(name) ||
        !RenameNoReplace(main.CarpetaDeNodo(node),
                         main.CarpetaDeNodo(node->parent()) + "/" + name.toStdString())) {
        main.MuestraMensaje(LeeTexto("M", "M_IMPOSIBLE_RENOMBRAR_COL"));
        return;
    }
    node->setText(0, name);
    // The paths kept for the selected collection follow its new name.
    main.ArbolChange(node);
    accept();
}

bool TFCambiarColeccion::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ENueva && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            Guarded([this] { BBAceptarClick(); });
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace sorvane
