#include "desktop/program_icon.h"

#include <QFile>
#include <QGuiApplication>
#include <QPixmap>

static void initIcons() { Q_INIT_RESOURCE(icons); }

namespace desktop {

QIcon programIcon(const QString& id)
{
    // The resources live in a static library; a program that links it only for
    // this function must register them itself.
    initIcons();
    const QString scalable = QStringLiteral(":/icons/%1.svg").arg(id);
    if (!QFile::exists(scalable))
        return QIcon();
    // One pixmap per size: an SVG icon takes a single drawing for every size,
    // and the scaled-down book is a blur at 16 and 24 pixels.
    QIcon icon;
    for (const int size : {16, 24, 32, 48, 64, 128, 256}) {
        const QString small = QStringLiteral(":/icons/%1/%2.svg").arg(size).arg(id);
        const QString file = QFile::exists(small) ? small : scalable;
        icon.addPixmap(QIcon(file).pixmap(size, size));
    }
    return icon;
}

void setProgramIdentity(const QString& id)
{
    QGuiApplication::setDesktopFileName(id);
    QGuiApplication::setWindowIcon(programIcon(id));
}

} // namespace desktop
