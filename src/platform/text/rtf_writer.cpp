// The RTF writer: what WordPad and Chinese Word open as they would their own
// files. Chinese text goes out as \uN with the GBK bytes as the fallback, so
// readers that know no Unicode still show it.
#include "platform/text/codepage.h"
#include "platform/text/rtf.h"

#include <QBuffer>
#include <QImage>
#include <QPixmap>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFragment>
#include <QTextFrame>
#include <QTextTable>
#include <QUrl>

#include <cmath>
#include <map>
#include <vector>

namespace platform {

namespace {

constexpr int kTwipsPerPixel = 15;

bool isChineseFont(const QString& family)
{
    for (QChar c : family)
        if (c.unicode() >= 0x80)
            return true;
    static const char* const known[] = {"simsun", "nsimsun", "simhei", "kaiti", "kaiti_gb2312", "fangsong",
                                        "fangsong_gb2312", "lisu", "youyuan", "microsoft yahei", "dengxian",
                                        "stsong", "stkaiti", "stheiti", "stfangsong", "stxihei", "stzhongsong",
                                        "wenquanyi", "ar pl", "noto sans cjk", "noto serif cjk", "droid sans fallback"};
    const QString lower = family.toLower();
    for (const char* name : known)
        if (lower.startsWith(QLatin1String(name)))
            return true;
    return false;
}

int twips(double pixels)
{
    return static_cast<int>(std::lround(pixels * kTwipsPerPixel));
}

void appendHexEscapes(QByteArray& out, const QByteArray& bytes)
{
    static const char hex[] = "0123456789abcdef";
    for (char b : bytes) {
        const auto byte = static_cast<unsigned char>(b);
        out += "\\'";
        out += hex[byte >> 4];
        out += hex[byte & 15];
    }
}

class RtfWriter {
public:
    explicit RtfWriter(const QTextDocument* document) : document_(document) {}
    QByteArray write();

private:
    struct Font {
        QString family;
        bool chinese;
    };

    int fontIndex(const QTextCharFormat& format);
    int colorIndex(const QColor& color);
    int halfPoints(const QTextCharFormat& format) const;
    void collect();
    void writeHeader(QByteArray& out) const;
    void writeFrame(QByteArray& out, const QTextFrame* frame, int level);
    void writeBlock(QByteArray& out, const QTextBlock& block, int level = 0, const char* end = "\\par");
    void writeTable(QByteArray& out, const QTextTable* table, int level);
    void writeRowDefinition(QByteArray& out, const QTextTable* table, int row, const std::vector<int>& edges);
    void writeCell(QByteArray& out, const QTextTableCell& cell, int level);
    void writeBorder(QByteArray& out, const char* word, double width, QTextFrameFormat::BorderStyle style,
                     const QBrush& brush);
    void writeCharFormat(QByteArray& out, const QTextCharFormat& format);
    void writeText(QByteArray& out, QStringView text, bool chinese) const;
    void writeFontName(QByteArray& out, const QString& name, bool chinese) const;
    void writeImage(QByteArray& out, const QTextImageFormat& format) const;

