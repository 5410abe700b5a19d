// Tables: read from word processors' files into QTextTables with their
// widths, merges, borders and nesting; written back so that they read the
// same; and read aloud cell by cell.
#include "platform/text/richtextbox.h"
#include "rtf_test_util.h"
#include "support/test_support.h"

#include <QImage>
#include <QPainter>
#include <QTextFrame>
#include <QTextTable>
#include <gtest/gtest.h>

#include <functional>
#include <vector>

using namespace text_test;

namespace {

// Every table of the document, each before the tables nested in it.
std::vector<QTextTable*> tablesIn(const QTextDocument& document)
{
    std::vector<QTextTable*> tables;
    std::function<void(QTextFrame*)> walk = [&](QTextFrame* frame) {
        for (QTextFrame* child : frame->childFrames()) {
            if (auto* table = qobject_cast<QTextTable*>(child))
                tables.push_back(table);
            walk(child);
        }
    };
    walk(document.rootFrame());
    return tables;
}

// The cell's own paragraphs (not those of tables nested in it), trimmed, one a line.
QString cellText(const QTextTableCell& cell)
{
    QStringList lines;
    for (auto it = cell.begin(); !it.atEnd(); ++it)
        if (!it.currentFrame())
            lines << it.currentBlock().text().trimmed();
    return lines.join(QLatin1Char('\n'));
}

QString borderText(double width, QTextFrameFormat::BorderStyle style, const QBrush& brush)
{
    if (width <= 0 || style == QTextFrameFormat::BorderStyle_None)
        return QStringLiteral("-");
    return QStringLiteral("%1/%2/%3").arg(width).arg(int(style)).arg(brush.color().name());
}

// Everything a table shows, nested tables included, as text two documents can be compared by.
QString describeTables(const QTextDocument& document)
{
    QString out;
    const std::vector<QTextTable*> tables = tablesIn(document);
    for (size_t i = 0; i < tables.size(); ++i) {
        const QTextTable* table = tables[i];
        const QTextTableFormat format = table->format();
        const auto parent = std::find(tables.begin(), tables.end(), table->parentFrame());
        out += QStringLiteral("table %1 in %2: %3x%4 align %5 left %6 widths")
                   .arg(i)
                   .arg(parent == tables.end() ? -1 : int(parent - tables.begin()))
                   .arg(table->rows())
                   .arg(table->columns())
                   .arg(int(format.alignment()))
                   .arg(format.leftMargin(), 0, 'f', 1);
        for (const QTextLength& width : format.columnWidthConstraints())
            out += QStringLiteral(" %1").arg(width.rawValue(), 0, 'f', 1);
        out += QLatin1Char('\n');
        for (int r = 0; r < table->rows(); ++r) {
            for (int c = 0; c < table->columns(); ++c) {
                const QTextTableCell cell = table->cellAt(r, c);
                if (cell.row() != r || cell.column() != c)
                    continue;
                const QTextTableCellFormat f = cell.format().toTableCellFormat();
                out += QStringLiteral("  %1,%2 span %3x%4 borders %5 %6 %7 %8 shade %9 pad %10 %11 %12 %13 valign %14 [%15]\n")
                           .arg(r)
                           .arg(c)
                           .arg(cell.rowSpan())
                           .arg(cell.columnSpan())
                           .arg(borderText(f.topBorder(), f.topBorderStyle(), f.topBorderBrush()),
                                borderText(f.leftBorder(), f.leftBorderStyle(), f.leftBorderBrush()),
                                borderText(f.bottomBorder(), f.bottomBorderStyle(), f.bottomBorderBrush()),
                                borderText(f.rightBorder(), f.rightBorderStyle(), f.rightBorderBrush()))
                           .arg(f.background().style() == Qt::NoBrush ? QStringLiteral("-") : f.background().color().name())
                           .arg(f.leftPadding(), 0, 'f', 1)
                           .arg(f.rightPadding(), 0, 'f', 1)
                           .arg(f.topPadding(), 0, 'f', 1)
                           .arg(f.bottomPadding(), 0, 'f', 1)
                           .arg(int(f.verticalAlignment()))
                           .arg(cellText(cell));
            }
        }
    }
    return out;
}

struct CellSeen {
    int table, row, column;
    const char* text; // the cell's own paragraphs, trimmed, one a line
    int rowSpan = 1, columnSpan = 1;
    const char* shading = "";
};

struct TableSeen {
    int parent; // index of the table it is nested in, -1 for none
    int rows, columns;
    std::vector<double> widths; // pixels: \cellx twips / 15
};

struct CorpusTable {
    const char* file;
    std::vector<TableSeen> tables;
    std::vector<CellSeen> cells;
};

// How many pixels of the rendered document are not white.
int inkedPixels(QTextDocument& document, QRgb* firstInk = nullptr)
{
    document.setTextWidth(400);
    QImage image(400, int(document.size().height()) + 1, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    document.drawContents(&painter);
    painter.end();
    int inked = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) != qRgb(255, 255, 255)) {
                if (inked++ == 0 && firstInk)
                    *firstInk = image.pixel(x, y);
            }
    return inked;
}

} // namespace

