// The catalogue-header editor.
#include "dialogs/TFCambiarCatalogo.h"

#include "catalogue/format/CatalogueLine.h"
#include "catalogue/format/Codes.h"
#include "catalogue/format/LineBuilders.h"
#include "catalogue/format/PathText.h"
#include "catalogue/format/TextUtils.h"
#include "dialogs/Language.h"
#include "mainwindow/DialogHost.h"
#include "mainwindow/TreeNode.h"
#include "platform/Directory.h"
#include "platform/Files.h"
#include "platform/Locale.h"
#include "platform/Text.h"
#include "ui/Named.h"
#include "ui/RadioGroup.h"
#include "ui/SlotBarrier.h"

#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <charconv>

namespace sorvane {
namespace {

// "Dirs", the type of a folder catalogue, is item 12 of the old-type group.
constexpr int kItemDirs = 12;
// More digits than any 64-bit byte count has.
constexpr std::size_t kMaxDigits = 18;

// Catalogue names are compared upper-cased and without accents.
std::string Pliega(std::string_view name) {
    std::string folded = text::AsUtf8(name);
    PasaMayusculasSinTildes(folded);
    return folded;
}

} // namespace

const char* const TFCambiarCatalogo::kTiposNuevos[13] = {
    "CD-A", "CD-ROM", "CD-RW", "Floppy", "LS-120", "DVD", "DVD-RW",
    "H.D.", "Netdrv", "Zip",   "Jaz",    "M.O.",   "?"};

TFCambiarCatalogo::TFCambiarCatalogo(DialogHost& host, QWidget* parent)
    : QDialog(parent), host_(host) {
    setObjectName("FCambiarCatalogo");
    setModal(true);
    LAnterior = Named<QLabel>("LAnterior", this);
    LNueva = Named<QLabel>("LNueva", this);
    // The current name says which catalogue is changed; it is shown, not edited.
    EAnterior = Named<QLineEdit>("EAnterior", this);
    EAnterior->setReadOnly(true);
    ENueva = Named<QLineEdit>("ENueva", this);
    ENueva->setMaxLength(128);
    ENueva->setMinimumWidth(300);
    ENueva->installEventFilter(this);
    LAnterior->setBuddy(EAnterior);
    LNueva->setBuddy(ENueva);

    QStringList newTypes;
    for (const char* type : kTiposNuevos)
        newTypes << type;
    QStringList oldTypes = newTypes;
    oldTypes.insert(kItemDirs, "Dirs");
    RGTipoDiscoAnterior = Named<TRadioGroup>("RGTipoDiscoAnterior", this);
    RGTipoDiscoAnterior->SetItems(oldTypes);
    RGTipoDiscoAnterior->SetColumns(2);
    // The old type is shown, not chosen.
    RGTipoDiscoAnterior->setEnabled(false);
    RGTipoDiscoNuevo = Named<TRadioGroup>("RGTipoDiscoNuevo", this);
    RGTipoDiscoNuevo->SetItems(newTypes);
    RGTipoDiscoNuevo->SetColumns(2);

    LAnteriorOcupado = Named<QLabel>("LAnteriorOcupado", this);
    LAnteriorLibre = Named<QLabel>("LAnteriorLibre", this);
    LAnteriorTotal = Named<QLabel>("LAnteriorTotal", this);
    LAnteriorOcupadoDato = Named<QLabel>("LAnteriorOcupadoDato", this);
    LAnteriorLibreDato = Named<QLabel>("LAnteriorLibreDato", this);
    LAnteriorTotalDato = Named<QLabel>("LAnteriorTotalDato", this);
    for (QLabel* value : {LAnteriorOcupadoDato, LAnteriorLibreDato, LAnteriorTotalDato})
        value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    LNuevoTotal = Named<QLabel>("LNuevoTotal", this);
    LNuevoLibre = Named<QLabel>("LNuevoLibre", this);
    ENuevoTotal = Named<QLineEdit>("ENuevoTotal", this);
    ENuevoLibre = Named<QLineEdit>("ENuevoLibre", this);
    ENuevoLibre->setReadOnly(true);
    for (QLineEdit* number : {ENuevoTotal, ENuevoLibre})
        number->setAlignment(Qt::AlignRight);
    LNuevoTotal->setBuddy(ENuevoTotal);
    BBAceptar = Named<QPushButton>("BBAceptar", this);
    BBAceptar->setAutoDefault(false);

    auto* layout = new QGridLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addWidget(LAnterior, 0, 0);
    layout->addWidget(EAnterior, 0, 1, 1, 3);
    layout->addWidget(LNueva, 1, 0);
    layout->addWidget(ENueva, 1, 1, 1, 3);
    layout->addWidget(RGTipoDiscoAnterior, 2, 0, 1, 2);
    layout->addWidget(RGTipoDiscoNuevo, 2, 2, 1, 2);
    layout->addWidget(LAnteriorOcupado, 3, 0);
    layout->addWidget(LAnteriorOcupadoDato, 3, 1);
    layout->addWidget(LAnteriorLibre, 4, 0);
    layout->addWidget(LAnteriorLibreDato, 4, 1);
    layout->addWidget(LAnteriorTotal, 5, 0);
    layout->addWidget(LAnteriorTotalDato, 5, 1);
    layout->addWidget(LNuevoTotal, 3, 2);
    layout->addWidget(ENuevoTotal, 3, 3);
    layout->addWidget(LNuevoLibre, 4, 2);
    layout->addWidget(ENuevoLibre, 4, 3);
    layout->addWidget(BBAceptar, 6, 3, Qt::AlignRight);

    connect(ENuevoTotal, &QLineEdit::textChanged, this,
            [this] { Guarded([this] { ENuevoTotalChange(); }); });
    connect(BBAceptar, &QPushButton::clicked, this,
            [this] { Guarded([this] { BBAceptarClick(); }); });
}

std::optional<std::int64_t> TFCambiarCatalogo::LeeNumero(const QString& text,
                                                         std::string_view separator) {
    std::string digits = text.trimmed().toStdString();
    if (!separator.empty())
        for (std::size_t at = digits.find(separator); at != std::string::npos;
             at = digits.find(separator, at))
            digits.erase(at, separator.size());
    digits = RemoveChars(digits, ".,");
    if (digits.empty() || digits.size() > kMaxDigits) return std::nullopt;
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (error != std::errc() || end != digits.data() + digits.size() || digits.front() == '-')
        return std::nullopt;
    return value;
}

void TFCambiarCatalogo::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    Guarded([this] { FormShow(); });
}

