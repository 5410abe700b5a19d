#pragma once
#include "platform/core/form_design.h"

#include <QByteArray>
#include <QDir>
#include <QImage>
#include <QRect>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <functional>
#include <string>

class QTextDocument;

namespace testing_support {

// Root of the shared real-world files (RTF, metafiles, images).
QString corpusDir();
// Root of the demo book.
QString samplesDir();
// A file among the shared real-world files, by its path below their root ("rtf/tika/a.rtf").
QString corpusFile(const QString& relative);
// The bytes of such a file; empty when it cannot be read.
QByteArray corpusBytes(const QString& relative);

// The bytes of a file; empty when it cannot be read.
QByteArray fileBytes(const QString& path);

// The text of each paragraph of the document.
QStringList blockTexts(const QTextDocument& document);

// Text written in the source as UTF-8.
inline QString u(const char* utf8) { return QString::fromUtf8(utf8); }
// Text for gtest to compare and print.
inline std::string s(const QString& text) { return text.toStdString(); }

// A fresh temporary folder made the current directory for the guard's lifetime.
class TempWorkDir {
public:
    TempWorkDir();
    ~TempWorkDir();
    QString path() const { return dir_.path(); }
    QString file(const QString& name) const { return dir_.filePath(name); }
    void write(const QString& name, const QByteArray& bytes) const;
    QByteArray read(const QString& name) const;

private:
    QTemporaryDir dir_;
    QString previous_;
};

// Page `page` (from 1) of a PDF file as poppler's pdftoppm draws it at `dpi`;
// a null image when the page cannot be drawn (no such file or page).
QImage renderPdfPage(const QString& pdf, int dpi, int page = 1);
// The smallest rectangle holding every pixel that is not white paper; empty on a blank page.
QRect inkBox(const QImage& page);

// Runs the event loop until the condition holds or the time runs out.
bool waitUntil(const std::function<bool()>& condition, int timeoutMs = 5000);

// Runs `check` in a child process of its own, so that code which would block for
// ever or read without end makes the test fail instead of stopping the run: the
// child is ended after `seconds` and may take at most `memoryMb` more address
// space than the test had. Returns the child's exit code (`check`'s result,
// 254 for an escaped exception), or 128 + the signal that ended it. The child
// has the calling thread only: what needs Qt's worker threads (painting on
// the raster engine) must stay out of `check`.
int inChildProcess(const std::function<int()>& check, int seconds = 10, int memoryMb = 1024);

// The most address space this process has held so far, in kilobytes: what
// it asked for, whether or not it touched it.
long peakAddressSpaceKb();

// A named pipe (no writer ever opens it) at the path.
bool makeNamedPipe(const QString& path);

// The text as Windows Notepad saves it as "Unicode" (little-endian) or
// "Unicode big endian": its byte-order mark, then UTF-16.
QByteArray notepadUnicode(const QString& text, bool bigEndian);

// The row of a window's design table for the control of this name; null when there is none.
const platform::ControlDesign* designRow(const platform::FormDesign& design, const char* name);
// A design box's figures, in twips.
QRectF twipsRect(const platform::TwipsBox& box);

} // namespace testing_support
