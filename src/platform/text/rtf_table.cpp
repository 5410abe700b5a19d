// Building a QTextTable from the rows the RTF reader collected. Every edge
// that any row's cells have becomes a column boundary, so rows that cut their
// cells differently still line up, a wider cell spanning several columns.
#include "platform/text/rtf_table.h"

#include <QTextCursor>
#include <QTextTable>

#include <algorithm>
#include <set>

namespace platform::rtf {

namespace {

constexpr int kMinCellTwips = 1;
constexpr int kMaxCellTwips = 31680;    // the widest page Word allows
constexpr int kDefaultCellTwips = 1440; // a cell that \cellx does not describe
// A grid may have more slots than the file has cells (rows cut differently):
// up to this many for each cell, and a table's grids share a little more.
// Rows that would need more go into a table of their own.
constexpr qint64 kGridSlotsPerCell = 8;
constexpr qint64 kGridSlack = 16384;

double pixels(int twips)
{
    return twips / double(kTwipsPerPixel);
}

// The left edge of a row and the right edge of each of its cells: strictly
// increasing and bounded whatever the file says.
std::vector<int> cellEdges(const RowModel& row)
{
    const size_t count = std::max(row.cells.size(), row.def.cells.size());
    std::vector<int> edges;
    edges.reserve(count + 1);
    int previous = std::clamp(row.def.left, -kMaxCellTwips, kMaxCellTwips);
    edges.push_back(previous);
    for (size_t i = 0; i < count; ++i) {
        const int right = i < row.def.cells.size()
            ? std::clamp(row.def.cells[i].right, previous + kMinCellTwips, previous + kMaxCellTwips)
            : previous + kDefaultCellTwips;
        edges.push_back(right);
        previous = right;
    }
    return edges;
}

// A cell as it lands on the grid, after merging.
struct Placed {
    int row = 0;
    int column = 0;
    int columnEnd = 0;
    int rowSpan = 1;
    bool firstInRow = false;
    bool lastInRow = false;
    bool absorbed = false; // merged into another cell
    const CellDef* def = nullptr;
    const RowDef* rowDef = nullptr;
    std::vector<Ops*> content; // its own, then that of cells merged into it
};

QTextFrameFormat::BorderStyle qtStyle(LineStyle style)
{
    switch (style) {
    case LineStyle::Double: return QTextFrameFormat::BorderStyle_Double;
    case LineStyle::Dotted: return QTextFrameFormat::BorderStyle_Dotted;
    case LineStyle::Dashed: return QTextFrameFormat::BorderStyle_Dashed;
    default: return QTextFrameFormat::BorderStyle_Solid;
    }
}

class TableBuilder {
public:
    TableBuilder(TableModel& table, TableContext& context) : table_(table), context_(context) {}

    void insert(QTextCursor& cursor)
    {
        std::vector<std::vector<int>> edges;
        edges.reserve(table_.rows.size());
        for (const RowModel& row : table_.rows)
            edges.push_back(cellEdges(row));
        qint64 slack = kGridSlack;
        size_t start = 0;
        while (start < table_.rows.size()) {
            if (context_.tablesLeft <= 0) {
                insertAsParagraphs(cursor, start);
                return;
            }
            // As many rows as fit one grid, and always one.
            std::set<int> boundaries;
            qint64 cells = 0;
            qint64 used = 0;
            size_t end = start;
            for (; end < table_.rows.size(); ++end) {
                const std::vector<int>& row = edges[end];
                qint64 added = 0;
                for (int edge : row)
                    added += boundaries.count(edge) == 0 ? 1 : 0;
                const qint64 grown = (qint64(end - start) + 1) * (qint64(boundaries.size()) + added - 1);
                const qint64 withRow = cells + qint64(row.size()) - 1;
                if (end > start && grown > kGridSlotsPerCell * withRow + slack)
                    break;
                boundaries.insert(row.begin(), row.end());
                cells = withRow;
                used = grown;
            }
            slack = std::max<qint64>(0, slack - std::max<qint64>(0, used - kGridSlotsPerCell * cells));
            --context_.tablesLeft;
            insertRows(cursor, start, end, std::vector<int>(boundaries.begin(), boundaries.end()), edges);
            start = end;
        }
    }

private:
    void insertRows(QTextCursor& cursor, size_t first, size_t end, const std::vector<int>& grid,
                    const std::vector<std::vector<int>>& edges);
    void insertAsParagraphs(QTextCursor& cursor, size_t first);
    std::vector<Placed> place(size_t first, size_t end, const std::vector<int>& grid,
                              const std::vector<std::vector<int>>& edges);
    QTextTableCellFormat cellFormat(const Placed& cell, int rows) const;
    static void setPadding(QTextTableCellFormat& format, const RowDef& row);
    QColor color(int index) const;

