// The string grid: a QTableView over TStringGridModel, with a delegate and a
// header of its own for owner drawing and per-direction grid lines.
#include "ui/StringGrid.h"

#include "ui/DisplayText.h"
#include "ui/ScopeGuard.h"
#include "ui/SlotBarrier.h"
#include "ui/StringGridModel.h"

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QTextBoundaryFinder>
#include <QTimer>
#include <algorithm>
#include <numeric>
#include <stdexcept>

namespace sorvane {
namespace {

constexpr int kTextMargin = TStringGrid::kTextMargin;
// Row height over the font's line height.
constexpr int kRowPadding = 4;

QPalette::ColorGroup ColorGroupOf(const QStyleOption& option) {
    if (!(option.state & QStyle::State_Enabled)) return QPalette::Disabled;
    return (option.state & QStyle::State_Active) ? QPalette::Normal : QPalette::Inactive;
}

const QChar kEllipsis(0x2026);

// The pixels a cell's text may take: the cell less its margins and the grid
// line in its last pixel column.
int TextRoom(int cellWidth) {
    return cellWidth - 2 * kTextMargin - 1;
}

QString WithoutTrailingBlanks(const QString& text) {
    qsizetype end = text.size();
    while (end > 0 && text[end - 1].isSpace())
        --end;
    return text.left(end);
}

// A text fitted into `room` pixels: itself, or its leading characters and "…".
struct FittedText {
    QString text;
    bool cut = false;
};

FittedText Fit(const QFontMetrics& metrics, const QString& text, int room) {
    if (metrics.horizontalAdvance(text) <= room) return {text, false};
    QString core = WithoutTrailingBlanks(text);
    if (metrics.horizontalAdvance(core) <= room) return {core, false};
    qsizetype start = 0;
    while (start < core.size() && core[start].isSpace())
        ++start;
    core.remove(0, start);
    if (metrics.horizontalAdvance(core) <= room) return {core, false};
    // Cut between characters as the user sees them, never inside one.
    std::vector<qsizetype> ends;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, core);
    for (qsizetype at = finder.toNextBoundary(); at > 0 && at < core.size();
         at = finder.toNextBoundary())
        ends.push_back(at);
    const auto withEllipsis = [&](qsizetype length) {
        return WithoutTrailingBlanks(core.left(length)) + kEllipsis;
    };
    // The longest leading piece that fits with the ellipsis after it.
    std::size_t low = 0, high = ends.size();
    while (low < high) {
        const std::size_t mid = (low + high + 1) / 2;
        if (metrics.horizontalAdvance(withEllipsis(ends[mid - 1])) <= room)
            low = mid;
        else
            high = mid - 1;
    }
    return {low == 0 ? QString(kEllipsis) : withEllipsis(ends[low - 1]), true};
}

} // namespace

// Paints data cells: the style's background and highlight, then the draw hook
// or the plain text, then the grid lines the grid has switched on.
class TGridDelegate : public QStyledItemDelegate {
public:
    explicit TGridDelegate(TStringGrid* grid) : QStyledItemDelegate(grid), grid_(grid) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QStyleOptionViewItem opt = option;
        initStyleOption(&opt, index);
        const QWidget* widget = opt.widget;
        QStyle* style = widget ? widget->style() : QApplication::style();
        const QString text = opt.text;
        opt.text.clear();
        style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, widget);

        const bool selected = opt.state & QStyle::State_Selected;
        painter->save();
        painter->setFont(opt.font);
        painter->setPen(opt.palette.color(ColorGroupOf(opt),
                                          selected ? QPalette::HighlightedText : QPalette::Text));
        if (!grid_->RunDrawHook(index.column(), index.row() + 1, *painter, opt.rect, selected))
            grid_->DrawCellText(*painter, opt.rect, text);
        painter->restore();

        if (grid_->horizontalLines_ || grid_->verticalLines_) {
            const int hint = style->styleHint(QStyle::SH_Table_GridLineColor, &opt, widget);
            painter->save();
            painter->setPen(QColor::fromRgba(static_cast<QRgb>(hint)));
            const QRect& r = opt.rect;
            if (grid_->horizontalLines_) painter->drawLine(r.bottomLeft(), r.bottomRight());
            if (grid_->verticalLines_) painter->drawLine(r.topRight(), r.bottomRight());
            painter->restore();
        }
    }

