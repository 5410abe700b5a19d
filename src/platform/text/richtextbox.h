#pragma once
// The rich text box: a text edit that loads and saves rich-text files,
// exchanges its formatted content as RTF, and gives its plain text.
#include <QByteArray>
#include <QColor>
#include <QString>
#include <QTextEdit>

namespace platform {

class RichTextBox : public QTextEdit {
    Q_OBJECT
public:
    explicit RichTextBox(QWidget* parent = nullptr);

    // A file starting with "{\rtf" is rich text, anything else plain GBK text.
    // Throws platform::Error for a missing or unreadable file (the content stays as it was).
    void LoadFile(const QString& path);
    // Saves as RTF, replacing the file. Throws platform::Error.
    void SaveFile(const QString& path) const;

    QByteArray TextRTF() const;
    void setTextRTF(const QByteArray& rtf);

    // Plain text, paragraphs separated by CR LF; table cells in reading order,
    // each parted from the next by a blank line.
    QString Text() const;
    void setText(const QString& text);

    // What the last LoadFile, setText or setTextRTF left out or changed to keep
    // the window answering, in words for the status bar; empty when the
    // whole text shows as written.
    QString loadNote() const { return loadNote_; }

    QColor BackColor() const;
    void setBackColor(const QColor& color);

private:
    QString loadNote_;
};

} // namespace platform
