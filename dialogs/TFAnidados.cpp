// The nested-entries viewer.
#include "dialogs/TFAnidados.h"

#include "catalogue/format/CatalogueLine.h"
#include "catalogue/format/Codes.h"
#include "catalogue/format/FormatError.h"
#include "catalogue/format/PathText.h"
#include "catalogue/format/TextUtils.h"
#include "dialogs/Language.h"
#include "dialogs/TitleWidths.h"
#include "mainwindow/DialogHost.h"
#include "mainwindow/SettingsView.h"
#include "mainwindow/TreeNode.h"
#include "ui/CheckBox.h"
#include "ui/Named.h"
#include "ui/ScopeGuard.h"
#include "ui/SlotBarrier.h"
#include "ui/StatusBar.h"
#include "ui/StringGrid.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>
#include <cstdio>
#include <span>
#include <string>

namespace sorvane {
namespace {

constexpr int kDirectoryName = 2; // the name column of the directory grid
constexpr int kResetWidths[TFAnidados::kColumns] = {0, 260, 68, 110, 38, 30};

// "12.34", left-justified in five places, as the summary shows the saving.
std::string SavingText(std::uint64_t archiveSize, std::uint64_t total) {
    // Only folders or empty members: nothing to compare the archive with.
    const double saving =
        total == 0 ? 0.0
                   : 100.0 - static_cast<double>(archiveSize) / static_cast<double>(total) * 100.0;
    char text[64];
    std::snprintf(text, sizeof text, "%-5.2f", saving);
    return text;
}

} // namespace

TFAnidados::TFAnidados(DialogHost& host, QWidget* parent) : QDialog(parent), host_(host) {
    setObjectName("FAnidados");
    setModal(true);
    resize(560, 380);

    SGAnidados = Named<TStringGrid>("SGAnidados", this);
    SGAnidados->SetColCount(kColumns);
    SGAnidados->SetRowCount(1);
    for (int col = 0; col < kColumns; ++col)
        SGAnidados->SetColWidths(col,
                                 AnchoParaTitulos(*SGAnidados, kTitulos[col], kResetWidths[col]));
    PAnidadosInfo = Named<QLabel>("PAnidadosInfo", this);
    PAnidadosInfo->setFrameShape(QFrame::StyledPanel);
    PAnidadosInfo->setFrameShadow(QFrame::Sunken);
    SBAbrirComprimido = Named<QToolButton>("SBAbrirComprimido", this);
    SBAbrirComprimido->setAutoRaise(true);
    SBAbrirComprimido->setIcon(style()->standardIcon(QStyle::SP_DialogOpenButton));

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(PAnidadosInfo, 1);
    bottom->addWidget(SBAbrirComprimido);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(SGAnidados, 1);
    layout->addLayout(bottom);

    AplicaLineas(*SGAnidados, host_.Ajustes(), RejillaConLineas::Anidados);

    SGAnidados->OnDrawCell = [this](int col, int row, QPainter& painter, const QRect& rect,
                                    bool focused) {
        return SGAnidadosDrawCell(col, row, painter, rect, focused);
    };
    SGAnidados->OnMouseDown = [this](const TGridMouseEvent& e) { SGAnidadosMouseDown(e); };
    SGAnidados->OnMouseUp = [this](const TGridMouseEvent& e) { SGAnidadosMouseUp(e); };
    connect(SBAbrirComprimido, &QToolButton::clicked, this,
            [this] { Guarded([this] { SBAbrirComprimidoClick(); }); });
}

void TFAnidados::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // Once per showing: a window shown again gets the row current by then.
    Guarded([this] { FormShow(); });
}

void TFAnidados::FormShow() {
    DialogHost& main = host_;
    main.AsignaTitulosAnidados();
    SGAnidados->SetRowCount(1);
    PAnidadosInfo->clear();
    const TStringGrid& directory = main.RejillaDirectorio();
    const int row = directory.Row();
    const bool hasRow = row >= 1 && row < directory.RowCount();
    setWindowTitle(QString::fromStdString(LeeTexto("M", "M_TITULO_ANIDADOS")) + " " +
                   (hasRow ? directory.CellText(kDirectoryName, row) : QString()));

    // The archive's line among the files of the shown folder: those after the
    // folder's line, up to the next folder or the end of the lines.
    TNodoArbol* catalogue = main.NodoCatalogoActual();
    const CatalogueLines* lines = catalogue != nullptr ? catalogue->Lines() : nullptr;
    std::string_view found;
    bool exists = false;
    if (hasRow && lines != nullptr && main.LineaCarpetaActual() >= 0) {
        const std::string_view name = directory.CellView(kDirectoryName, row);
        for (auto i = static_cast<std::size_t>(main.LineaCarpetaActual()) + 1; i < lines->Count();
             ++i) {
            const std::string_view line = lines->Line(i);
            if (EsLineaCarpeta(line)) break;
            if (DameFicheroNombre(line) == name) {
                found = line;
                exists = true;
                break;
            }
        }
    }
    if (!exists) {
        main.MuestraMensaje(CapitalizeFirst(InternalErrorWord()) + " FAnidados.FormShow");
        return;
    }
    if (TieneAnidados(found)) CargaAnidados(found);
}