private:
    TStringGrid* grid_;
};

// The title row: a header that runs the draw hook for row 0 and reports its
// mouse buttons as the grid's.
class TGridHeader : public QHeaderView {
public:
    explicit TGridHeader(TStringGrid* grid) : QHeaderView(Qt::Horizontal, grid), grid_(grid) {}

protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override {
        QStyleOptionHeader opt;
        initStyleOption(&opt);
        initStyleOptionForIndex(&opt, logicalIndex);
        opt.rect = rect;
        painter->save();
        style()->drawControl(QStyle::CE_HeaderSection, &opt, painter, this);
        painter->setFont(font());
        painter->setPen(opt.palette.color(ColorGroupOf(opt), QPalette::ButtonText));
        if (!grid_->RunDrawHook(logicalIndex, 0, *painter, rect, false)) {
            // The label where the style puts it, in the font and pen the hook left.
            // A title too wide for its column shows its leading characters and "…".
            const QRect label = style()->subElementRect(QStyle::SE_HeaderLabel, &opt, this);
            const FittedText title = Fit(painter->fontMetrics(), opt.text, label.width());
            Qt::Alignment alignment = opt.textAlignment;
            if (title.cut) alignment = (alignment & ~Qt::AlignHorizontal_Mask) | Qt::AlignLeft;
            painter->drawText(label, static_cast<int>(alignment) | Qt::TextSingleLine, title.text);
        }
        painter->restore();
    }

    void mousePressEvent(QMouseEvent* event) override {
        QHeaderView::mousePressEvent(event);
        Fire(grid_->OnMouseDown, grid_->MouseEvent(viewport(), *event));
    }
    void mouseReleaseEvent(QMouseEvent* event) override {
        QHeaderView::mouseReleaseEvent(event);
        Fire(grid_->OnMouseUp, grid_->MouseEvent(viewport(), *event));
    }
    void mouseDoubleClickEvent(QMouseEvent* event) override {
        QHeaderView::mouseDoubleClickEvent(event);
        Fire(grid_->OnDblClick, grid_->MouseEvent(viewport(), *event));
    }

private:
    TStringGrid* grid_;
};

TStringGrid::TStringGrid(QWidget* parent) : QTableView(parent) {
    store_.SetCols(1);
    store_.SetRows(1);
    model_ = new TStringGridModel(store_, this);
    setHorizontalHeader(new TGridHeader(this));
    setModel(model_);
    setItemDelegate(new TGridDelegate(this));

    setShowGrid(false); // the delegate draws each direction on its own
    setEditTriggers(NoEditTriggers);
    setSelectionMode(SingleSelection);
    setSelectionBehavior(SelectItems);
    setTabKeyNavigation(false);
    setCornerButtonEnabled(false);
    setWordWrap(false);

    QHeaderView* title = horizontalHeader();
    title->setSectionsClickable(false);
    title->setHighlightSections(false);
    title->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    title->setSectionResizeMode(QHeaderView::Interactive);
    // A column takes any width it is given, however narrow.
    title->setMinimumSectionSize(1);

    // Fixed, equal rows: the view never asks the delegate for a row's height.
    QHeaderView* rows = verticalHeader();
    rows->hide();
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rowHeight_ = fontMetrics().height() + kRowPadding;
    ApplyRowHeight();
}

TStringGrid::~TStringGrid() {
    // The model reads store_, which goes before the grid's children do.
    setModel(nullptr);
    delete model_;
}

void TStringGrid::CheckCol(int col) const {
    if (col < 0 || col >= ColCount()) throw std::out_of_range("Grid column index out of range");
}

void TStringGrid::CheckRow(int row) const {
    if (row < 0 || row >= RowCount()) throw std::out_of_range("Grid row index out of range");
}

