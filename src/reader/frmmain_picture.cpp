#include "reader/frmmain.h"

#include "platform/core/error.h"
#include "platform/core/program.h"
#include "platform/core/scrollbar.h"
#include "platform/picture/picture.h"
#include "reader/catalogue.h"
#include "reader/picture_pane.h"

namespace reader {

void frmmain::applyImage()
{
    ImgPic->setGeometry(platform::twipsToPixels(img_.left), platform::twipsToPixels(img_.top),
                        platform::twipsToPixels(img_.width), platform::twipsToPixels(img_.height));
}

void frmmain::hidePictureForLoading()
{
    ImgPic->hide();
    img_.stretch = false;
}

void frmmain::hidePictureAndScrollBars()
{
    VScr->hide();
    HScr->hide();
    hidePictureForLoading();
}

void frmmain::loadPictureInto(const QString& file)
{
    // An empty name clears the picture; a file that cannot be read leaves the old one.
    // FitPicture fits the picture into the box's outer size.
    const PaneSize pane = paneSize();
    const QSize box = (QSizeF(platform::twipsToPixels(pane.width), platform::twipsToPixels(pane.height))
                       * ImgPic->devicePixelRatioF())
                          .toSize();
    pictureRefused_.clear();
    platform::Picture picture;
    try {
        picture = file.isEmpty() ? platform::Picture() : pagePicture(pageFilePath(file), box);
    } catch (const platform::Error& e) {
        // A file that is there but no picture to show is named as such; a missing one is not.
        if (e.number() == platform::errc::InvalidPicture)
            pictureRefused_ = e.description();
        throw;
    }
    ImgPic->setPicture(picture);
    if (!img_.stretch && !picture.isNull()) {
        const QSizeF natural = picture.naturalTwips();
        img_.width = static_cast<float>(natural.width());
        img_.height = static_cast<float>(natural.height());
        applyImage();
    }
}

void frmmain::FitPicture()
{
    img_ = fitPicture(img_, paneSize());
    applyImage();
}

void frmmain::PlacePicture()
{
    const Placement p = placePicture(img_, paneSize());
    img_ = p.image;
    applyImage();
    // Lowering Max below the value moves the value, which moves the picture through the change handler.
    platform::runSteps({
        [&] { VScr->setVisible(p.vertical.visible); },
        [&] {
            if (p.vertical.visible && p.vertical.max)
                VScr->setMax(*p.vertical.max);
        },
        [&] { HScr->setVisible(p.horizontal.visible); },
        [&] {
            if (p.horizontal.visible && p.horizontal.max)
                HScr->setMax(*p.horizontal.max);
        },
    });
}

void frmmain::zoomBy(float factor)
{
    // The step shows at once; a metafile's exact drawing follows.
    ImgPic->drawNewSizesLater();
    ImgPic->hide();
    img_ = zoomPicture(img_, factor);
    applyImage();
    PlacePicture();
    ImgPic->show();
}

void frmmain::menuPicLarge_Click() { zoomBy(kZoomIn); }

void frmmain::menuPicSmall_Click() { zoomBy(kZoomOut); }

void frmmain::HScr_Change()
{
    img_.left = static_cast<float>(-HScr->Value());
    applyImage();
}

void frmmain::HScr_Scroll() { HScr_Change(); }

void frmmain::VScr_Change()
{
    img_.top = static_cast<float>(-VScr->Value());
    applyImage();
}

void frmmain::VScr_Scroll() { VScr_Change(); }

void frmmain::ImgPic_Click() { menuPicFullScr_Click(); }

void frmmain::ImgPic_DblClick() { menuReader_Click(); }

} // namespace reader
