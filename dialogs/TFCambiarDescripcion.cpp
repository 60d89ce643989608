// The description editor.
#include "dialogs/TFCambiarDescripcion.h"

#include "catalogue/format/CatalogueLine.h"
#include "dialogs/Language.h"
#include "dialogs/Modal.h"
#include "mainwindow/DialogHost.h"
#include "mainwindow/TreeNode.h"
#include "platform/CataloguePath.h"
#include "platform/Files.h"
#include "platform/Text.h"
#include "ui/Named.h"
#include "ui/SlotBarrier.h"
#include "ui/StatusBar.h"
#include "ui/StringGrid.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

namespace sorvane {
namespace {

// Columns of the directory grid the window reads.
constexpr int kColDescription = 1;
constexpr int kColName = 2;
constexpr int kColFirstMedia = 8; // duration; resolution to genre follow
constexpr int kMaxDescription = 256;

// A character a description cannot hold: it would end the line, or open or
// close one of its blocks.
bool Refused(QChar c) {
    return c.unicode() < 32 || c == '|';
}

QString Q(std::string_view bytes) {
    return QString::fromStdString(text::AsUtf8(bytes));
}

} // namespace

TFCambiarDescripcion::TFCambiarDescripcion(DialogHost& host, QWidget* parent)
    : QDialog(parent), host_(host) {
    setObjectName("FCambiarDescripcion");
    setModal(true);
    LItem = Named<QLabel>("LItem", this);
    LAnterior = Named<QLabel>("LAnterior", this);
    LNueva = Named<QLabel>("LNueva", this);
    MNombre = Named<QPlainTextEdit>("MNombre", this);
    MNombre->setReadOnly(true);
    MNombre->setFixedHeight(MNombre->fontMetrics().lineSpacing() * 3);
    EAnterior = Named<QLineEdit>("EAnterior", this);
    EAnterior->setReadOnly(true);
    ENueva = Named<QLineEdit>("ENueva", this);
    ENueva->setMinimumWidth(420);
    ENueva->installEventFilter(this);
    LItem->setBuddy(MNombre);
    LAnterior->setBuddy(EAnterior);
    LNueva->setBuddy(ENueva);
    BBAceptar = Named<QPushButton>("BBAceptar", this);
    BBAceptar->setAutoDefault(false);

    GBMultimedia = Named<QGroupBox>("GBMultimedia", this);
    auto* media = new QGridLayout(GBMultimedia);
    const std::pair<QLabel**, const char*> captions[] = {
        {&LMMDuracion, "LMMDuracion"}, {&LMMResolucion, "LMMResolucion"},
        {&LMMCalidad, "LMMCalidad"},   {&LMMCanales, "LMMCanales"},
        {&LMMAno, "LMMAno"},           {&LMMPista, "LMMPista"},
        {&LMMGenero, "LMMGenero"},
    };
    const std::pair<QLabel**, const char*> values[] = {
        {&LMMDatoDuracion, "LMMDatoDuracion"}, {&LMMDatoResolucion, "LMMDatoResolucion"},
        {&LMMDatoCalidad, "LMMDatoCalidad"},   {&LMMDatoCanales, "LMMDatoCanales"},
        {&LMMDatoAno, "LMMDatoAno"},           {&LMMDatoPista, "LMMDatoPista"},
        {&LMMDatoGenero, "LMMDatoGenero"},
    };
    for (int i = 0; i < 7; ++i) {
        *captions[i].first = Named<QLabel>(captions[i].second, GBMultimedia);
        *values[i].first = Named<QLabel>(values[i].second, GBMultimedia);
        media->addWidget(*captions[i].first, i % 4, (i / 4) * 2);
        media->addWidget(*values[i].first, i % 4, (i / 4) * 2 + 1);
    }

    auto* layout = new QGridLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addWidget(LItem, 0, 0);
    layout->addWidget(MNombre, 0, 1);
    layout->addWidget(LAnterior, 1, 0);
    layout->addWidget(EAnterior, 1, 1);
    layout->addWidget(LNueva, 2, 0);
    layout->addWidget(ENueva, 2, 1);
    layout->addWidget(GBMultimedia, 3, 0, 1, 2);
    layout->addWidget(BBAceptar, 4, 1, Qt::AlignRight);

    connect(BBAceptar, &QPushButton::clicked, this,
            [this] { Guarded([this] { BBAceptarClick(); }); });
}

QString TFCambiarDescripcion::LimpiaDescripcion(const QString& text) {
    QString clean;
    clean.reserve(text.size());
    for (QChar c : text)
        if (!Refused(c)) clean += c;
    return clean;
}

void TFCambiarDescripcion::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    Guarded([this] { FormShow(); });
}

