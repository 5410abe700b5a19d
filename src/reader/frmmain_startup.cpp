#include "reader/frmmain.h"

#include "platform/core/error.h"
#include "platform/core/listview.h"
#include "platform/core/outer_geometry.h"
#include "platform/core/program.h"
#include "platform/core/scrollbar.h"
#include "platform/picture/picture.h"
#include "platform/speech/voice.h"
#include "platform/text/ansi_text.h"
#include "platform/text/richtextbox.h"
#include "reader/catalogue.h"
#include "reader/page_source.h"

#include <QDir>

namespace reader {

void frmmain::Form_Load()
{
    // Create the platform window now: where the frame is known before the first
    // show, the outer size is right at once; elsewhere it is corrected once framed.
    winId();
    (this->*startUp_)();
}

void frmmain::generalStartUp()
{
    const QSizeF screen = platform::screenSizeTwips();
    const FormMetrics design = metrics();
    platform::centreOnScreen(this, platform::ScreenCorner::Desktop, QSizeF(design.width, design.height));

    // The help document is written out at every start; a folder we cannot write
    // to must not stop the program, so this step is skipped like the rest.
    platform::runSteps({
        [&] { RTBoxShow[1]->SaveFile(QStringLiteral("abc.rtf")); },
        [&] { setFormHeight(static_cast<float>(screen.height() - 500)); },
        [&] { setFormWidth(static_cast<float>(screen.width() - 100)); },
        // Centred again at the final size, so the enlarged window stays on the screen,
        // and kept centred when the window manager's frame turns out different.
        [&] {
            outer_->centreOn(QRect(0, 0, platform::twipsToPixels(screen.width()),
                                   platform::twipsToPixels(screen.height())));
        },
        [&] { LoadCatalogue(); },
        [&] { hidePictureAndScrollBars(); },
        [&] { loadPictureInto(pages_->pictureFile(1)); },
        [&] {
            if (pages_->pageCount() >= 1)
                pages_->loadText(*RTBoxShow[0], 1);
            else
                RTBoxShow[0]->setTextRTF(RTBoxShow[1]->TextRTF());
        },
        [&] { Voice = voiceFactory_(); },
    });
    // The first display lays the window out, which fits, places and shows the picture.
    prefetcher_.schedule();
}

void frmmain::LoadCatalogue()
{
    createCatalogueColumns();
    readCatalogueRows(*listVW, findCatalogueFile(QDir::currentPath()));
}

} // namespace reader