TEST(RtfTables, CorpusTablesKeepRowsColumnsWidthsAndCells)
{
    const CorpusTable cases[] = {
        // Four cells a row but one \cellx: the others get a default inch.
        {"pandoc/table_simple.rtf", {{-1, 2, 4, {722.4, 96, 96, 96}}}, {{0, 0, 0, "A"}, {0, 1, 3, "H"}}},
        // \intbl after each cell's text.
        {"striprtf/rtf/minimal_table.rtf", {{-1, 1, 3, {66.67, 66.67, 66.67}}}, {{0, 0, 0, "cell 1"}, {0, 0, 2, "cell 3"}}},
        {"toxy/Simple table.rtf",
         {{-1, 3, 3, {189.33, 189.4, 189.4}}},
         {{0, 0, 0, "1111111111111"}, {0, 1, 1, "5555555555"}, {0, 2, 2, "99999999999"}}},
        // Merged across and down, a shaded cell, a picture in a cell.
        {"toxy/Complex table.rtf",
         {{-1, 9, 4, {142, 142, 142.07, 142.07}}},
         {{0, 0, 0, "111111111", 2, 3},
          {0, 1, 3, "6666666666", 3, 1},
          {0, 2, 1, "44444444444", 1, 1, "#ff0000"},
          {0, 4, 0, "aaaaaaaaaaaaaaaaaa", 1, 2}}},
        // A report whose last row holds a nested table defined by \nesttableprops.
        {"RtfPipe/nested_table_report.rtf",
         {{-1, 7, 1, {714}}, {0, 2, 3, {119.07, 118, 474}}},
         {{0, 0, 0, "Approval", 1, 1, "#dcdcdc"}, {1, 0, 2, "Approval Workflow Comments", 1, 1, "#dcdcdc"},
          {1, 1, 1, "John Doe", 1, 1, "#ffffff"}}},
        // Three levels, each nested table amid the paragraphs of its cell.
        {"pandoc/table_nested.rtf",
         {{-1, 1, 1, {333.33}}, {0, 1, 1, {266.67}}, {1, 2, 2, {133.33, 133.33}}},
         {{0, 0, 0, "\nOuter after"}, {1, 0, 0, "Level two before\nLevel two after"}, {2, 1, 1, "Deep D"}}},
        // \itap5 inside a level-2 cell: one level deeper, not five.
        {"pandoc/table_nested_malformed_itap.rtf",
         {{-1, 1, 1, {333.33}}, {0, 1, 1, {266.67}}, {1, 1, 1, {266.67}}},
         {{1, 0, 0, "Parent before\nParent after"}, {2, 0, 0, "Child at skipped level"}}},
        {"toxy/Three layer nested table.rtf",
         {{-1, 5, 4, {187.87, 152.8, 125.8, 101.67}}, {0, 3, 3, {136.87, 136.87, 155.67}}, {1, 3, 3, {76.67, 76.6, 105.4}}},
         {{0, 0, 1, "vvvvvvvvv"}, {1, 1, 0, "dddddddddd\n\n44444444444444", 2, 2}, {2, 0, 0, "kkkkkkkk", 3, 1},
          {2, 1, 2, "nnnnnnnnnnnnn"}}},
    };
    for (const CorpusTable& expected : cases) {
        SCOPED_TRACE(expected.file);
        QTextDocument document;
        platform::readRtf(corpusRtf(QString::fromUtf8(expected.file)), &document);
        const std::vector<QTextTable*> tables = tablesIn(document);
        ASSERT_EQ(tables.size(), expected.tables.size());
        for (size_t i = 0; i < tables.size(); ++i) {
            SCOPED_TRACE(i);
            const TableSeen& seen = expected.tables[i];
            EXPECT_EQ(tables[i]->rows(), seen.rows);
            EXPECT_EQ(tables[i]->columns(), seen.columns);
            const QTextFrame* parent = seen.parent < 0 ? document.rootFrame() : tables[size_t(seen.parent)];
            EXPECT_EQ(tables[i]->parentFrame(), parent);
            const QList<QTextLength> widths = tables[i]->format().columnWidthConstraints();
            ASSERT_EQ(widths.size(), qsizetype(seen.widths.size()));
            for (size_t c = 0; c < seen.widths.size(); ++c) {
                EXPECT_EQ(widths[qsizetype(c)].type(), QTextLength::FixedLength);
                EXPECT_NEAR(widths[qsizetype(c)].rawValue(), seen.widths[c], 0.01) << "column " << c;
            }
        }
        for (const CellSeen& cell : expected.cells) {
            const QTextTableCell found = tables[size_t(cell.table)]->cellAt(cell.row, cell.column);
            SCOPED_TRACE(testing::Message() << "table " << cell.table << " cell " << cell.row << "," << cell.column);
            EXPECT_EQ(cellText(found).toStdString(), cell.text);
            EXPECT_EQ(found.rowSpan(), cell.rowSpan);
            EXPECT_EQ(found.columnSpan(), cell.columnSpan);
            const QBrush shading = found.format().background();
            EXPECT_EQ(shading.style() == Qt::NoBrush ? std::string() : shading.color().name().toStdString(),
                      cell.shading);
        }
    }
}

