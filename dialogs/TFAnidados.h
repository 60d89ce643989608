// The nested-entries viewer: the members of a catalogued archive, as the
// archive's file line keeps them, for the directory grid's current row.
#pragma once

#include <QDialog>
#include <string_view>

class QLabel;
class QToolButton;

namespace sorvane {

class DialogHost;

class TStringGrid;
struct TGridMouseEvent;

class TFAnidados : public QDialog {
    Q_OBJECT

public:
    // The grid takes its cell lines from the host's settings when made.
    explicit TFAnidados(DialogHost& host, QWidget* parent = nullptr);

    // Columns of SGAnidados; column 0 holds the sort key.
    enum Column : int {
        kColKey = 0,
        kColPath = 1,
        kColSize = 2,
        kColDate = 3,
        kColAttributes = 4,
        kColExtension = 5,
        kColumns = 6,
    };
    // Title keys ("W" words) of the grid's columns; column 0 is hidden.
    static constexpr const char* kTitulos[kColumns] = {"",           "NOMBRE",    "TAMANO",
                                                       "MODIFICADO", "ATRIBUTOS", "EXTENSION"};

    // The caption for the directory grid's current row, and the grid filled
    // from that row's file line. A row whose line is not among the files of the
    // shown folder is an internal error: the grid keeps only its titles.
    void FormShow();
    // One row per nested entry of the file line: inner path, size, date with
    // the time, attribute letters and the extension of the entry's own name;
    // then the summary in PAnidadosInfo: count, total size and the space the
    // archive saves against that total.
    void CargaAnidados(std::string_view line);
    // Sizes and dates right-aligned.
    bool SGAnidadosDrawCell(int col, int row, QPainter& painter, const QRect& rect, bool focused);
    void SGAnidadosMouseDown(const TGridMouseEvent& event);
    // A click on a title sorts by that column (sizes by number, dates by date,
    // the rest as text), ascending, then descending on the next click.
    void SGAnidadosMouseUp(const TGridMouseEvent& event);
    // Opens the archive itself with the desktop's program for it.
    void SBAbrirComprimidoClick();

    TStringGrid* SGAnidados;
    QLabel* PAnidadosInfo;
    QToolButton* SBAbrirComprimido;

protected:
    void showEvent(QShowEvent* event) override;

private:
    DialogHost& host_;
};

inline TFAnidados* FAnidados = nullptr;

} // namespace sorvane
