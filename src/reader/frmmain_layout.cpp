#include "reader/frmmain.h"

#include "platform/core/error.h"
#include "platform/core/form_design.h"
#include "platform/core/listview.h"
#include "platform/core/outer_geometry.h"
#include "platform/core/program.h"
#include "platform/core/scrollbar.h"
#include "platform/picture/picture.h"
#include "platform/text/richtextbox.h"
#include "reader/picture_pane.h"

#include <QMenuBar>
#include <QPushButton>
#include <QResizeEvent>
#include <QStatusBar>

namespace reader {

namespace {
void place(QWidget* w, const Box& b) { platform::place(w, {b.left, b.top, b.width, b.height}); }
}

LayoutMode frmmain::layoutMode() const
{
    return modeFromVisibility(!FraTxtCmd->isHidden(), !PicPic->isHidden());
}

QMargins frmmain::frameMargins() const { return outer_->frame(); }

FormMetrics frmmain::metrics() const
{
    const QMargins frame = frameMargins();
    FormMetrics m;
    m.width = static_cast<float>(platform::pixelsToTwips(width() + frame.left() + frame.right()));
    m.height = static_cast<float>(platform::pixelsToTwips(height() + frame.top() + frame.bottom()));
    const int menu = menuBar()->isHidden() ? 0 : menuBar()->height();
    m.scaleHeight = static_cast<float>(platform::pixelsToTwips(height() - menu));
    m.statusHeight = static_cast<float>(platform::pixelsToTwips(statusBar()->height()));
    return m;
}

PaneSize frmmain::paneSize() const
{
    const float border = static_cast<float>(platform::pixelsToTwips(PicturePane::kBorderPixels));
    PaneSize p;
    p.width = geom_.picture.width;
    p.height = geom_.picture.height;
    p.scaleWidth = std::max(0.0f, p.width - 2 * border);
    p.scaleHeight = std::max(0.0f, p.height - 2 * border);
    return p;
}

void frmmain::applyGeometry()
{
    place(FraTxtCmd, geom_.panel);
    place(listVW, geom_.list);
    place(FraCmdPic, geom_.buttonFrame);
    place(PicPic, geom_.picture);
    place(RTBoxShow[0], geom_.text);
    place(HScr, geom_.hscroll);
    place(VScr, geom_.vscroll);
}

void frmmain::setFormHeight(float twips)
{
    if (twips < 0)
        throw platform::Error(platform::errc::InvalidPropertyValue);
    // Corrected again once the window manager's frame is known.
    outer_->setOuterHeight(platform::twipsToPixels(twips));
    Form_Resize();
}

void frmmain::setFormWidth(float twips)
{
    if (twips < 0)
        throw platform::Error(platform::errc::InvalidPropertyValue);
    outer_->setOuterWidth(platform::twipsToPixels(twips));
    Form_Resize();
}

void frmmain::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    if (event->size() != event->oldSize() && !isMinimized())
        Form_Resize();
}

void frmmain::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    // Restoring from the task bar lays everything out again, even at the same size.
    if (event->type() == QEvent::WindowStateChange && !isMinimized())
        Form_Resize();
}

void frmmain::Form_Resize()
{
    // Re-entry (a placement that resizes the window again) would only repeat the same work.
    if (inResize_)
        return;
    inResize_ = true;
    const LayoutMode mode = layoutMode();
    platform::runSteps({
        [&] { ImgPic->hide(); },
        [&] {
            geom_ = planResize(geom_, metrics(), mode, profile_.layout);
            applyGeometry();
        },
        [&] {
            if (mode == LayoutMode::Standard) {
                for (int i = 0; i < 3; ++i)
                    CmdPic[i]->setEnabled(true);
            } else if (mode == LayoutMode::TextMaximum) {
                FraTxtCmd->show();
                for (int i = 0; i < 3; ++i)
                    CmdPic[i]->setEnabled(false);
                menuPicLarge->setEnabled(false);
            }
        },
        [&] { FitPicture(); },
        [&] { PlacePicture(); },
        [&] { ImgPic->show(); },
    });
    inResize_ = false;
}

void frmmain::ShowPictureFullScreen()
{
    platform::runSteps({
        [&] {
            FraTxtCmd->hide();
            RTBoxShow[0]->hide();
            PicPic->hide();
        },
        [&] {
            geom_ = planPictureFullScreen(geom_, metrics());
            applyGeometry();
        },
        [&] { FitPicture(); },
        [&] { PlacePicture(); },
        [&] { PicPic->show(); },
        [&] { ImgPic->show(); },
    });
}

void frmmain::menuReader_Click()
{
    FraTxtCmd->show();
    RTBoxShow[0]->show();
    PicPic->show();
    for (int i = 0; i < 3; ++i)
        CmdPic[i]->setEnabled(true);
    Form_Resize();
    menuPicLarge->setEnabled(true);
    menuPicSmall->setEnabled(true);
}

void frmmain::menuPicFullScr_Click()
{
    PicPic->show();
    for (int i = 0; i < 3; ++i)
        CmdPic[i]->setEnabled(true);
    CmdPic_Click(6);
}

void frmmain::menuTextLarge_Click()
{
    menuReader_Click();
    PicPic->hide();
    geom_ = planTextLarge(geom_);
    applyGeometry();
    CmdPic[0]->setEnabled(false);
    CmdPic[1]->setEnabled(false);
    menuPicLarge->setEnabled(false);
    menuPicSmall->setEnabled(false);
}

} // namespace reader
