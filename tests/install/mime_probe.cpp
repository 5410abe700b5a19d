// Prints what QMimeDatabase makes of each file given, one line each:
//   path <TAB> type <TAB> "text" if it is a kind of text/plain <TAB> English comment <TAB> Chinese comment
// The test points XDG_DATA_DIRS at a scratch MIME database before starting it.
#include <QCoreApplication>
#include <QLocale>
#include <QMimeDatabase>
#include <QTextStream>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    const QMimeDatabase db;
    const QStringList files = app.arguments().mid(1);
    for (const QString& file : files) {
        const QMimeType type = db.mimeTypeForFile(file);
        QLocale::setDefault(QLocale(QLocale::English));
        const QString english = type.comment();
        QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::China));
        const QString chinese = type.comment();
        out << file << '\t' << type.name() << '\t' << (type.inherits(QStringLiteral("text/plain")) ? "text" : "-")
            << '\t' << english << '\t' << chinese << '\n';
    }
    return 0;
}