    const QTextDocument* document_;
    std::vector<Font> fonts_;
    std::map<QString, int> fontIndexes_;
    std::vector<QColor> colors_;
    std::map<QRgb, int> colorIndexes_;
};

int RtfWriter::fontIndex(const QTextCharFormat& format)
{
    QString family = format.fontFamilies().toStringList().value(0);
    if (family.isEmpty())
        return 0;
    const auto it = fontIndexes_.find(family);
    if (it != fontIndexes_.end())
        return it->second;
    const int index = static_cast<int>(fonts_.size());
    fonts_.push_back({family, isChineseFont(family)});
    fontIndexes_.emplace(family, index);
    return index;
}

int RtfWriter::colorIndex(const QColor& color)
{
    const QRgb rgb = color.rgb() & 0xffffff;
    const auto it = colorIndexes_.find(rgb);
    if (it != colorIndexes_.end())
        return it->second;
    colors_.push_back(QColor::fromRgb(rgb));
    const int index = static_cast<int>(colors_.size()); // entry 0 is "automatic"
    colorIndexes_.emplace(rgb, index);
    return index;
}

int RtfWriter::halfPoints(const QTextCharFormat& format) const
{
    double points = format.fontPointSize();
    if (points <= 0)
        points = document_->defaultFont().pointSizeF();
    if (points <= 0)
        points = 12;
    return std::max(1, static_cast<int>(std::lround(points * 2)));
}

void RtfWriter::collect()
{
    const QString defaultFamily = document_->defaultFont().family();
    fonts_.push_back({defaultFamily, isChineseFont(defaultFamily)});
    fontIndexes_.emplace(defaultFamily, 0);
    for (QTextBlock block = document_->begin(); block.isValid(); block = block.next()) {
        fontIndex(block.charFormat());
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat format = it.fragment().charFormat();
            fontIndex(format);
            if (format.hasProperty(QTextFormat::ForegroundBrush) && format.foreground().style() != Qt::NoBrush)
                colorIndex(format.foreground().color());
            if (format.hasProperty(QTextFormat::BackgroundBrush) && format.background().style() != Qt::NoBrush)
                colorIndex(format.background().color());
        }
    }
}

void RtfWriter::writeHeader(QByteArray& out) const
{
    out += "{\\rtf1\\ansi\\ansicpg936\\deff0\\deflang1033\\deflangfe2052{\\fonttbl";
    for (size_t i = 0; i < fonts_.size(); ++i) {
        const Font& font = fonts_[i];
        out += "{\\f" + QByteArray::number(static_cast<int>(i));
        out += font.chinese ? "\\fnil\\fcharset134 " : "\\fnil\\fcharset0 ";
        writeFontName(out, font.family, font.chinese);
        out += ";}";
    }
    out += "}\r\n{\\colortbl ;";
    for (const QColor& color : colors_)
        out += "\\red" + QByteArray::number(color.red()) + "\\green" + QByteArray::number(color.green()) + "\\blue"
            + QByteArray::number(color.blue()) + ';';
    out += "}\r\n\\viewkind4\\uc1";
}

void RtfWriter::writeCharFormat(QByteArray& out, const QTextCharFormat& format)
{
    out += "\\f" + QByteArray::number(fontIndex(format));
    out += "\\fs" + QByteArray::number(halfPoints(format));
    if (format.fontWeight() >= QFont::DemiBold)
        out += "\\b";
    if (format.fontItalic())
        out += "\\i";
    if (format.fontUnderline())
        out += "\\ul";
    if (format.fontStrikeOut())
        out += "\\strike";
    if (format.hasProperty(QTextFormat::ForegroundBrush) && format.foreground().style() != Qt::NoBrush)
        out += "\\cf" + QByteArray::number(colorIndex(format.foreground().color()));
    if (format.hasProperty(QTextFormat::BackgroundBrush) && format.background().style() != Qt::NoBrush)
        out += "\\highlight" + QByteArray::number(colorIndex(format.background().color()));
    if (format.verticalAlignment() == QTextCharFormat::AlignSuperScript)
        out += "\\super";
    else if (format.verticalAlignment() == QTextCharFormat::AlignSubScript)
        out += "\\sub";
    out += ' ';
}

void RtfWriter::writeText(QByteArray& out, QStringView text, bool chinese) const
{
    int uc = 1;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        switch (c) {
        case u'\\': out += "\\\\"; continue;
        case u'{': out += "\\{"; continue;
        case u'}': out += "\\}"; continue;
        case u'\t': out += "\\tab "; continue;
        case 0x2028: out += "\\line "; continue;
        case 0x00a0: out += "\\~"; continue;
        case 0x00ad: out += "\\-"; continue;
        case 0x2011: out += "\\_"; continue;
        case 0xfffc: continue; // an object without its format: nothing to write
        default: break;
        }
        if (c < 0x20)
            continue;
        if (c < 0x80) {
            out += static_cast<char>(c);
            continue;
        }
        const QByteArray gbk = chinese ? codepage::gbkDoubleByte(c) : QByteArray();
        const int wanted = gbk.isEmpty() ? 1 : 2;
        if (uc != wanted) {
            out += "\\uc" + QByteArray::number(wanted);
            uc = wanted;
        }
        out += "\\u" + QByteArray::number(c > 32767 ? int(c) - 65536 : int(c));
        if (gbk.isEmpty())
            out += '?';
        else
            appendHexEscapes(out, gbk);
    }
    if (uc != 1)
        out += "\\uc1 ";
}