void TStringGrid::Changed() {
    drawFailureReported_ = false;
}

template <typename Change> void TStringGrid::Reshape(Change&& change) {
    const TGridCoord current = ViewCurrent();
    ++quiet_;
    const TScopeGuard unquiet([this] { --quiet_; });
    change();
    RestoreCurrent(current);
    Changed();
}

int TStringGrid::ColCount() const {
    return static_cast<int>(store_.Cols());
}
int TStringGrid::RowCount() const {
    return static_cast<int>(store_.Rows());
}

void TStringGrid::SetColCount(int count) {
    count = std::max(count, 1);
    const int current = ColCount();
    if (count == current) return;
    Reshape([&] {
        const auto change = [&] { store_.SetCols(static_cast<std::size_t>(count)); };
        if (count > current)
            model_->InsertColumns(current, count - current, change);
        else
            model_->RemoveColumns(count, current - count, change);
    });
}

void TStringGrid::SetRowCount(int count) {
    count = std::max(count, 1);
    const int current = RowCount();
    if (count == current) return;
    Reshape([&] {
        const auto change = [&] { store_.SetRows(static_cast<std::size_t>(count)); };
        if (count > current)
            model_->InsertRows(current - 1, count - current, change);
        else
            model_->RemoveRows(count - 1, current - count, change);
    });
}

std::string TStringGrid::Cells(int col, int row) const {
    return std::string(CellView(col, row));
}

std::string_view TStringGrid::CellView(int col, int row) const {
    CheckCol(col);
    CheckRow(row);
    return store_.Cell(static_cast<std::size_t>(col), static_cast<std::size_t>(row));
}

void TStringGrid::SetCells(int col, int row, std::string_view text) {
    CheckCol(col);
    CheckRow(row);
    store_.SetCell(static_cast<std::size_t>(col), static_cast<std::size_t>(row), text);
    model_->CellsChanged(col, row, col, row);
    Changed();
}

QString TStringGrid::CellText(int col, int row) const {
    return DisplayText(CellView(col, row));
}

void TStringGrid::SetCellText(int col, int row, const QString& text) {
    SetCells(col, row, EngineText(text));
}

std::vector<std::string> TStringGrid::RowCells(int row) const {
    CheckRow(row);
    std::vector<std::string> texts;
    texts.reserve(store_.Cols());
    for (std::size_t c = 0; c < store_.Cols(); ++c)
        texts.emplace_back(store_.Cell(c, static_cast<std::size_t>(row)));
    return texts;
}

void TStringGrid::SetRowCells(int row, std::span<const std::string_view> texts) {
    CheckRow(row);
    store_.SetRow(static_cast<std::size_t>(row), texts);
    model_->CellsChanged(0, row, ColCount() - 1, row);
    Changed();
}

void TStringGrid::SetRowCells(int row, std::initializer_list<std::string_view> texts) {
    SetRowCells(row, std::span<const std::string_view>(texts.begin(), texts.size()));
}

void TStringGrid::SetRowCells(int row, const std::vector<std::string>& texts) {
    const std::vector<std::string_view> views(texts.begin(), texts.end());
    SetRowCells(row, std::span<const std::string_view>(views));
}

int TStringGrid::RowTag(int row) const {
    CheckRow(row);
    return store_.Tag(static_cast<std::size_t>(row));
}

void TStringGrid::SetRowTag(int row, int tag) {
    CheckRow(row);
    store_.SetTag(static_cast<std::size_t>(row), tag);
    // Draw hooks read tags: the row is drawn again.
    model_->CellsChanged(0, row, ColCount() - 1, row);
    Changed();
}

int TStringGrid::ColWidths(int col) const {
    CheckCol(col);
    return isColumnHidden(col) ? 0 : columnWidth(col);
}

void TStringGrid::SetColWidths(int col, int width) {
    CheckCol(col);
    if (width <= 0) {
        setColumnHidden(col, true);
        return;
    }
    setColumnHidden(col, false);
    setColumnWidth(col, width);
}