    TableModel& table_;
    TableContext& context_;
};

std::vector<Placed> TableBuilder::place(size_t first, size_t end, const std::vector<int>& grid,
                                        const std::vector<std::vector<int>>& edges)
{
    const int columns = static_cast<int>(grid.size()) - 1;
    auto columnOf = [&grid](int edge) {
        return static_cast<int>(std::lower_bound(grid.begin(), grid.end(), edge) - grid.begin());
    };
    std::vector<Placed> cells;
    // The cell that covers the previous row at each column where a cell starts.
    std::vector<int> above(static_cast<size_t>(columns), -1);
    std::vector<std::pair<int, int>> previous, covering; // (column, covering cell) of the last and this row
    for (size_t r = first; r < end; ++r) {
        RowModel& row = table_.rows[r];
        const std::vector<int>& edge = edges[r];
        const int gridRow = static_cast<int>(r - first);
        const size_t rowStart = cells.size();
        for (size_t i = 0; i + 1 < edge.size(); ++i) {
            const CellDef* def = i < row.def.cells.size() ? &row.def.cells[i] : nullptr;
            Ops* content = i < row.cells.size() && !row.cells[i].empty() ? &row.cells[i] : nullptr;
            const int column = columnOf(edge[i]);
            const int columnEnd = columnOf(edge[i + 1]);
            if (def && def->hmerge == 2 && cells.size() > rowStart) {
                Placed& before = cells.back();
                before.columnEnd = columnEnd;
                if (content)
                    before.content.push_back(content);
                continue;
            }
            Placed cell;
            cell.row = gridRow;
            cell.column = column;
            cell.columnEnd = columnEnd;
            cell.def = def;
            cell.rowDef = &row.def;
            if (content)
                cell.content.push_back(content);
            cells.push_back(std::move(cell));
        }
        if (cells.size() == rowStart)
            continue;
        cells[rowStart].firstInRow = true;
        cells.back().lastInRow = true;
        // Vertical merges, once the row's own merges have settled its cells' widths.
        covering.clear();
        for (size_t i = rowStart; i < cells.size(); ++i) {
            Placed& cell = cells[i];
            int owner = static_cast<int>(i);
            const int top = above[static_cast<size_t>(cell.column)];
            if (cell.def && cell.def->vmerge == 2 && top >= 0) {
                Placed& anchor = cells[static_cast<size_t>(top)];
                if (anchor.columnEnd == cell.columnEnd && anchor.row + anchor.rowSpan == gridRow) {
                    ++anchor.rowSpan;
                    anchor.lastInRow = anchor.lastInRow || cell.lastInRow;
                    anchor.content.insert(anchor.content.end(), cell.content.begin(), cell.content.end());
                    cell.absorbed = true;
                    owner = top;
                }
            }
            covering.emplace_back(cell.column, owner);
        }
        for (const auto& entry : previous)
            above[static_cast<size_t>(entry.first)] = -1;
        for (const auto& [column, owner] : covering)
            above[static_cast<size_t>(column)] = owner;
        previous.swap(covering);
    }
    return cells;
}

QColor TableBuilder::color(int index) const
{
    const std::vector<QColor>& colors = *context_.colors;
    if (index > 0 && index < static_cast<int>(colors.size()) && colors[static_cast<size_t>(index)].isValid())
        return colors[static_cast<size_t>(index)];
    return QColor();
}

void TableBuilder::setPadding(QTextTableCellFormat& format, const RowDef& row)
{
    const auto padding = [&row](Edge edge, int fallback) {
        return pixels(row.padding[edge] >= 0 ? row.padding[edge] : fallback);
    };
    format.setLeftPadding(padding(Left, row.gap));
    format.setRightPadding(padding(Right, row.gap));
    format.setTopPadding(padding(Top, 0));
    format.setBottomPadding(padding(Bottom, 0));
}

QTextTableCellFormat TableBuilder::cellFormat(const Placed& cell, int rows) const
{
    QTextTableCellFormat format;
    const RowDef& row = *cell.rowDef;
    // The cell's own edge wins; where it says nothing the row's edge or inner line applies.
    const Edge rowEdge[4] = {
        cell.row == 0 ? Top : Horizontal,
        cell.firstInRow ? Left : Vertical,
        cell.row + cell.rowSpan == rows ? Bottom : Horizontal,
        cell.lastInRow ? Right : Vertical,
    };
    for (int edge = Top; edge <= Right; ++edge) {
        const Border& border =
            cell.def && cell.def->border[edge].given ? cell.def->border[edge] : row.border[rowEdge[edge]];
        if (border.style == LineStyle::None)
            continue;
        const double width = std::max(1.0, std::round(pixels(border.width)));
        const QColor c = color(border.color);
        const QBrush brush(c.isValid() ? c : QColor(Qt::black));
        switch (edge) {
        case Top:
            format.setTopBorder(width);
            format.setTopBorderStyle(qtStyle(border.style));
            format.setTopBorderBrush(brush);
            break;
        case Left:
            format.setLeftBorder(width);
            format.setLeftBorderStyle(qtStyle(border.style));
            format.setLeftBorderBrush(brush);
            break;
        case Bottom:
            format.setBottomBorder(width);
            format.setBottomBorderStyle(qtStyle(border.style));
            format.setBottomBorderBrush(brush);
            break;
        default:
            format.setRightBorder(width);
            format.setRightBorderStyle(qtStyle(border.style));
            format.setRightBorderBrush(brush);
            break;
        }
    }
    setPadding(format, row);
    if (cell.def) {
        const QColor shading = color(cell.def->shading);
        if (shading.isValid())
            format.setBackground(shading);
        if (cell.def->valign == 1)
            format.setVerticalAlignment(QTextCharFormat::AlignMiddle);
        else if (cell.def->valign == 2)
            format.setVerticalAlignment(QTextCharFormat::AlignBottom);
    }
    return format;
}

void TableBuilder::insertRows(QTextCursor& cursor, size_t first, size_t end, const std::vector<int>& grid,
                              const std::vector<std::vector<int>>& edges)
{
    const int rows = static_cast<int>(end - first);
    const int columns = static_cast<int>(grid.size()) - 1;
    if (rows <= 0 || columns <= 0)
        return;
    std::vector<Placed> cells = place(first, end, grid, edges);

    const RowDef& def = table_.rows[first].def;
    QTextTableFormat format;
    format.setBorder(0);
    format.setBorderStyle(QTextFrameFormat::BorderStyle_None);
    format.setBorderCollapse(true);
    format.setCellSpacing(0);
    format.setCellPadding(0);
    format.setMargin(0);
    format.setLeftMargin(std::max(0.0, pixels(grid.front())));
    format.setAlignment(def.align == 1 ? Qt::AlignHCenter : def.align == 2 ? Qt::AlignRight : Qt::AlignLeft);
    QList<QTextLength> widths;
    widths.reserve(columns);
    for (int c = 0; c < columns; ++c)
        widths.append(QTextLength(QTextLength::FixedLength,
                                  pixels(grid[static_cast<size_t>(c) + 1] - grid[static_cast<size_t>(c)])));
    format.setColumnWidthConstraints(widths);

    QTextTable* table = cursor.insertTable(rows, columns, format);
    const qint64 mergeCost = qint64(rows) * columns;
    std::vector<char> owned(static_cast<size_t>(mergeCost), 0); // grid slots that a cell of the file covers
    for (const Placed& cell : cells) {
        if (cell.absorbed)
            continue;
        int rowSpan = 1;
        int columnSpan = 1;
        if ((cell.rowSpan > 1 || cell.columnEnd - cell.column > 1) && context_.mergeBudget >= mergeCost) {
            context_.mergeBudget -= mergeCost;
            rowSpan = cell.rowSpan;
            columnSpan = cell.columnEnd - cell.column;
            table->mergeCells(cell.row, cell.column, rowSpan, columnSpan);
        } // past the budget the slots stay side by side, the content in the first
        for (int r = cell.row; r < cell.row + rowSpan; ++r)
            for (int c = cell.column; c < cell.column + columnSpan; ++c)
                owned[static_cast<size_t>(r) * static_cast<size_t>(columns) + static_cast<size_t>(c)] = 1;
    }
    // Slots that no cell covers (a row shorter than the others) are padded as their row.
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < columns; ++c) {
            if (owned[static_cast<size_t>(r) * static_cast<size_t>(columns) + static_cast<size_t>(c)])
                continue;
            QTextTableCellFormat padded;
            setPadding(padded, table_.rows[first + static_cast<size_t>(r)].def);
            table->cellAt(r, c).setFormat(padded);
        }
    }
    for (const Placed& cell : cells) {
        if (cell.absorbed)
            continue;
        QTextTableCell qtCell = table->cellAt(cell.row, cell.column);
        qtCell.setFormat(cellFormat(cell, rows));
        for (size_t i = 0; i < cell.content.size(); ++i) {
            QTextCursor at = i == 0 ? qtCell.firstCursorPosition() : table->cellAt(cell.row, cell.column).lastCursorPosition();
            if (i > 0)
                at.insertBlock();
            replay(at, *cell.content[i], context_);
        }
    }
    cursor.setPosition(table->lastPosition() + 1);
    // The block after a table starts plain, whatever block the table was put in.
    cursor.setBlockFormat(QTextBlockFormat());
}

