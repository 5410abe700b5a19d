#pragma once
// Tables as the RTF reader collects them: row and cell definitions from
// \trowd ... \cellx, each cell's content as the cursor steps that build it,
// and the QTextTable made from them once the table has ended. A table is
// built whole because RTF gives a row's cell widths only at the row's end for
// nested tables, and rows of one table may cut their cells differently.
#include <QColor>
#include <QString>
#include <QTextFormat>

#include <cstdint>
#include <memory>
#include <vector>

class QTextCursor;

namespace platform::rtf {

constexpr int kTwipsPerPixel = 15; // 96 dots an inch
// Laying out a table lays out each cell's tables again for every width it
// tries, so the cost multiplies with each level: at sixteen a few kilobytes
// held the window for minutes. Word processors' own pages stop at two or three.
constexpr int kMaxTableDepth = 4;
// Word allows 63 cells a row; a longer row goes on in a new row.
constexpr int kMaxCellsPerRow = 1024;

enum class LineStyle : uint8_t { None, Single, Double, Dotted, Dashed };

struct Border {
    LineStyle style = LineStyle::None;
    bool given = false; // the file described this edge, if only as "no line"
    int width = 0;      // twips; 0 is the thinnest line
    int color = 0;      // colour table index, 0 = automatic
};

// A cell's and a row's edges; a row's inner lines are Horizontal and Vertical.
enum Edge : uint8_t { Top, Left, Bottom, Right, Horizontal, Vertical };

struct CellDef {
    int right = 0;      // \cellx: the cell's right edge, twips from the margin
    Border border[4];   // by Edge
    int shading = 0;    // \clcbpat colour index
    uint8_t hmerge = 0; // 1 first of merged cells (\clmgf), 2 merged into the cell before (\clmrg)
    uint8_t vmerge = 0; // the same with the cell above (\clvmgf, \clvmrg)
    uint8_t valign = 0; // 0 top, 1 centre, 2 bottom
};

struct RowDef {
    int left = 0;                      // \trleft: the first cell's left edge
    int gap = 0;                       // \trgaph: space between a cell's edge and its text
    int padding[4] = {-1, -1, -1, -1}; // \trpadd*, twips, by Edge; -1 when not given
    uint8_t align = 0;                 // 0 left, 1 centre, 2 right
    Border border[6];                  // \trbrdr*, by Edge
    std::vector<CellDef> cells;
};

struct TableModel;

// One step of building a cell's content, replayed later on a cursor in that cell.
struct Op {
    enum class Kind : uint8_t { Text, BlockFormat, BlockCharFormat, Block, Image, Table };
    Kind kind = Kind::Text;
    QString text;
    QTextFormat format;     // of the text, the block, the image
    QTextFormat blockChars; // a new block's character format
    std::unique_ptr<TableModel> table;
};
using Ops = std::vector<Op>;

struct RowModel {
    RowDef def;
    std::vector<Ops> cells;
};

struct TableModel {
    std::vector<RowModel> rows;
};

// What the tables of one document share while they are built.
struct TableContext {
    std::vector<QColor> const* colors = nullptr; // the colour table
    // Qt merges cells with a pass over the whole table: a document's merges
    // share a budget of cells passed over, so no file can make them quadratic.
    qint64 mergeBudget = 4'000'000;
    // Qt's own bookkeeping of frames grows with the square of their number
    // (thousands of tables take seconds to build and to free): past this many,
    // tables are read as one paragraph a cell.
    int tablesLeft = 1000;
};

void replay(QTextCursor& cursor, Ops& ops, TableContext& context);
// Inserts the table at the cursor, which then stands in the empty block after it.
void insertTable(QTextCursor& cursor, TableModel& table, TableContext& context);

} // namespace platform::rtf