TEST(RtfTables, BordersAreDrawnOnlyWhereTheFileAsks)
{
    // Empty cells: whatever is drawn is a border.
    const QByteArray colours = "{\\colortbl;\\red255\\green0\\blue0;}";
    const QByteArray cells = "\\pard\\intbl\\cell\\cell\\row";
    const QByteArray bare = "\\trowd\\trgaph108\\cellx2000\\cellx4000";
    const QByteArray cellEdges = "\\trowd\\clbrdrt\\brdrs\\brdrw30\\brdrcf1\\clbrdrl\\brdrw10\\brdrs\\brdrcf1"
                                 "\\clbrdrb\\brdrdb\\brdrw45\\brdrcf1\\clbrdrr\\brdrnone\\cellx2000\\cellx4000";
    const QByteArray rowEdges = "\\trowd\\trbrdrt\\brdrs\\trbrdrl\\brdrs\\trbrdrb\\brdrs\\trbrdrr\\brdrs"
                                "\\trbrdrh\\brdrs\\trbrdrv\\brdrdot\\cellx2000\\cellx4000";

    QTextDocument none;
    platform::readRtf("{\\rtf1" + colours + bare + cells + bare + cells + "}", &none);
    ASSERT_EQ(tablesIn(none).size(), 1u);
    EXPECT_EQ(inkedPixels(none), 0);
    const QTextTableCellFormat plain = tablesIn(none)[0]->cellAt(0, 0).format().toTableCellFormat();
    EXPECT_EQ(plain.topBorder(), 0);
    EXPECT_EQ(plain.leftPadding(), 7.2); // \trgaph108

    QTextDocument own;
    platform::readRtf("{\\rtf1" + colours + cellEdges + cells + "}", &own);
    QRgb ink = 0;
    EXPECT_GT(inkedPixels(own, &ink), 0);
    EXPECT_EQ(qRed(ink), 255) << "the border is red";
    const QTextTable* table = tablesIn(own)[0];
    const QTextTableCellFormat first = table->cellAt(0, 0).format().toTableCellFormat();
    EXPECT_EQ(borderText(first.topBorder(), first.topBorderStyle(), first.topBorderBrush()), "2/3/#ff0000");
    EXPECT_EQ(borderText(first.leftBorder(), first.leftBorderStyle(), first.leftBorderBrush()), "1/3/#ff0000");
    EXPECT_EQ(borderText(first.bottomBorder(), first.bottomBorderStyle(), first.bottomBorderBrush()), "3/4/#ff0000");
    EXPECT_EQ(borderText(first.rightBorder(), first.rightBorderStyle(), first.rightBorderBrush()), "-");
    const QTextTableCellFormat second = table->cellAt(0, 1).format().toTableCellFormat();
    EXPECT_EQ(borderText(second.topBorder(), second.topBorderStyle(), second.topBorderBrush()), "-");

    // The row's edges go round the table; its inner lines go between cells.
    QTextDocument rows;
    platform::readRtf("{\\rtf1" + rowEdges + cells + rowEdges + cells + "}", &rows);
    EXPECT_GT(inkedPixels(rows), 0);
    const QTextTable* grid = tablesIn(rows)[0];
    const QTextTableCellFormat topRight = grid->cellAt(0, 1).format().toTableCellFormat();
    EXPECT_EQ(topRight.topBorderStyle(), QTextFrameFormat::BorderStyle_Solid);
    EXPECT_EQ(topRight.leftBorderStyle(), QTextFrameFormat::BorderStyle_Dotted);
    EXPECT_EQ(topRight.rightBorderStyle(), QTextFrameFormat::BorderStyle_Solid);
    EXPECT_GT(grid->cellAt(1, 0).format().toTableCellFormat().bottomBorder(), 0);
}