// Chinese Word writes a font's name in the font's own code page (宋体 as
// \'cb\'ce\'cc\'e5), and older readers look fonts up by those bytes.
void RtfWriter::writeFontName(QByteArray& out, const QString& name, bool chinese) const
{
    const QByteArray gbk = chinese ? codepage::encodeGb18030(name) : QByteArray();
    bool plainGbk = !gbk.isEmpty();
    for (QChar c : name)
        if (c.unicode() >= 0x80 && codepage::gbkDoubleByte(c.unicode()).isEmpty())
            plainGbk = false;
    if (!plainGbk) {
        QString cleaned = name;
        cleaned.remove(QLatin1Char(';'));
        writeText(out, cleaned, chinese);
        return;
    }
    for (char b : gbk) {
        if (b == ';')
            continue;
        if (b == '\\' || b == '{' || b == '}')
            out += '\\';
        if (static_cast<unsigned char>(b) >= 0x80)
            appendHexEscapes(out, QByteArray(1, b));
        else
            out += b;
    }
}

void RtfWriter::writeImage(QByteArray& out, const QTextImageFormat& format) const
{
    const QVariant resource = document_->resource(QTextDocument::ImageResource, QUrl(format.name()));
    QImage image;
    if (resource.canConvert<QImage>())
        image = resource.value<QImage>();
    else if (resource.canConvert<QPixmap>())
        image = resource.value<QPixmap>().toImage();
    else if (resource.canConvert<QByteArray>())
        image.loadFromData(resource.toByteArray());
    if (image.isNull())
        return;
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG"))
        return;
    const double width = format.width() > 0 ? format.width() : image.width();
    const double height = format.height() > 0 ? format.height() : image.height();
    out += "{\\pict\\pngblip\\picw" + QByteArray::number(image.width()) + "\\pich"
        + QByteArray::number(image.height()) + "\\picwgoal" + QByteArray::number(twips(width)) + "\\pichgoal"
        + QByteArray::number(twips(height)) + "\r\n";
    const QByteArray hex = png.toHex();
    for (qsizetype i = 0; i < hex.size(); i += 128) {
        out += hex.mid(i, 128);
        out += "\r\n";
    }
    out += '}';
}

void RtfWriter::writeBlock(QByteArray& out, const QTextBlock& block, int level, const char* end)
{
    const QTextBlockFormat format = block.blockFormat();
    out += "\\pard";
    if (level > 0)
        out += "\\intbl\\itap" + QByteArray::number(level);
    const Qt::Alignment align = format.alignment() & Qt::AlignHorizontal_Mask;
    if (align & Qt::AlignHCenter)
        out += "\\qc";
    else if (align & (Qt::AlignRight | Qt::AlignTrailing))
        out += "\\qr";
    else if (align & Qt::AlignJustify)
        out += "\\qj";
    const std::pair<const char*, double> indents[] = {
        {"\\li", format.leftMargin()}, {"\\ri", format.rightMargin()}, {"\\fi", format.textIndent()},
        {"\\sb", format.topMargin()},  {"\\sa", format.bottomMargin()},
    };
    for (const auto& [word, pixels] : indents)
        if (twips(pixels) != 0)
            out += word + QByteArray::number(twips(pixels));
    // Line spacing: a proportional height in 240ths of a single line, or a height in twips.
    switch (format.lineHeightType()) {
    case QTextBlockFormat::ProportionalHeight:
        if (const int sl = qRound(format.lineHeight() * 240 / 100); sl > 0 && sl != 240)
            out += "\\sl" + QByteArray::number(sl) + "\\slmult1";
        break;
    case QTextBlockFormat::MinimumHeight:
        if (const int sl = twips(format.lineHeight()); sl > 0)
            out += "\\sl" + QByteArray::number(sl) + "\\slmult0";
        break;
    case QTextBlockFormat::FixedHeight:
        if (const int sl = twips(format.lineHeight()); sl > 0)
            out += "\\sl-" + QByteArray::number(sl) + "\\slmult0";
        break;
    default:
        break;
    }
    out += ' ';

    bool empty = true;
    for (auto it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment fragment = it.fragment();
        const QTextCharFormat chars = fragment.charFormat();
        empty = false;
        if (chars.isImageFormat()) {
            for (int i = 0; i < fragment.length(); ++i)
                writeImage(out, chars.toImageFormat());
            continue;
        }
        out += '{';
        writeCharFormat(out, chars);
        writeText(out, fragment.text(), fonts_[fontIndex(chars)].chinese);
        out += '}';
    }
    if (empty) {
        // An empty line keeps the height of its font. A cell's first line takes
        // its format from the cell, whose shading is not the text's.
        QTextCharFormat chars = block.charFormat();
        if (chars.isTableCellFormat())
            chars.clearBackground();
        out += '{';
        writeCharFormat(out, chars);
        out += end;
        out += "}\r\n";
    } else {
        out += end;
        out += "\r\n";
    }
}