int TStringGrid::DefaultRowHeight() const {
    return rowHeight_;
}

void TStringGrid::SetDefaultRowHeight(int height) {
    rowHeightSet_ = true;
    rowHeight_ = std::max(height, 1);
    ApplyRowHeight();
}

int TStringGrid::DefaultColWidth() const {
    return horizontalHeader()->defaultSectionSize();
}

void TStringGrid::SetDefaultColWidth(int width) {
    horizontalHeader()->setDefaultSectionSize(std::max(width, 1));
}

void TStringGrid::ApplyRowHeight() {
    QHeaderView* rows = verticalHeader();
    rows->setMinimumSectionSize(1);
    rows->setDefaultSectionSize(rowHeight_);
}

int TStringGrid::Row() const {
    const QModelIndex current = currentIndex();
    if (!current.isValid()) return 0;
    // While updating, the store may already have fewer rows than the view.
    return std::min(current.row() + 1, RowCount() - 1);
}

int TStringGrid::Col() const {
    const QModelIndex current = currentIndex();
    const int col = current.isValid() ? current.column() : preferredCol_;
    return std::min(col, ColCount() - 1);
}

void TStringGrid::SetRow(int row) {
    SetCurrentCell(Col(), row);
}
void TStringGrid::SetCol(int col) {
    if (Row() == 0) {
        // No rows yet: remembered for the first row.
        CheckCol(col);
        preferredCol_ = col;
        return;
    }
    SetCurrentCell(col, Row());
}

void TStringGrid::SetCurrentCell(int col, int row) {
    CheckCol(col);
    CheckRow(row);
    if (row == 0) throw std::out_of_range("The title row cannot be the current row");
    // The view must know the row before it can be current.
    if (model_->Pending()) Reshape([&] { model_->Publish(); });
    preferredCol_ = col;
    const QModelIndex target = model_->index(row - 1, col);
    setCurrentIndex(target);
    scrollTo(target);
}

void TStringGrid::SetCurrentQuietly(int col, int row) {
    const QModelIndex target = model_->index(row - 1, col);
    if (target == currentIndex()) return;
    ++quiet_;
    setCurrentIndex(target);
    --quiet_;
}

TGridCoord TStringGrid::ViewCurrent() const {
    const QModelIndex current = currentIndex();
    if (!current.isValid()) return {preferredCol_, 0};
    return {current.column(), current.row() + 1};
}

void TStringGrid::RestoreCurrent(TGridCoord cell) {
    // Rows and columns as the view has them: while updating, the view still
    // has its old rows, and the current cell stays where it is.
    const int rows = model_->rowCount();
    const int cols = model_->columnCount();
    if (rows == 0 || cols == 0) return;
    int col = cell.col;
    int row = cell.row;
    if (row == 0) {
        // The first rows of an empty grid: start on the first one, in the
        // remembered column, or the first shown one when that is hidden.
        col = std::min(preferredCol_, cols - 1);
        for (int c = 0; c < cols && isColumnHidden(col); ++c)
            if (!isColumnHidden(c)) col = c;
        row = 1;
    }
    SetCurrentQuietly(std::clamp(col, 0, cols - 1), std::clamp(row, 1, rows));
}

void TStringGrid::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    QTableView::currentChanged(current, previous);
    if (!current.isValid()) return;
    preferredCol_ = current.column();
    if (quiet_ == 0) Fire(OnSelectCell, current.column(), current.row() + 1);
}

void TStringGrid::SetRowSelect(bool on) {
    rowSelect_ = on;
    setSelectionBehavior(on ? SelectRows : SelectItems);
    const QModelIndex current = currentIndex();
    if (current.isValid())
        selectionModel()->select(
            current, QItemSelectionModel::ClearAndSelect |
                         (on ? QItemSelectionModel::Rows : QItemSelectionModel::NoUpdate));
    viewport()->update();
}

void TStringGrid::SetHorizontalLines(bool on) {
    horizontalLines_ = on;
    viewport()->update();
}