void TFCambiarCatalogo::FormShow() {
    DialogHost& main = host_;
    QTreeWidgetItem* selected = main.ArbolCatalogos().currentItem();
    node_ = main.EsCatalogo(selected) && AsNodo(selected)->Lines() != nullptr &&
                    AsNodo(selected)->Lines()->Count() > 0
                ? AsNodo(selected)
                : nullptr;
    if (node_ == nullptr) return;
    const std::string_view header = node_->Lines()->Line(0);
    EAnterior->setText(node_->text(0));
    ENueva->setText(node_->text(0));
    // A type the groups do not know leaves them without a choice.
    RGTipoDiscoAnterior->SetItemIndex(-1);
    RGTipoDiscoNuevo->SetItemIndex(-1);
    host_.MarcaTipoDisco(header, *RGTipoDiscoAnterior);
    host_.MarcaTipoDisco(header, *RGTipoDiscoNuevo);
    RGTipoDiscoNuevo->setEnabled(true);
    ENuevoTotal->setEnabled(true);
    const std::int64_t used = DameCabeceraOcupado(header);
    const std::int64_t free = DameCabeceraLibre(header);
    LAnteriorOcupadoDato->setText(QString::fromStdString(FormatThousands(used)));
    LAnteriorLibreDato->setText(QString::fromStdString(FormatThousands(free)));
    LAnteriorTotalDato->setText(QString::fromStdString(FormatThousands(used + free)));
    if (RGTipoDiscoAnterior->ItemIndex() == kItemDirs) {
        // A folder catalogue stays one, and its size is that of its files.
        RGTipoDiscoNuevo->SetItemIndex(-1);
        RGTipoDiscoNuevo->setEnabled(false);
        ENuevoTotal->setEnabled(false);
    }
    ENuevoTotal->setText(QString::fromStdString(FormatThousands(used + free)));
    ENuevoTotalChange();
    ENueva->setFocus();
}

void TFCambiarCatalogo::ENuevoTotalChange() {
    if (node_ == nullptr) return;
    const std::optional<std::int64_t> total = LeeNumero(ENuevoTotal->text(), ThousandsSeparator());
    const std::int64_t used = DameCabeceraOcupado(node_->Lines()->Line(0));
    ENuevoLibre->setText(total ? QString::fromStdString(FormatThousands(*total - used))
                               : QString());
}

bool TFCambiarCatalogo::ExisteOtroFichero(const std::string& name) const {
    const std::string wanted = Pliega(name);
    for (const DirectoryEntry& entry : ListDirectory(host_.CarpetaDeNodo(node_->parent()))) {
        if (entry.name == node_->FileName() || entry.name.size() < 4) continue;
        const std::string_view stem = std::string_view(entry.name).substr(0, entry.name.size() - 4);
        const std::string extension = entry.name.substr(entry.name.size() - 4);
        if (QString::fromStdString(extension).compare(".tct", Qt::CaseInsensitive) == 0 &&
            Pliega(stem) == wanted)
            return true;
    }
    return false;
}

