// What an edition changes in the reader window: the switched-off menu entries,
// the panel colours, and the title editions' built-in book with its start-up.
#include "reader/frmmain.h"

#include "editions/books/book.h"
#include "platform/core/error.h"
#include "platform/core/listview.h"
#include "platform/core/outer_geometry.h"
#include "platform/core/program.h"
#include "platform/core/scrollbar.h"
#include "platform/picture/picture.h"
#include "platform/speech/voice.h"
#include "platform/text/richtextbox.h"
#include "reader/catalogue.h"
#include "reader/page_source.h"

#include <QAction>
#include <QComboBox>
#include <QFrame>

namespace reader {

namespace {
// An entry the edition switches off stays off for the whole run, whoever
// tries to switch it on (the layout commands, F-keys, later code).
void keepSwitchedOff(QAction* action)
{
    action->setEnabled(false);
    QObject::connect(action, &QAction::enabledChanged, action, [action](bool enabled) {
        if (enabled)
            action->setEnabled(false);
    });
}
}

void frmmain::applyEdition()
{
    if (!profile_.docItemEnabled)
        keepSwitchedOff(menuDocItem);
    if (!profile_.pictureMenusEnabled) {
        keepSwitchedOff(menuPicFullScr);
        keepSwitchedOff(menuPrint);
    }
    menuPicLarge->setEnabled(profile_.zoomMenusEnabledAtStart);
    menuPicSmall->setEnabled(profile_.zoomMenusEnabledAtStart);
    if (profile_.panelColor.isValid()) {
        for (QFrame* frame : {FraTxtCmd, FraCmdPic}) {
            QPalette p = frame->palette();
            p.setColor(QPalette::Window, profile_.panelColor);
            frame->setPalette(p);
            frame->setAutoFillBackground(true);
        }
    }
    chooseBookSource();
}

void frmmain::chooseBookSource()
{
    if (hasBuiltInBook()) {
        createBuiltInBook();
        pages_ = std::make_unique<BuiltInBookSource>(*listVW, RTBoxTxt);
        startUp_ = &frmmain::titleStartUp;
    } else {
        pages_ = std::make_unique<CatalogueSource>(*listVW);
        startUp_ = &frmmain::generalStartUp;
    }
}

void frmmain::createBuiltInBook()
{
    const books::BuiltInBook book = books::loadBuiltInBook(profile_.builtInBook);
    CmbItem = new QComboBox(client_);
    CmbItem->hide();
    RTBoxTxt.reserve(static_cast<size_t>(book.entries.size()));
    for (const books::BookDocument& entry : book.entries) {
        CmbItem->addItem(entry.title);
        auto* box = new platform::RichTextBox(client_);
        box->hide();
        box->document()->setUndoRedoEnabled(false);
        books::renderBookDocument(entry, box->document());
        RTBoxTxt.push_back(box);
    }
    // The introduction stands where the general edition keeps its help text.
    RTBoxShow[1]->document()->setUndoRedoEnabled(false);
    books::renderBookDocument(book.introduction, RTBoxShow[1]->document());
}

void frmmain::titleStartUp()
{
    const QSizeF screen = platform::screenSizeTwips();
    // The design position: the screen's top left corner, frame and caption
    // included, so the window covers the whole screen. It is not centred.
    outer_->placeFrameAt(QPoint(0, 0));
    platform::runSteps({
        [&] { menuTextLarge_Click(); },
        [&] { menuHelp_Click(); },
        [&] { setFormHeight(static_cast<float>(screen.height())); },
        [&] { setFormWidth(static_cast<float>(screen.width())); },
        [&] { LoadBuiltInCatalogue(); },
        [&] { hidePictureAndScrollBars(); },
        [&] { Voice = voiceFactory_(); },
    });
}

void frmmain::createCatalogueColumns()
{
    const ColumnWidths w = catalogueColumnWidths(geom_.list.width, profile_.titleColumnFactor);
    listVW->setReportView();
    listVW->clearColumns();
    listVW->addColumn(kColumnNumber, w.number);
    listVW->addColumn(kColumnTitle, w.title);
    listVW->addColumn(kColumnTextFile, w.textFile);
    listVW->addColumn(kColumnPictureFile, w.pictureFile);
}

void frmmain::LoadBuiltInCatalogue()
{
    createCatalogueColumns();
    // No file names: the text and picture columns stay empty.
    QVector<QStringList> rows;
    const int entries = CmbItem ? std::min(CmbItem->count(), kMaxCatalogueRows) : 0;
    for (int k = 1; k <= entries; ++k)
        rows.append({QString::number(k), CmbItem->itemText(k - 1)});
    listVW->addRows(rows);
}

} // namespace reader