void TStringGrid::SetVerticalLines(bool on) {
    verticalLines_ = on;
    viewport()->update();
}

void TStringGrid::BeginUpdate() {
    if (updating_++ > 0) return;
    setUpdatesEnabled(false);
    model_->Freeze();
}

void TStringGrid::EndUpdate() {
    if (updating_ == 0 || --updating_ > 0) return;
    Reshape([&] { model_->Thaw(); });
    setUpdatesEnabled(true);
}

void TStringGrid::InsertRow(int row) {
    if (row < 1 || row > RowCount()) throw std::out_of_range("Grid row index out of range");
    Reshape([&] {
        model_->InsertRows(row - 1, 1, [&] { store_.InsertRow(static_cast<std::size_t>(row)); });
    });
}

void TStringGrid::DeleteRow(int row) {
    CheckRow(row);
    if (row == 0) throw std::out_of_range("The title row cannot be deleted");
    Reshape([&] {
        model_->RemoveRows(row - 1, 1, [&] { store_.DeleteRow(static_cast<std::size_t>(row)); });
    });
}

void TStringGrid::SwapRows(int a, int b) {
    CheckRow(a);
    CheckRow(b);
    if (a == 0 || b == 0) throw std::out_of_range("The title row cannot be moved");
    store_.SwapRows(static_cast<std::size_t>(a), static_cast<std::size_t>(b));
    model_->CellsChanged(0, a, ColCount() - 1, a);
    model_->CellsChanged(0, b, ColCount() - 1, b);
    Changed();
}

void TStringGrid::ClearRow(int row) {
    CheckRow(row);
    store_.ClearRow(static_cast<std::size_t>(row));
    model_->CellsChanged(0, row, ColCount() - 1, row);
    Changed();
}

void TStringGrid::MoveRows(std::span<const int> order) {
    const std::size_t rows = store_.Rows() - 1;
    if (order.size() != rows)
        throw std::invalid_argument("A row order must name every row of the grid once");
    std::vector<std::uint32_t> from(rows);
    std::vector<bool> seen(rows + 1, false);
    for (std::size_t k = 0; k < rows; ++k) {
        const int source = order[k];
        if (source < 1 || static_cast<std::size_t>(source) > rows || seen[source])
            throw std::invalid_argument("A row order must name every row of the grid once");
        seen[source] = true;
        from[k] = static_cast<std::uint32_t>(source - 1);
    }
    store_.Reorder(1, from);
    if (rows > 0) model_->CellsChanged(0, 1, ColCount() - 1, static_cast<int>(rows));
    Changed();
}

void TStringGrid::SortRows(const std::function<bool(int a, int b)>& less) {
    std::vector<int> order(store_.Rows() - 1);
    std::iota(order.begin(), order.end(), 1);
    std::stable_sort(order.begin(), order.end(), less);
    MoveRows(order);
}

TGridCoord TStringGrid::MouseToCell(int x, int y) const {
    const QPoint point(x, y);
    const QHeaderView* title = horizontalHeader();
    if (!title->isHidden()) {
        const QWidget* area = title->viewport();
        const QPoint at = area->mapFrom(this, point);
        if (area->rect().contains(at)) {
            const int col = title->logicalIndexAt(at.x());
            return col < 0 ? TGridCoord{} : TGridCoord{col, 0};
        }
    }
    const QPoint at = viewport()->mapFrom(this, point);
    if (!viewport()->rect().contains(at)) return {};
    const QModelIndex index = indexAt(at);
    if (!index.isValid()) return {};
    return {index.column(), index.row() + 1};
}

QRect TStringGrid::CellRect(int col, int row) const {
    CheckCol(col);
    CheckRow(row);
    if (isColumnHidden(col)) return {};
    if (row == 0) {
        const QHeaderView* title = horizontalHeader();
        const QRect section(title->sectionViewportPosition(col), 0, title->sectionSize(col),
                            title->viewport()->height());
        return section.translated(title->viewport()->mapTo(this, QPoint(0, 0)));
    }
    if (row - 1 >= model_->rowCount()) return {};
    const QRect cell = visualRect(model_->index(row - 1, col));
    return cell.translated(viewport()->mapTo(this, QPoint(0, 0)));
}