void TFCambiarCatalogo::BBAceptarClick() {
    if (node_ == nullptr) return;
    DialogHost& main = host_;
    ENueva->setText(ENueva->text().trimmed());
    ENuevoTotal->setText(ENuevoTotal->text().trimmed());
    const std::optional<std::int64_t> total = LeeNumero(ENuevoTotal->text(), ThousandsSeparator());
    if (!total) {
        ENuevoTotal->setFocus();
        ENuevoTotal->selectAll();
        return;
    }
    CatalogueLines& lines = *node_->Lines();
    const std::string_view header = lines.Line(0);
    const std::int64_t used = DameCabeceraOcupado(header);
    const QString newName = ENueva->text();
    const bool nameChanged = newName != EAnterior->text();
    const int newType = RGTipoDiscoNuevo->ItemIndex();
    const int oldType = RGTipoDiscoAnterior->ItemIndex();
    const bool typeChanged =
        newType >= 0 && (oldType < 0 || RGTipoDiscoNuevo->Items()[newType] !=
                                            RGTipoDiscoAnterior->Items()[oldType]);
    const bool totalChanged = *total != used + DameCabeceraLibre(header);
    if (!nameChanged && !typeChanged && !totalChanged) return;

    const std::string name = newName.toStdString();
    if (nameChanged) {
        // A pasted name skips the key filter: a separator, ".." or a control
        // character would put the file elsewhere or make it unloadable.
        if (name.empty()) return main.MuestraMensaje(LeeTexto("M", "M_SIN_NOMBRE"));
        if (TieneCaracterProhibido(name))
            return main.MuestraMensaje(LeeTexto("M", "M_CARACTER_PROHIBIDO") + " " +
                                       CaracteresProhibidos(name));
        // Another catalogue's name is taken, in any letter case and with or
        // without accents; this one's own is not.
        const std::string wanted = Pliega(name);
        bool taken = ExisteOtroFichero(name);
        for (std::string_view loaded : main.CabecerasCargadas())
            taken = taken || (loaded.data() != header.data() &&
                              Pliega(DameCabeceraNombre(loaded)) == wanted);
        if (taken) return main.MuestraMensaje(LeeTexto("M", "M_NOMBRE_REPETIDO"));
    }

    // The header's other fields are carried over as they are; the exclusion
    // block is whatever follows the source path's closing character 29.
    const std::size_t pathOpen = header.find(kDescriptionBracket);
    const std::size_t pathClose = pathOpen == std::string_view::npos
                                      ? pathOpen
                                      : header.find(kDescriptionBracket, pathOpen + 1);
    const std::string_view exclusions =
        pathClose == std::string_view::npos ? std::string_view() : header.substr(pathClose + 1);
    const std::string typeText = newType >= 0
                                     ? RGTipoDiscoNuevo->Items()[newType].toStdString()
                                     : std::string(DecodificaTipoDisco(DameCabeceraTipo(header)));
    const std::string newHeader = LineaCabecera(
        nameChanged ? name : std::string(DameCabeceraNombre(header)), typeText,
        DameCabeceraNumSerie(header),
        std::string(1, DameCabeceraUnidad(header)) + ":" + std::string(DameCabeceraRuta(header)),
        DameCabeceraVolumen(header), DameCabeceraTipoUnidad(header), *total - used, used,
        exclusions);

    // Another copy of the program wrote the catalogue since it was loaded:
    // nothing is written, and the window stays with what was typed.
    if (!main.CatalogoIntacto(node_)) return;

    // The file first: memory and the tree change only once it is written. A
    // new name is a new file, written beside the old one before the old one
    // goes, so a failure at any step leaves the catalogue as it was.
    std::string text = lines.ToText();
    text.replace(0, header.size(), newHeader);
    const std::string oldPath = main.FicheroDeCatalogo(node_);
    std::string fileName = node_->FileName();
    try {
        if (nameChanged) {
            fileName = name + ".tct";
            RewriteUnderNewName(oldPath, main.CarpetaDeNodo(node_->parent()) + "/" + fileName,
                                text);
        } else {
            WriteFileAtomically(oldPath, text);
        }
    } catch (const EInOutError& e) {
        return main.MuestraMensaje(LeeTexto("M", "M_IMPOSIBLE_CAMBIAR_CAT") + "\r\n" + e.what());
    }
    lines.Replace(0, newHeader);
    node_->SetFileName(fileName);
    if (nameChanged) node_->setText(0, newName);
    main.RecuerdaIdentidad(node_);
    main.AsignaIconoDisco(node_, DameCabeceraTipo(newHeader));
    // The gauge, the status bars and the paths follow the new header.
    main.ArbolChange(main.ArbolCatalogos().currentItem());
    accept();
}

bool TFCambiarCatalogo::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ENueva && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            Guarded([this] { BBAceptarClick(); });
            return true;
        }
        // Escape reaches the window, which closes.
        if (key->key() == Qt::Key_Escape) return QDialog::eventFilter(watched, event);
        const QString typed = key->text();
        if (!typed.isEmpty() && typed.at(0) != '\b' && EsCaracterProhibido(typed.at(0).unicode()))
            return true;
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace sorvane
