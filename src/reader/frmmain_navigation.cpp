#include "reader/frmmain.h"

#include "platform/core/error.h"
#include "platform/core/int16.h"
#include "platform/core/listview.h"
#include "platform/core/program.h"
#include "platform/picture/picture.h"
#include "platform/text/richtextbox.h"
#include "reader/catalogue.h"
#include "reader/page_source.h"
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

void frmmain::showPanels(int position)
{
    platform::runSteps({
        [&] { stBarPanels[3]->setText(withNote(pages_->textFile(position), RTBoxShow[0]->loadNote())); },
        [&] { stBarPanels[2]->setText(withNote(pages_->pictureLabel(position), pictureRefused_)); },
        [&] { stBarPanels[1]->setText(pages_->sequenceNumber(position)); },
    });
}

void frmmain::ShowPage(int position, PageChange how)
{
    // The order matters. The picture is hidden with stretching off before it
    // is loaded, so that it comes in at its natural size, which the fit scales
    // from; placing centres or ranges the fitted size. The panels follow the
    // loads, since they name what a load could not show. The neighbours are
    // asked for last, once this page's own picture has been taken from those
    // decoded ahead.
    platform::runSteps({
        [&] {
            if (how.newPicture)
                hidePictureForLoading();
        },
        [&] {
            if (how.newPicture)
                loadPictureInto(pages_->pictureFile(position));
        },
        [&] { FitPicture(); },
        [&] { PlacePicture(); },
        [&] {
            if (how.pictureBeforeText)
                ImgPic->show();
        },
        [&] { pages_->loadText(*RTBoxShow[0], position); },
        [&] { showPanels(position); },
    });
    pageShown();
    ImgPic->show();
}

void frmmain::listVW_ItemClick(int position)
{
    platform::tryStep([&] {
        const QString clicked = listVW->rowText(position);
        for (int i = 1; i <= listVW->count(); ++i) {
            if (listVW->rowText(i) == clicked) {
                cursor_.choose(static_cast<int16_t>(i));
                break;
            }
        }
    });
    PageChange chosen;
    chosen.pictureBeforeText = true;
    ShowPage(cursor_.currentPage(), chosen);
}

void frmmain::turnPage(PageCursor::Turn how)
{
    // A book of one page or none turns nowhere, and a turn beyond 16 bits
    // fails: the page stays, and its text and panels are shown again.
    PageChange turn;
    turn.newPicture = false;
    platform::tryStep([&] { turn.newPicture = cursor_.turn(how, pages_->pageCount()); });
    ShowPage(cursor_.pageOf(how), turn);
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
    platform::runSteps({[&] {
        if (caption == u"放大") {
            menuPicLarge_Click();
        } else if (caption == u"缩小") {
            menuPicSmall_Click();
        } else if (caption == u"连续") {
            startAutoPlay();
        } else if (caption == u"暂停") {
            Timer1.setInterval(0);
        } else if (caption == u"上一页") {
            turnPage(PageCursor::Turn::Previous);
        } else if (caption == u"下一页") {
            turnPage(PageCursor::Turn::Next);
        } else if (caption == u"满屏") {
            ShowPictureFullScreen();
        } else if (caption == profile_.exitCaption || caption == u"退出(&Esc)") {
            platform::endProgram();
        }
    }});
    ImgPic->show();
}

void frmmain::Timer1_Timer() { turnPage(PageCursor::Turn::AutoPlay); }

void frmmain::menuAutoShow_Click() { CmdPic_Click(2); }

void frmmain::menuStopAuto_Click() { CmdPic_Click(3); }

} // namespace reader