void TStringGrid::DrawCellText(QPainter& painter, const QRect& rect, const QString& text,
                               Qt::Alignment alignment) const {
    if (text.isEmpty()) return;
    const QRect inner = rect.adjusted(kTextMargin, 0, -kTextMargin, 0);
    const FittedText shown = Fit(painter.fontMetrics(), text, TextRoom(rect.width()));
    // A cut text starts at the left edge: its leading characters are what counts.
    if (shown.cut) alignment = (alignment & ~Qt::AlignHorizontal_Mask) | Qt::AlignLeft;
    painter.drawText(inner, static_cast<int>(alignment) | Qt::TextSingleLine, shown.text);
}

QString TStringGrid::FitCellText(const QFontMetrics& metrics, const QString& text, int cellWidth) {
    return Fit(metrics, text, TextRoom(cellWidth)).text;
}

int TStringGrid::CellWidthFor(const QFontMetrics& metrics, const QString& text) {
    return metrics.horizontalAdvance(text) + 2 * kTextMargin + 1;
}

int TStringGrid::TitleWidthFor(const QString& title) const {
    const QHeaderView* header = horizontalHeader();
    QStyleOptionHeader opt;
    opt.initFrom(header);
    constexpr int kProbe = 1000;
    opt.rect = QRect(0, 0, kProbe, header->height() > 0 ? header->height() : 20);
    const QRect label = header->style()->subElementRect(QStyle::SE_HeaderLabel, &opt, header);
    return header->fontMetrics().horizontalAdvance(WithoutTrailingBlanks(title)) + kProbe -
           label.width();
}

bool TStringGrid::RunDrawHook(int col, int row, QPainter& painter, const QRect& rect,
                              bool focused) const {
    if (!OnDrawCell) return false;
    // The view may still paint rows of a grid that shrank before it heard of it.
    if (row >= RowCount() || col >= ColCount()) return true;
    bool drew = false;
    const std::optional<std::string> failure =
        RunCatching([&] { drew = OnDrawCell(col, row, painter, rect, focused); });
    if (!failure) return drew;
    if (!drawFailureReported_) {
        // Reported once painting is over, so a message window never opens
        // in the middle of a paint event.
        drawFailureReported_ = true;
        QTimer::singleShot(0, const_cast<TStringGrid*>(this),
                           [message = *failure] { ReportException(message); });
    }
    return false;
}

TGridMouseEvent TStringGrid::MouseEvent(const QWidget* source, const QMouseEvent& event) const {
    const QPoint at = source->mapTo(this, event.position().toPoint());
    const TGridCoord cell = MouseToCell(at.x(), at.y());
    return {event.button(), event.modifiers(), at.x(), at.y(), cell.col, cell.row};
}

// The right button never moves the current cell: a popup menu acts on the
// cell that was current before the press.
void TStringGrid::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::RightButton) QTableView::mousePressEvent(event);
    Fire(OnMouseDown, MouseEvent(viewport(), *event));
}

void TStringGrid::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::RightButton) QTableView::mouseReleaseEvent(event);
    Fire(OnMouseUp, MouseEvent(viewport(), *event));
}

void TStringGrid::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::RightButton) QTableView::mouseDoubleClickEvent(event);
    Fire(OnDblClick, MouseEvent(viewport(), *event));
}

void TStringGrid::keyReleaseEvent(QKeyEvent* event) {
    QTableView::keyReleaseEvent(event);
    if (!event->isAutoRepeat()) Fire(OnKeyUp, event->key(), event->modifiers());
}

void TStringGrid::changeEvent(QEvent* event) {
    QTableView::changeEvent(event);
    if (event->type() == QEvent::FontChange && !rowHeightSet_) {
        rowHeight_ = fontMetrics().height() + kRowPadding;
        ApplyRowHeight();
    }
}

} // namespace sorvane