void RtfWriter::writeFrame(QByteArray& out, const QTextFrame* frame, int level)
{
    for (auto it = frame->begin(); !it.atEnd(); ++it) {
        if (const QTextFrame* child = it.currentFrame()) {
            if (const auto* table = qobject_cast<const QTextTable*>(child))
                writeTable(out, table, level + 1);
            else
                writeFrame(out, child, level);
        } else {
            writeBlock(out, it.currentBlock(), level);
        }
    }
}

// The column edges in twips from the margin: the table's left edge, then each
// column's right edge. Columns without a fixed width share what is left of the page.
std::vector<int> columnEdges(const QTextTable* table, double pageWidth)
{
    const QTextTableFormat format = table->format();
    const QList<QTextLength> constraints = format.columnWidthConstraints();
    const int columns = table->columns();
    std::vector<double> widths(static_cast<size_t>(columns), -1);
    double used = 0;
    int open = 0;
    for (int c = 0; c < columns; ++c) {
        const QTextLength length = c < constraints.size() ? constraints[c] : QTextLength();
        if (length.type() == QTextLength::FixedLength)
            widths[static_cast<size_t>(c)] = length.rawValue();
        else if (length.type() == QTextLength::PercentageLength)
            widths[static_cast<size_t>(c)] = length.value(pageWidth);
        if (widths[static_cast<size_t>(c)] >= 0)
            used += widths[static_cast<size_t>(c)];
        else
            ++open;
    }
    const double share = open > 0 ? std::max(48.0, (pageWidth - used) / open) : 0;
    std::vector<int> edges;
    edges.reserve(static_cast<size_t>(columns) + 1);
    double x = std::max(0.0, format.leftMargin());
    edges.push_back(twips(x));
    for (int c = 0; c < columns; ++c) {
        const double width = widths[static_cast<size_t>(c)];
        x += width >= 0 ? width : share;
        edges.push_back(std::max(twips(x), edges.back() + 1));
    }
    return edges;
}

void RtfWriter::writeBorder(QByteArray& out, const char* word, double width, QTextFrameFormat::BorderStyle style,
                            const QBrush& brush)
{
    if (width <= 0 || style == QTextFrameFormat::BorderStyle_None)
        return;
    out += word;
    switch (style) {
    case QTextFrameFormat::BorderStyle_Double: out += "\\brdrdb"; break;
    case QTextFrameFormat::BorderStyle_Dotted: out += "\\brdrdot"; break;
    case QTextFrameFormat::BorderStyle_Dashed:
    case QTextFrameFormat::BorderStyle_DotDash:
    case QTextFrameFormat::BorderStyle_DotDotDash: out += "\\brdrdash"; break;
    default: out += "\\brdrs"; break;
    }
    out += "\\brdrw" + QByteArray::number(twips(width));
    if (brush.style() != Qt::NoBrush)
        out += "\\brdrcf" + QByteArray::number(colorIndex(brush.color()));
}

