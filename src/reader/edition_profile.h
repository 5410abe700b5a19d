#pragma once
// What an edition fixes when it is built; nothing switches it at run time.
#include "reader/layout.h"
#include "speech/read_aloud.h"

#include <QColor>
#include <QString>

namespace reader {

// Where the pages come from: the catalogue file beside the program, or a
// book compiled into the program.
enum class BookSource { CatalogueFile, BuiltIn };

struct EditionProfile {
    QString caption = QStringLiteral("Aurelis 2003");
    BookSource bookSource = BookSource::CatalogueFile;
    // The resource folder of the built-in book (title editions only).
    QString builtInBook;
    speech::ReadFailureMode readFailure = speech::ReadFailureMode::Silent;
    bool hasSpeechDialog = true;

    // The builder's menu entry: a top-level entry, or the last entry of the
    // tools menu after a separator, switched off for the whole run.
    QString docItemCaption = QStringLiteral("制作电子书");
    bool docItemInToolMenu = false;
    bool docItemEnabled = true;
    // "图像满屏显示" and "打印图像"; when off, nothing ever switches them on.
    bool pictureMenusEnabled = true;
    // "图像放大" and "图像缩小" at start; the layout modes switch them afterwards.
    bool zoomMenusEnabledAtStart = true;

    // Background of the left-hand panel and the button frame; invalid: the platform's own.
    QColor panelColor;
    QString exitCaption = QStringLiteral("退出(&Esc)");
    double titleColumnFactor = 10.0;
    // A failing text-background command writes its error into status panel 3, or ends silently.
    bool textBackFailureReported = true;
    bool listDoubleClickRestoresLayout = true;
    LayoutOptions layout;

    // Column-header click: the key set first, then the key for the title and for the "N" header.
    int sortKeyDefault = 0;
    int sortKeyTitleHeader = 0;
    int sortKeyNumberHeader = 1;
};

// The general edition: reads any book through its catalogue file.
EditionProfile generalEdition();

// The title editions: one book each, compiled into the program.
EditionProfile varnholtEdition();  // 《孙子兵法》全注全译
EditionProfile meritonEdition();   // 《古文六篇》全注全译

} // namespace reader
