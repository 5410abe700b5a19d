#include "support/test_support.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextDocument>
#include <QThread>
#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace testing_support {

QString corpusDir() { return QString::fromUtf8(AURELIS_CORPUS_DIR); }
QString samplesDir() { return QString::fromUtf8(AURELIS_SAMPLES_DIR); }
QString corpusFile(const QString& relative) { return corpusDir() + QLatin1Char('/') + relative; }
QByteArray corpusBytes(const QString& relative) { return fileBytes(corpusFile(relative)); }

QByteArray fileBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QStringList blockTexts(const QTextDocument& document)
{
    QStringList blocks;
    for (QTextBlock b = document.begin(); b.isValid(); b = b.next())
        blocks << b.text();
    return blocks;
}

TempWorkDir::TempWorkDir() : previous_(QDir::currentPath())
{
    QDir::setCurrent(dir_.path());
}

TempWorkDir::~TempWorkDir() { QDir::setCurrent(previous_); }

void TempWorkDir::write(const QString& name, const QByteArray& bytes) const
{
    QFile f(file(name));
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        f.write(bytes);
}

QByteArray TempWorkDir::read(const QString& name) const { return fileBytes(file(name)); }

QImage renderPdfPage(const QString& pdf, int dpi, int page)
{
    QTemporaryDir out;
    const QString prefix = out.filePath(QStringLiteral("page"));
    QProcess pdftoppm;
    pdftoppm.start(QStringLiteral("pdftoppm"),
                   {QStringLiteral("-r"), QString::number(dpi), QStringLiteral("-png"), QStringLiteral("-f"),
                    QString::number(page), QStringLiteral("-l"), QString::number(page), QStringLiteral("-singlefile"),
                    pdf, prefix});
    if (!pdftoppm.waitForFinished(60000) || pdftoppm.exitStatus() != QProcess::NormalExit || pdftoppm.exitCode() != 0)
        return QImage();
    return QImage(prefix + QStringLiteral(".png"));
}

QRect inkBox(const QImage& page)
{
    const QImage img = page.convertToFormat(QImage::Format_RGB32);
    int left = img.width(), top = img.height(), right = -1, bottom = -1;
    for (int y = 0; y < img.height(); ++y) {
        const QRgb* line = reinterpret_cast<const QRgb*>(img.constScanLine(y));
        for (int x = 0; x < img.width(); ++x) {
            // Anti-aliased edges count once they are clearly darker than the paper.
            if (qRed(line[x]) + qGreen(line[x]) + qBlue(line[x]) < 3 * 255 - 60) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
        }
    }
    return right < 0 ? QRect() : QRect(QPoint(left, top), QPoint(right, bottom));
}

bool waitUntil(const std::function<bool()>& condition, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(2);
    }
    return true;
}

namespace {
// A figure of /proc/self/status, in kilobytes.
long statusKb(const QByteArray& field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(field + ':'))
            return line.mid(field.size() + 1).trimmed().split(' ').value(0).toLong();
    return 0;
}
} // namespace

long peakAddressSpaceKb() { return statusKb("VmPeak"); }

int inChildProcess(const std::function<int()>& check, int seconds, int memoryMb)
{
    const rlim_t limit = rlim_t(statusKb("VmSize") + long(memoryMb) * 1024) * 1024;
    std::fflush(nullptr);
    const pid_t pid = ::fork();
    if (pid < 0)
        return 253;
    if (pid == 0) {
        const rlimit memory{limit, limit};
        ::setrlimit(RLIMIT_AS, &memory);
        ::alarm(unsigned(seconds));
        int code = 254;
        try {
            code = check();
        } catch (...) {
        }
        std::fflush(nullptr);
        ::_exit(code);
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (WIFEXITED(status))
        return WEXITSTATUS(status);
    return WIFSIGNALED(status) ? 128 + WTERMSIG(status) : 252;
}

bool makeNamedPipe(const QString& path) { return ::mkfifo(QFile::encodeName(path).constData(), 0600) == 0; }

QByteArray notepadUnicode(const QString& text, bool bigEndian)
{
    const QByteArray mark = bigEndian ? QByteArray("\xfe\xff") : QByteArray("\xff\xfe");
    return mark + QStringEncoder(bigEndian ? QStringConverter::Utf16BE : QStringConverter::Utf16LE)(text);
}

const platform::ControlDesign* designRow(const platform::FormDesign& design, const char* name)
{
    const auto row = std::find_if(design.begin(), design.end(),
                                  [&](const platform::ControlDesign& d) { return qstrcmp(d.name, name) == 0; });
    return row == design.end() ? nullptr : &*row;
}

QRectF twipsRect(const platform::TwipsBox& box) { return QRectF(box.left, box.top, box.width, box.height); }

} // namespace testing_support