// \trowd and a definition for every grid cell, merged ones marked as such so
// that the grid reads back as it was.
void RtfWriter::writeRowDefinition(QByteArray& out, const QTextTable* table, int row, const std::vector<int>& edges)
{
    const QTextTableFormat format = table->format();
    // The row's padding is that of its first own cell: a cell merged down from above keeps its own row's.
    QTextTableCell own = table->cellAt(row, 0);
    while (own.row() != row && own.column() + own.columnSpan() < table->columns())
        own = table->cellAt(row, own.column() + own.columnSpan());
    const QTextTableCellFormat first = own.format().toTableCellFormat();
    const auto padding = [&format](const QTextTableCellFormat& cell, QTextFormat::Property property) {
        return twips(cell.hasProperty(property) ? cell.doubleProperty(property) : format.cellPadding());
    };
    const int left = padding(first, QTextFormat::TableCellLeftPadding);
    out += "\\trowd\\trgaph" + QByteArray::number(left) + "\\trleft" + QByteArray::number(edges.front());
    const Qt::Alignment align = format.alignment() & Qt::AlignHorizontal_Mask;
    if (align & Qt::AlignHCenter)
        out += "\\trqc";
    else if (align & (Qt::AlignRight | Qt::AlignTrailing))
        out += "\\trqr";
    out += "\\trpaddl" + QByteArray::number(left) + "\\trpaddr"
        + QByteArray::number(padding(first, QTextFormat::TableCellRightPadding)) + "\\trpaddt"
        + QByteArray::number(padding(first, QTextFormat::TableCellTopPadding)) + "\\trpaddb"
        + QByteArray::number(padding(first, QTextFormat::TableCellBottomPadding))
        + "\\trpaddfl3\\trpaddfr3\\trpaddft3\\trpaddfb3\r\n";
    for (int c = 0; c < table->columns(); ++c) {
        const QTextTableCell cell = table->cellAt(row, c);
        if (cell.column() == c && cell.columnSpan() > 1)
            out += "\\clmgf";
        else if (cell.column() < c)
            out += "\\clmrg";
        if (cell.row() == row && cell.rowSpan() > 1)
            out += "\\clvmgf";
        else if (cell.row() < row)
            out += "\\clvmrg";
        const QTextTableCellFormat f = cell.format().toTableCellFormat();
        if (f.verticalAlignment() == QTextCharFormat::AlignMiddle)
            out += "\\clvertalc";
        else if (f.verticalAlignment() == QTextCharFormat::AlignBottom)
            out += "\\clvertalb";
        writeBorder(out, "\\clbrdrt", f.topBorder(), f.topBorderStyle(), f.topBorderBrush());
        writeBorder(out, "\\clbrdrl", f.leftBorder(), f.leftBorderStyle(), f.leftBorderBrush());
        writeBorder(out, "\\clbrdrb", f.bottomBorder(), f.bottomBorderStyle(), f.bottomBorderBrush());
        writeBorder(out, "\\clbrdrr", f.rightBorder(), f.rightBorderStyle(), f.rightBorderBrush());
        if (f.hasProperty(QTextFormat::BackgroundBrush) && f.background().style() != Qt::NoBrush)
            out += "\\clcbpat" + QByteArray::number(colorIndex(f.background().color()));
        out += "\\cellx" + QByteArray::number(edges[static_cast<size_t>(c) + 1]) + "\r\n";
    }
}

// A cell's paragraphs and nested tables; its last paragraph ends with the cell mark.
void RtfWriter::writeCell(QByteArray& out, const QTextTableCell& cell, int level)
{
    const char* cellMark = level > 1 ? "\\nestcell" : "\\cell";
    bool afterBlock = false; // the item before was a paragraph, not a table
    for (auto it = cell.begin(); !it.atEnd();) {
        if (const QTextFrame* child = it.currentFrame()) {
            if (const auto* table = qobject_cast<const QTextTable*>(child))
                writeTable(out, table, level + 1);
            else
                writeFrame(out, child, level);
            afterBlock = false;
            ++it;
            continue;
        }
        const QTextBlock block = it.currentBlock();
        ++it;
        if (!it.atEnd()) {
            writeBlock(out, block, level);
            afterBlock = true;
            continue;
        }
        if (afterBlock && block.length() <= 1) {
            // "\par\cell" reads as one paragraph ended twice: an empty last
            // paragraph needs its own \par before the cell mark.
            writeBlock(out, block, level);
            out += cellMark;
            out += "\r\n";
        } else {
            writeBlock(out, block, level, cellMark);
        }
    }
}

void RtfWriter::writeTable(QByteArray& out, const QTextTable* table, int level)
{
    const double pageWidth = document_->textWidth() > 0 ? document_->textWidth() : 640;
    const std::vector<int> edges = columnEdges(table, pageWidth);
    for (int r = 0; r < table->rows(); ++r) {
        if (level == 1)
            writeRowDefinition(out, table, r, edges);
        for (int c = 0; c < table->columns(); ++c) {
            const QTextTableCell cell = table->cellAt(r, c);
            if (cell.row() == r && cell.column() == c)
                writeCell(out, cell, level);
            else // covered by a merged cell: an empty cell keeps the grid
                out += "\\pard\\intbl\\itap" + QByteArray::number(level) + (level > 1 ? "\\nestcell\r\n" : "\\cell\r\n");
        }
        if (level == 1) {
            out += "\\row\r\n";
        } else {
            // Nested rows are defined after their cells; older readers show the fallback.
            out += "\\pard\\intbl\\itap" + QByteArray::number(level) + "{\\*\\nesttableprops";
            writeRowDefinition(out, table, r, edges);
            out += "\\nestrow}{\\nonesttables\\par}\r\n";
        }
    }
}

QByteArray RtfWriter::write()
{
    collect();
    QByteArray body;
    writeFrame(body, document_->rootFrame(), 0);
    QByteArray out;
    writeHeader(out);
    out += "\r\n";
    out += body;
    out += "}\r\n";
    return out;
}

} // namespace

QByteArray writeRtf(const QTextDocument* document)
{
    if (!document)
        return QByteArray();
    return RtfWriter(document).write();
}

} // namespace platform
