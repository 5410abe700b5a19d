#include "platform/text/richtextbox.h"

#include "platform/core/error.h"
#include "platform/core/file_write.h"
#include "platform/text/ansi_text.h"
#include "platform/text/file_errors.h"
#include "platform/text/rtf.h"

#include <QFileInfo>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextTable>

namespace platform {

RichTextBox::RichTextBox(QWidget* parent) : QTextEdit(parent)
{
    // The windows ask for 宋体; the Chinese environment maps it to an installed CJK font.
    QFont font(QStringLiteral("宋体"));
    font.setPointSizeF(9);
    setFont(font);
    document()->setDefaultFont(font);
    setAcceptRichText(true);
    setReadOnly(true);
    setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    viewport()->setAutoFillBackground(true);
}

namespace {

// Qt lays a paragraph out whole, at a cost that grows faster than its
// length: a megabyte on one line holds the window for seconds. Longer lines
// go on in a new paragraph.
constexpr qsizetype kMaxLineChars = 4096;

QString noteFor(const RtfCuts& cuts)
{
    QStringList parts;
    if (cuts.nesting)
        parts << QStringLiteral("表格嵌套过深，已展平");
    if (cuts.fonts)
        parts << QStringLiteral("字体过多，部分用默认字体");
    if (cuts.text)
        parts << QStringLiteral("文字过长，只显示前 %1 字").arg(kMaxShownChars);
    return parts.join(QStringLiteral("；"));
}

// One paragraph a line, at most kMaxShownChars characters and lines of at
// most kMaxLineChars; what had to change is noted.
QString shownPlainText(const QString& text, RtfCuts& cuts, bool& split)
{
    QString out;
    out.reserve(std::min(text.size(), kMaxShownChars) + 16);
    qsizetype line = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (out.size() >= kMaxShownChars) {
            cuts.text = true;
            break;
        }
        QChar c = text.at(i);
        if (c == u'\r') {
            if (i + 1 < text.size() && text.at(i + 1) == u'\n')
                ++i;
            c = u'\n';
        }
        if (c == u'\n') {
            line = 0;
        } else if (line >= kMaxLineChars && !(c.isLowSurrogate() && i > 0 && text.at(i - 1).isHighSurrogate())) {
            out += u'\n';
            split = true;
            line = 0;
        } else {
            ++line;
        }
        out += c;
    }
    return out;
}

} // namespace

void RichTextBox::LoadFile(const QString& path)
{
    // A file that cannot be read has nothing cut: no note of the text before stays.
    loadNote_.clear();
    const QByteArray bytes = readFileBytes(path); // throws before the content is touched
    if (looksLikeRtf(bytes)) {
        setTextRTF(bytes);
        return;
    }
    // No encoding takes more than four bytes a character: the rest of a
    // larger file cannot show, and is not decoded.
    constexpr qsizetype kMostBytesShown = kMaxShownChars * 4;
    setText(decodeTextFile(bytes.size() > kMostBytesShown ? bytes.left(kMostBytesShown) : bytes));
    const QString cut = noteFor(RtfCuts{false, false, true});
    if (bytes.size() > kMostBytesShown && !loadNote_.contains(cut))
        loadNote_ = loadNote_.isEmpty() ? cut : cut + QStringLiteral("；") + loadNote_;
}

void RichTextBox::SaveFile(const QString& path) const
{
    writeFileReplacing(path, TextRTF());
}

QByteArray RichTextBox::TextRTF() const
{
    return writeRtf(document());
}

void RichTextBox::setTextRTF(const QByteArray& rtf)
{
    loadNote_ = noteFor(readRtf(rtf, document()));
    moveCursor(QTextCursor::Start);
}

namespace {

// The table cell a block stands in, as its cell's first position; -1 outside tables.
int cellOf(const QTextBlock& block)
{
    const QTextTable* table = QTextCursor(block).currentTable();
    return table ? table->cellAt(block.position()).firstPosition() : -1;
}

} // namespace

QString RichTextBox::Text() const
{
    // Each table cell is read on its own: a blank line, where the voice pauses
    // as it does not at a single line break, parts it from the cell before and
    // from the text around the table.
    const bool tables = !document()->rootFrame()->childFrames().isEmpty();
    int cell = -1;
    QString text;
    for (QTextBlock block = document()->begin(); block.isValid(); block = block.next()) {
        if (tables) {
            const int blockCell = cellOf(block);
            if (blockCell != cell && block != document()->begin())
                text += QLatin1String("\r\n");
            cell = blockCell;
        }
        if (block != document()->begin())
            text += QLatin1String("\r\n");
        QString line = block.text();
        line.remove(QChar::ObjectReplacementCharacter);
        line.replace(QChar::LineSeparator, QLatin1String("\r\n"));
        text += line;
    }
    return text;
}

void RichTextBox::setText(const QString& text)
{
    // One paragraph per line, whichever line end the text uses.
    RtfCuts cuts;
    bool split = false;
    const QString normalized = shownPlainText(text, cuts, split);
    loadNote_ = noteFor(cuts);
    if (split)
        loadNote_ = (loadNote_.isEmpty() ? QString() : loadNote_ + QStringLiteral("；"))
                    + QStringLiteral("长行已分段");
    const bool undo = document()->isUndoRedoEnabled();
    document()->setUndoRedoEnabled(false);
    // setPlainText gives the new text the cursor's character format, which after a
    // rich text is whatever the cursor rested on (a bold coloured title, say).
    // Plain text is shown in the box's own font and colour, whatever came before.
    setCurrentCharFormat(QTextCharFormat());
    setPlainText(normalized);
    document()->setUndoRedoEnabled(undo);
    moveCursor(QTextCursor::Start);
}

QColor RichTextBox::BackColor() const
{
    return palette().color(QPalette::Base);
}

void RichTextBox::setBackColor(const QColor& color)
{
    QPalette p = palette();
    p.setColor(QPalette::Base, color);
    setPalette(p);
    QPalette v = viewport()->palette();
    v.setColor(QPalette::Base, color);
    viewport()->setPalette(v);
}

} // namespace platform
