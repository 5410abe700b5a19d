#include "reader/edition_profile.h"

namespace reader {

EditionProfile generalEdition() { return EditionProfile(); }

namespace {
// What the two title editions share; they differ in their book and in what a
// failing speech engine shows.
EditionProfile titleEdition(const QString& bookTitle, const QString& bookFolder)
{
    EditionProfile p;
    p.caption = QStringLiteral("《") + bookTitle + QStringLiteral("》全注全译 电子书2002");
    p.bookSource = BookSource::BuiltIn;
    p.builtInBook = QStringLiteral(":/books/") + bookFolder;
    p.hasSpeechDialog = false;
    p.docItemCaption = QStringLiteral("制作图文列表");
    p.docItemInToolMenu = true;
    p.docItemEnabled = false;
    p.pictureMenusEnabled = false;
    p.zoomMenusEnabledAtStart = false;
    p.panelColor = QColor(0, 192, 0);
    p.exitCaption = QStringLiteral("退出(&E)");
    p.titleColumnFactor = 20.0;
    p.textBackFailureReported = false;
    p.listDoubleClickRestoresLayout = false;
    p.layout.listHeightDenominator = 5.0f;
    p.sortKeyDefault = 1;
    p.sortKeyTitleHeader = 1;
    p.sortKeyNumberHeader = 0;
    return p;
}
}

EditionProfile varnholtEdition()
{
    EditionProfile p = titleEdition(QStringLiteral("孙子兵法"), QStringLiteral("varnholt"));
    p.readFailure = speech::ReadFailureMode::MessageThenEnd;
    return p;
}

EditionProfile meritonEdition()
{
    EditionProfile p = titleEdition(QStringLiteral("古文六篇"), QStringLiteral("meriton"));
    p.readFailure = speech::ReadFailureMode::MessageNumberContinue;
    return p;
}

} // namespace reader