void TFAnidados::CargaAnidados(std::string_view line) {
    DialogHost& main = host_;
    {
        // Panel 1 of the main status bar given back as it was.
        TStatusBar& status = main.BarraEstado();
        const QString panelText = status.Panels(1).Text();
        const TScopeGuard panel([&status, &panelText] { status.Panels(1).SetText(panelText); });
        status.Panels(1).SetText(LeeTexto("M", "M_CARGANDO_ANIDADOS"));
        main.AsignaTitulosAnidados();

        const std::string items = DameFicheroAnidados(line);
        const std::size_t count = CuentaAnidados(items);
        SGAnidados->SetRowCount(static_cast<int>(count) + 1);
        QProgressBar& bar = main.BarraProgreso();
        bar.setRange(1, static_cast<int>(count) + 1);
        bar.setValue(1);
        QCoreApplication::processEvents();

        std::uint64_t total = 0;
        {
            const TStringGridUpdate update(*SGAnidados);
            std::size_t start = 0;
            for (int row = 1; row <= static_cast<int>(count); ++row) {
                const std::size_t end = items.find(kItemSeparator, start);
                const std::string_view entry = std::string_view(items).substr(start, end - start);
                start = end + 1;
                const std::uint64_t size = DameAnidadoTamano(entry);
                total += size;
                // The extension of the member's own name: "v1.2\readme" has none.
                const std::string cells[kColumns] = {
                    {},
                    std::string(DameAnidadoRuta(entry)),
                    FormatThousands(static_cast<std::int64_t>(size)),
                    main.TextoFechaUtf8(DameAnidadoFecha(entry), true),
                    std::string(DameAnidadoAtributos(entry)),
                    UpperCaseSpanish(ExtraeExtension(DameAnidadoNombre(entry))),
                };
                std::string_view views[kColumns];
                for (int col = 0; col < kColumns; ++col)
                    views[col] = cells[col];
                SGAnidados->SetRowCells(row, std::span<const std::string_view>(views, kColumns));
                bar.setValue(row + 1);
            }
        }
        bar.setValue(bar.maximum());

        PAnidadosInfo->setText(QString::fromStdString(
            FormatThousands(static_cast<std::int64_t>(count)) + " " +
            LeeTextoCapital("W", "FICHEROS_ANIDADOS") + ", " +
            FormateaTamano(static_cast<std::int64_t>(total), LeeTexto("W", "BYTES")) + ", " +
            SavingText(DameFicheroTamano(line), total) + "%"));
    }
    SBAbrirComprimido->setToolTip(QString::fromStdString(LeeTexto("H", "H_ABRIR_FICHERO_ZIP")));
}

bool TFAnidados::SGAnidadosDrawCell(int col, int row, QPainter& painter, const QRect& rect, bool) {
    if (row == 0 || (col != kColSize && col != kColDate)) return false;
    SGAnidados->DrawCellText(painter, rect, SGAnidados->CellText(col, row),
                             Qt::AlignRight | Qt::AlignVCenter);
    return true;
}

void TFAnidados::SGAnidadosMouseDown(const TGridMouseEvent& event) {
    host_.PulsacionRejilla(event.x, event.y);
}

void TFAnidados::SGAnidadosMouseUp(const TGridMouseEvent& event) {
    DialogHost& main = host_;
    if (!main.EsClickTitulo(*SGAnidados, event, false)) return;
    // One member is not sorted.
    if (SGAnidados->RowCount() <= 2) return;
    ClaveRejilla keys = ClaveRejilla::Texto;
    if (event.col == kColSize) keys = ClaveRejilla::Tamano;
    if (event.col == kColDate) keys = ClaveRejilla::Fecha;
    main.OrdenaRejilla(
        *SGAnidados, event.col, keys, [&main] { main.AsignaTitulosAnidados(); }, PAnidadosInfo);
}

void TFAnidados::SBAbrirComprimidoClick() {
    host_.SBAbrirTriple(SBAbrirComprimido);
}

} // namespace sorvane