// Each cell a paragraph of its own, in reading order, as the table would be read aloud.
void TableBuilder::insertAsParagraphs(QTextCursor& cursor, size_t first)
{
    for (size_t r = first; r < table_.rows.size(); ++r) {
        for (Ops& cell : table_.rows[r].cells) {
            cursor.insertBlock(QTextBlockFormat(), QTextCharFormat());
            replay(cursor, cell, context_);
        }
    }
    cursor.insertBlock(QTextBlockFormat(), QTextCharFormat());
}

} // namespace

void replay(QTextCursor& cursor, Ops& ops, TableContext& context)
{
    for (Op& op : ops) {
        switch (op.kind) {
        case Op::Kind::Text: cursor.insertText(op.text, op.format.toCharFormat()); break;
        case Op::Kind::BlockFormat: cursor.setBlockFormat(op.format.toBlockFormat()); break;
        // A cell's first block takes its character format from the cell's own
        // marker, which holds the cell's borders and shading: add to it, never replace it.
        case Op::Kind::BlockCharFormat: cursor.mergeBlockCharFormat(op.format.toCharFormat()); break;
        case Op::Kind::Block: cursor.insertBlock(op.format.toBlockFormat(), op.blockChars.toCharFormat()); break;
        case Op::Kind::Image: cursor.insertImage(op.format.toImageFormat()); break;
        case Op::Kind::Table:
            if (op.table)
                insertTable(cursor, *op.table, context);
            op.table.reset();
            break;
        }
    }
}

void insertTable(QTextCursor& cursor, TableModel& table, TableContext& context)
{
    if (table.rows.empty())
        return;
    TableBuilder(table, context).insert(cursor);
}

} // namespace platform::rtf
