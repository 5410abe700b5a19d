#include "platform/core/program.h"

#include "platform/core/accessibility.h"
#include "platform/core/windows_fonts.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLibraryInfo>
#include <QLocale>
#include <QPushButton>
#include <QScreen>
#include <QTranslator>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace platform {

namespace {
ExitInterceptor* g_interceptor = nullptr;
QSizeF g_screenOverride;

// Qt's push buttons take Enter only inside dialogs; on this desktop Enter presses
// the focused button in any window. One filter for the whole program, so windows
// written later behave the same without code of their own.
class EnterPressesFocusedButton : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::KeyPress)
            return false;
        const auto* key = static_cast<QKeyEvent*>(event);
        if ((key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter) ||
            (key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier)
            return false;
        auto* button = qobject_cast<QPushButton*>(watched);
        // A button with a menu opens it on Enter by itself.
        if (!button || !button->hasFocus() || button->menu())
            return false;
        // Taken here also from a dialog's button, which would press itself: one press, not two.
        button->click();
        return true;
    }
};
QString g_helperFolder;
}

ExitInterceptor::ExitInterceptor() : previous_(g_interceptor) { g_interceptor = this; }
ExitInterceptor::~ExitInterceptor() { g_interceptor = previous_; }

void endProgram()
{
    if (g_interceptor) {
        ++g_interceptor->count_;
        return;
    }
    std::fflush(nullptr);
    // "At once": no event loop unwinding, no window unloading.
    std::_Exit(0);
}

double twipsPerPixel()
{
    double dpi = 96.0;
    if (QScreen* s = QGuiApplication::primaryScreen()) {
        const double d = s->logicalDotsPerInch();
        if (d > 0)
            dpi = d;
    }
    return kTwipsPerInch / dpi;
}

int twipsToPixels(double twips) { return static_cast<int>(std::lround(twips / twipsPerPixel())); }
double pixelsToTwips(double pixels) { return pixels * twipsPerPixel(); }

QSizeF screenSizeTwips()
{
    if (!g_screenOverride.isEmpty())
        return g_screenOverride;
    if (QScreen* s = QGuiApplication::primaryScreen()) {
        const QSize px = s->geometry().size();
        return QSizeF(pixelsToTwips(px.width()), pixelsToTwips(px.height()));
    }
    return QSizeF(pixelsToTwips(1024), pixelsToTwips(768));
}

void setScreenSizeOverride(const QSizeF& twips) { g_screenOverride = twips; }

QString helperProgramPath(const QString& name)
{
    if (!g_helperFolder.isEmpty())
        return QDir(g_helperFolder).filePath(name);
    // Installed, the helpers keep to the package's own folder, off PATH; in the
    // build tree they lie beside the programs. Both are found from the
    // program's own folder only, never by a search.
    const QDir programFolder(QCoreApplication::applicationDirPath());
#ifdef AURELIS_BIN_TO_HELPER
    const QString installed =
        QDir::cleanPath(programFolder.filePath(QStringLiteral(AURELIS_BIN_TO_HELPER "/") + name));
    if (QFileInfo(installed).isExecutable())
        return installed;
#endif
    return programFolder.filePath(name);
}

void setHelperProgramFolder(const QString& folder) { g_helperFolder = folder; }

void setUpChineseEnvironment(QApplication& app)
{
    const QString enterFilter = QStringLiteral("EnterPressesFocusedButton");
    if (!app.findChild<QObject*>(enterFilter, Qt::FindDirectChildrenOnly)) {
        auto* filter = new EnterPressesFocusedButton(&app);
        filter->setObjectName(enterFilter);
        app.installEventFilter(filter);
    }
    setUpAccessibility(app);
    QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::China));
    const QString dir = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    for (const char* name : {"qtbase_zh_CN", "qt_zh_CN"}) {
        auto* tr = new QTranslator(&app);
        if (tr->load(QLatin1String(name), dir))
            app.installTranslator(tr);
        else
            delete tr;
    }
    substituteWindowsFonts();
}

} // namespace platform
