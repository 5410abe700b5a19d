#include "reader/frmmain.h"

#include "platform/core/error.h"
#include "platform/core/int16.h"
#include "platform/core/listview.h"
#include "platform/core/program.h"
#include "platform/picture/picture.h"
#include "platform/text/richtextbox.h"
#include "reader/catalogue.h"
#include "settings/number_text.h"

#include <QLabel>
#include <QPushButton>

namespace reader {

namespace {
// A file's name, and what of it could not be shown, if anything.
QString withNote(const QString& name, const QString& note)
{
    return note.isEmpty() ? name : name + QStringLiteral("（") + note + QStringLiteral("）");
}
}

QString frmmain::cellOf(int position, int subItem) const { return listVW->subItem(position, subItem); }

void frmmain::showPanels(int position)
{
    platform::runSteps({
        [&] { stBarPanels[3]->setText(withNote(cellOf(position, 2), RTBoxShow[0]->loadNote())); },
        // A built-in book has no picture files: panel 3 names the entry.
        [&] { stBarPanels[2]->setText(withNote(cellOf(position, hasBuiltInBook() ? 1 : 3), pictureRefused_)); },
        [&] { stBarPanels[1]->setText(listVW->rowText(position)); },
    });
}

void frmmain::fitPlaceTextPanels(int position)
{
    platform::runSteps({
        [&] { FitPicture(); },
        [&] { PlacePicture(); },
        [&] { loadPageText(position); },
        [&] { showPanels(position); },
    });
    pageShown();
}

void frmmain::ShowPage(int position)
{
    platform::runSteps({
        [&] { hidePictureForLoading(); },
        [&] { loadPictureInto(cellOf(position, 3)); },
    });
    fitPlaceTextPanels(position);
    ImgPic->show();
}

void frmmain::listVW_ItemClick(int position)
{
    platform::runSteps({
        [&] {
            const QString clicked = listVW->rowText(position);
            for (int i = 1; i <= listVW->count(); ++i) {
                if (listVW->rowText(i) == clicked) {
                    currentPage_ = static_cast<int16_t>(i);
                    break;
                }
            }
        },
        [&] { hidePictureForLoading(); },
        [&] { loadPictureInto(cellOf(currentPage_, 3)); },
        [&] { FitPicture(); },
        [&] { PlacePicture(); },
        [&] { ImgPic->show(); },
        [&] { loadPageText(currentPage_); },
        [&] { showPanels(currentPage_); },
    });
    pageShown();
}

void frmmain::listVW_ColumnClick(int columnIndex)
{
    platform::runSteps({
        [&] { listVW->setSortKey(profile_.sortKeyDefault); },
        [&] {
            const QString caption = listVW->columnCaption(columnIndex);
            if (caption == kColumnTitle)
                listVW->setSortKey(profile_.sortKeyTitleHeader);
            else if (caption == kColumnNumber)
                listVW->setSortKey(profile_.sortKeyNumberHeader);
        },
    });
}

void frmmain::listVW_DblClick()
{
    if (profile_.listDoubleClickRestoresLayout)
        menuReader_Click();
}

void frmmain::startAutoPlay()
{
    if (listVW->count() <= 1)
        return;
    const int ms = settings::intervalMilliseconds(choice_.TxtTime());
    // The interval is an unsigned 16-bit count of milliseconds.
    if (ms < 0 || ms > 65535)
        throw platform::Error(platform::errc::InvalidPropertyValue);
    Timer1.setInterval(ms);
}

void frmmain::CmdPic_Click(int index)
{
    const QString caption = CmdPic[index]->text();
    const int rows = listVW->count();
    platform::runSteps({[&] {
        if (caption == u"放大") {
            menuPicLarge_Click();
        } else if (caption == u"缩小") {
            menuPicSmall_Click();
        } else if (caption == u"连续") {
            startAutoPlay();
        } else if (caption == u"暂停") {
            Timer1.setInterval(0);
        } else if (caption == u"上一页" || caption == u"下一页") {
            const bool next = caption == u"下一页";
            platform::runSteps({
                [&] {
                    if (rows <= 1)
                        return;
                    hidePictureForLoading();
                    if (next) {
                        if (currentPage_ < 1)
                            currentPage_ = 1;
                        currentPage_ = platform::step16(currentPage_, 1);
                        if (currentPage_ > rows)
                            currentPage_ = 1;
                    } else {
                        currentPage_ = platform::step16(currentPage_, -1);
                        if (currentPage_ < 1)
                            currentPage_ = static_cast<int16_t>(rows);
                    }
                    loadPictureInto(cellOf(currentPage_, 3));
                },
            });
            fitPlaceTextPanels(currentPage_);
        } else if (caption == u"满屏") {
            ShowPictureFullScreen();
        } else if (caption == profile_.exitCaption || caption == u"退出(&Esc)") {
            platform::endProgram();
        }
    }});
    ImgPic->show();
}

void frmmain::Timer1_Timer()
{
    const int rows = listVW->count();
    platform::runSteps({
        [&] {
            if (rows <= 1)
                return;
            hidePictureForLoading();
            autoPlayPage_ = platform::step16(autoPlayPage_, 1);
            if (autoPlayPage_ > rows)
                autoPlayPage_ = 1;
            loadPictureInto(cellOf(autoPlayPage_, 3));
        },
    });
    fitPlaceTextPanels(autoPlayPage_);
    ImgPic->show();
}

void frmmain::menuAutoShow_Click() { CmdPic_Click(2); }

void frmmain::menuStopAuto_Click() { CmdPic_Click(3); }

} // namespace reader
