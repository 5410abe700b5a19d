#pragma once
#include <QByteArray>
#include <QDir>
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

// Runs the event loop until the condition holds or the time runs out.
bool waitUntil(const std::function<bool()>& condition, int timeoutMs = 5000);

} // namespace testing_support
