#include "reader/frmmain.h"

#include "platform/core/error.h"
#include "platform/core/listview.h"
#include "platform/core/program.h"
#include "platform/core/scrollbar.h"
#include "platform/picture/picture.h"
#include "platform/speech/voice.h"
#include "platform/text/ansi_text.h"
#include "platform/text/richtextbox.h"
#include "reader/catalogue.h"

#include <QDir>
#include <QGuiApplication>
#include <QScreen>

namespace reader {

void frmmain::Form_Load()
{
    // Create the platform window now so its frame is known when the outer size is set.
    winId();
    const QSizeF screen = platform::screenSizeTwips();
    const FormMetrics design = metrics();
    const QSizeF size(design.width, design.height);
    move(platform::twipsToPixels((screen.width() - size.width()) / 2),
         platform::twipsToPixels((screen.height() - size.height()) / 2));

    // The help document is written out at every start; a folder we cannot write
    // to must not stop the program, so this step is skipped like the rest.
    platform::runSteps({
        [&] { RTBoxShow[1]->SaveFile(QStringLiteral("abc.rtf")); },
        [&] { setFormHeight(static_cast<float>(screen.height() - 500)); },
        [&] { setFormWidth(static_cast<float>(screen.width() - 100)); },
        // Centred again at the final size, so the enlarged window stays on the screen.
        [&] {
            const FormMetrics m = metrics();
            move(platform::twipsToPixels((screen.width() - m.width) / 2),
                 platform::twipsToPixels((screen.height() - m.height) / 2));
        },
        [&] { LoadCatalogue(); },
        [&] {
            VScr->hide();
            HScr->hide();
        },
        [&] {
            ImgPic->hide();
            img_.stretch = false;
        },
        [&] { loadPictureInto(listVW->subItem(1, 3)); },
        [&] {
            if (listVW->count() >= 1)
                RTBoxShow[0]->LoadFile(pageFilePath(listVW->subItem(1, 2)));
            else
                RTBoxShow[0]->setTextRTF(RTBoxShow[1]->TextRTF());
        },
        [&] { Voice = voiceFactory_(); },
    });
    // The first display lays the window out, which fits, places and shows the picture.
}

void frmmain::LoadCatalogue()
{
    const ColumnWidths w = catalogueColumnWidths(geom_.list.width, profile_.titleColumnFactor);
    listVW->setReportView();
    listVW->clearColumns();
    listVW->addColumn(kColumnNumber, w.number);
    listVW->addColumn(kColumnTitle, w.title);
    listVW->addColumn(kColumnTextFile, w.textFile);
    listVW->addColumn(kColumnPictureFile, w.pictureFile);

    auto file = std::make_shared<platform::AnsiTextReader>(
        platform::AnsiTextReader::open(findCatalogueFile(QDir::currentPath()), true, kMaxCatalogueBytes));
    auto lines = std::make_shared<QVector<std::pair<int, int>>>();
    while (!file->atEndOfLine() && lines->size() < kMaxCatalogueRows)
        lines->append(file->readLineSpan());
    // Lines are decoded and cut into cells only when a row is first looked at,
    // so a long catalogue costs little at start-up.
    platform::ListView::LazyRows rows;
    rows.count = lines->size();
    rows.subItems = [file, lines](int k) {
        const CatalogueLine c = parseCatalogueLine(file->decodeSpan(lines->at(k)));
        // Sub-items 1, 2, 3 are the title, the text file and the picture file.
        return std::array<QString, 3>{c.title, c.textFile, c.pictureFile};
    };
    listVW->addLazyRows(std::move(rows));
}

} // namespace reader
