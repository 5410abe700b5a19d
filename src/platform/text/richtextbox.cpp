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

void RichTextBox::LoadFile(const QString& path)
{
    const QByteArray bytes = readFileBytes(path); // throws before the content is touched
    if (looksLikeRtf(bytes))
        setTextRTF(bytes);
    else
        setText(decodeTextFile(bytes));
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
    readRtf(rtf, document());
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
    QString normalized = text;
    normalized.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    normalized.replace(u'\r', u'\n');
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