void TFCambiarDescripcion::FormShow() {
    DialogHost& main = host_;
    const TStringGrid& grid = main.RejillaDirectorio();
    row_ = grid.Row();
    const int kind = row_ > 0 ? grid.RowTag(row_) : kRowEmpty;
    node_ = kind == kRowFolder || kind == kRowFile ? main.NodoCatalogoActual() : nullptr;
    if (node_ == nullptr) return;
    name_ = grid.Cells(kColName, row_);
    folder_ = main.RutaCarpetaActual();
    ENueva->setMaxLength(kMaxDescription);
    const std::string& folder = main.RutaCarpetaActual();
    const std::string_view header = node_->Lines()->Line(0);
    const std::string drive = std::string(1, DameCabeceraUnidad(header)) + ":";
    // The entry below the catalogue's root folder ("Music\Live\alpha.mp3").
    const std::string name = grid.CellText(kColName, row_).trimmed().toStdString();
    const std::string below =
        folder == "\\" || folder.empty() ? name : folder.substr(1) + "\\" + name;
    // As Linux writes it where the catalogue's drive letter stands for a folder
    // here (a folder catalogue's entries lie below its folder); else in the
    // catalogue's own form.
    std::string base(EsCatalogoCarpeta(header) ? DameCabeceraRuta(header) : std::string_view());
    if (base.empty() || base.back() != '\\') base.push_back('\\');
    const std::string host = ToHostPath(drive + base + below);
    MNombre->setPlainText(Q(host.empty() ? drive + "\\" + below : host));
    QLabel* const media[] = {LMMDatoDuracion, LMMDatoResolucion, LMMDatoCalidad, LMMDatoCanales,
                             LMMDatoAno,      LMMDatoPista,      LMMDatoGenero};
    for (int i = 0; i < 7; ++i)
        media[i]->setText(grid.CellText(kColFirstMedia + i, row_));
    EAnterior->setText(grid.CellText(kColDescription, row_));
    ENueva->setText(EAnterior->text());
    ENueva->setFocus();
}

void TFCambiarDescripcion::BBAceptarClick() {
    if (node_ == nullptr) return;
    // Pasted text skips the key filter: CR or LF would split the line, and
    // 26, 29, 30 or 31 would open or close one of its blocks.
    ENueva->setText(LimpiaDescripcion(ENueva->text()).trimmed());
    if (ENueva->text() == EAnterior->text()) return;
    const QString caption = QString::fromStdString(LeeTexto("M", "M_CAMBIAR_DESC"));
    if (!PreguntaSiNo(caption, QString::fromStdString(LeeTexto("M", "M_DESEA_CAMBIAR_DESC"))))
        return;

    DialogHost& main = host_;
    // Another copy of the program wrote the catalogue since it was loaded:
    // nothing is written, and the text stays here to be saved again.
    if (!main.CatalogoIntacto(node_)) return;
    TStatusPanel& panel = main.BarraEstado().Panels(1);
    panel.SetText(LeeTexto("M", "M_ALMACENANDO_DESC"));
    main.BarraEstado().repaint();

    // The entry's line, among the lines of its folder and below it, found by
    // the folder and name it had when the window opened (a catalogue loaded
    // again since lists another grid).
    CatalogueLines& lines = *node_->Lines();
    const std::string& name = name_;
    const std::string& folder = folder_;
    std::size_t folderLine = 0;
    for (std::size_t i = 1; i < lines.Count() && folderLine == 0; ++i)
        if (EsLineaCarpeta(lines.Line(i)) && DameCarpetaRuta(lines.Line(i)) == folder)
            folderLine = i;
    std::size_t index = 0;
    if (folderLine > 0) {
        const auto first = folderLine + 1;
        if (!name.empty() && name.back() == '\\') {
            const std::string target = folder + (folder == "\\" ? "" : "\\") + name;
            for (std::size_t i = first; i < lines.Count() && index == 0; ++i) {
                const std::string_view line = lines.Line(i);
                if (EsLineaCarpeta(line) && std::string(DameCarpetaRuta(line)) + "\\" == target)
                    index = i;
            }
        } else {
            for (std::size_t i = first; i < lines.Count() && index == 0; ++i) {
                const std::string_view line = lines.Line(i);
                if (EsLineaCarpeta(line)) break;
                if (DameFicheroNombre(line) == name) index = i;
            }
        }
    }
    if (index == 0) {
        panel.SetText("");
        return main.MuestraMensaje(LeeTexto("M", "M_IMPOSIBLE_CAMBIAR_DESC"));
    }

    const std::string before(lines.Line(index));
    const std::string description = ENueva->text().toStdString();
    lines.Replace(index, description.empty() ? std::string(QuitaDescripcion(before))
                                             : PonDescripcion(before, description));
    try {
        lines.SaveToFile(main.FicheroDeCatalogo(node_));
    } catch (const EInOutError& e) {
        // Memory keeps what the file holds, so no later save writes this text unasked.
        lines.Replace(index, before);
        panel.SetText("");
        return main.MuestraMensaje(e.what());
    }
    main.RecuerdaIdentidad(node_);
    panel.SetText("");
    if (main.NodoCatalogoActual() == node_ && main.RutaCarpetaActual() == folder_ &&
        row_ < main.RejillaDirectorio().RowCount() &&
        main.RejillaDirectorio().Cells(kColName, row_) == name_)
        main.RejillaDirectorio().SetCellText(kColDescription, row_, ENueva->text());
    accept();
}

bool TFCambiarDescripcion::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ENueva && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            Guarded([this] { BBAceptarClick(); });
            return true;
        }
        // Escape reaches the window, which closes; Tab moves the focus.
        if (key->key() == Qt::Key_Escape || key->key() == Qt::Key_Tab ||
            key->key() == Qt::Key_Backtab)
            return QDialog::eventFilter(watched, event);
        const QString typed = key->text();
        if (!typed.isEmpty() && typed.at(0) != '\b' && Refused(typed.at(0))) return true;
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace sorvane