TEST(RtfTables, WrittenTablesReadBackAlike)
{
    // Merged across and down, shaded, centred, indented, padded and bordered; then real files.
    const QByteArray merged = "{\\rtf1{\\colortbl;\\red0\\green0\\blue255;\\red200\\green200\\blue0;}before\\par"
                              "\\trowd\\trqc\\trleft720\\trgaph60\\trpaddt30\\trpaddft3"
                              "\\clmgf\\clvmgf\\clcbpat2\\clbrdrt\\brdrs\\brdrw30\\brdrcf1\\cellx2000"
                              "\\clmrg\\clvmgf\\cellx3000\\clvertalc\\cellx4500"
                              "\\pard\\intbl\\qc big\\cell\\cell right\\cell\\row"
                              "\\trowd\\trqc\\trleft720\\trgaph60\\clmgf\\clvmrg\\cellx2000\\clmrg\\clvmrg\\cellx3000"
                              "\\clvertalb\\cellx4500\\pard\\intbl\\cell\\cell two\\par lines\\par\\cell\\row"
                              "\\pard after\\par}";
    std::vector<std::pair<const char*, QByteArray>> inputs{{"merged", merged}};
    for (const char* file : {"toxy/Complex table.rtf", "toxy/Three layer nested table.rtf",
                             "RtfPipe/nested_table_report.rtf", "RtfPipe/Issue50-1.rtf", "striprtf/rtf/issue_29_good.rtf",
                             "pandoc/table_nested_malformed_itap.rtf"})
        inputs.emplace_back(file, corpusRtf(QString::fromUtf8(file)));

    for (const auto& [name, rtf] : inputs) {
        SCOPED_TRACE(name);
        QTextDocument original;
        platform::readRtf(rtf, &original);
        const QString described = describeTables(original);
        ASSERT_TRUE(described.startsWith(QStringLiteral("table 0"))) << described.toStdString();
        const QByteArray written = platform::writeRtf(&original);
        EXPECT_TRUE(written.contains("\\trowd") && written.contains("\\cellx") && written.contains("\\row"));
        QTextDocument again;
        platform::readRtf(written, &again);
        EXPECT_EQ(describeTables(again).toStdString(), described.toStdString());
        EXPECT_EQ(blockTexts(again), blockTexts(original));
        // What the writer makes of its own output is the same bytes again.
        EXPECT_EQ(platform::writeRtf(&again), written);
    }

    QTextDocument merges;
    platform::readRtf(merged, &merges);
    const QTextTable* table = tablesIn(merges).at(0);
    EXPECT_EQ(table->cellAt(0, 0).rowSpan(), 2);
    EXPECT_EQ(table->cellAt(0, 0).columnSpan(), 2);
    EXPECT_EQ(int(table->format().alignment()), int(Qt::AlignHCenter));
    EXPECT_EQ(table->format().leftMargin(), 48);
    EXPECT_EQ(cellText(table->cellAt(1, 2)), QStringLiteral("two\nlines"));
    EXPECT_EQ(table->cellAt(0, 2).format().verticalAlignment(), QTextCharFormat::AlignMiddle);
    EXPECT_EQ(table->cellAt(0, 0).format().toTableCellFormat().topPadding(), 2);
}

TEST(RtfTables, PlainTextReadsCellByCellWithAPauseBetween)
{
    platform::RichTextBox box;
    box.setTextRTF("{\\rtf1 before\\par\\trowd\\cellx1000\\cellx2000\\pard\\intbl a\\cell b\\par b2\\cell\\row"
                   "\\trowd\\cellx1000\\cellx2000\\pard\\intbl\\cell d\\cell\\row\\pard after\\par}");
    // A single line break joins lines into one spoken clause; a blank line ends it.
    EXPECT_EQ(box.Text(), QStringLiteral("before\r\n\r\na\r\n\r\nb\r\nb2\r\n\r\n\r\n\r\nd\r\n\r\nafter"));

    box.setTextRTF(corpusRtf(QStringLiteral("pandoc/table_nested.rtf")));
    const QString nested = box.Text();
    for (const char* cells : {"Level two before\r\n\r\nDeep A\r\n\r\nDeep B\r\n\r\nDeep C\r\n\r\nDeep D\r\n\r\nLevel two after",
                              "Level two after\r\n\r\nOuter after\r\n\r\nOutside table"})
        EXPECT_TRUE(nested.contains(QString::fromUtf8(cells))) << nested.toStdString();
}
