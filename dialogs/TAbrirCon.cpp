// The "open with" chooser over the desktop entries of the XDG data folders.
#include "dialogs/TAbrirCon.h"

#include "dialogs/Language.h"
#include "ui/Named.h"

#include <QDialogButtonBox>
#include <QFileInfo>
#include <QIcon>
#include <QLabel>
#include <QListWidget>
#include <QMimeDatabase>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

namespace sorvane {
namespace {

QIcon AppIcon(const std::string& icon) {
    if (icon.empty()) return {};
    const QString name = QString::fromStdString(icon);
    return name.startsWith('/') ? QIcon(name) : QIcon::fromTheme(name);
}

std::vector<DesktopApp> WithoutTerminal(std::vector<DesktopApp> apps) {
    apps.erase(std::remove_if(apps.begin(), apps.end(),
                              [](const DesktopApp& app) { return app.terminal; }),
               apps.end());
    return apps;
}

} // namespace

TAbrirCon::TAbrirCon(const std::string& path, QWidget* parent) : QDialog(parent) {
    setObjectName("TAbrirCon");
    setWindowTitle(QString::fromStdString(LeeTexto("H", "H_ABRIR_CON")));
    resize(380, 420);
    auto* layout = new QVBoxLayout(this);
    LFichero = new QLabel(QFileInfo(QString::fromStdString(path)).fileName(), this);
    LFichero->setObjectName("LFichero");
    layout->addWidget(LFichero);
    LBProgramas = Named<QListWidget>("LBProgramas", this);
    layout->addWidget(LBProgramas, 1);
    BBotones = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    BBotones->setObjectName("BBotones");
    BBotones->button(QDialogButtonBox::Ok)->setText(QString::fromStdString(LeeTexto("W", "OK")));
    layout->addWidget(BBotones);

    apps_ = WithoutTerminal(DesktopAppsForTypes(TiposDe(path)));
    if (apps_.empty()) apps_ = WithoutTerminal(ListDesktopApps());
    for (const DesktopApp& app : apps_)
        new QListWidgetItem(AppIcon(app.icon), QString::fromStdString(app.name), LBProgramas);
    if (!apps_.empty()) LBProgramas->setCurrentRow(0);

    connect(BBotones, &QDialogButtonBox::accepted, this, &TAbrirCon::BAceptarClick);
    connect(BBotones, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(LBProgramas, &QListWidget::itemDoubleClicked, this, &TAbrirCon::BAceptarClick);
}

std::vector<std::string> TAbrirCon::TiposDe(const std::string& path) {
    const QMimeType type = QMimeDatabase().mimeTypeForFile(QString::fromStdString(path));
    std::vector<std::string> names;
    const auto add = [&](const QString& name) {
        const std::string text = name.toStdString();
        if (!text.empty() && std::find(names.begin(), names.end(), text) == names.end())
            names.push_back(text);
    };
    add(type.name());
    for (const QString& alias : type.aliases())
        add(alias);
    for (const QString& ancestor : type.allAncestors())
        add(ancestor);
    return names;
}

std::optional<DesktopApp> TAbrirCon::Elegida() const {
    const int row = LBProgramas->currentRow();
    if (row < 0 || row >= static_cast<int>(apps_.size())) return std::nullopt;
    return apps_[static_cast<std::size_t>(row)];
}

void TAbrirCon::BAceptarClick() {
    if (Elegida()) accept();
}

} // namespace sorvane
