#pragma once
#include <QByteArray>
#include <QDir>
#include <QImage>
#include <QRect>
#include <QString>
#include <QTemporaryDir>
#include <functional>

namespace testing_support {

// Root of the shared real-world files (RTF, metafiles, images).
QString corpusDir();
// Root of the demo book.
QString samplesDir();

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

} // namespace testing_support
