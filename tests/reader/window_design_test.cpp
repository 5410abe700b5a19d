// Every window's controls stand where its design table puts them, with the table's
// caption, tooltip and font: the loop that reads the tables, not their figures.
#include "reader/reader_fixture.h"
#include "builder/frmfile.h"
#include "speech/frmreadtxt.h"

#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>

namespace {

QString captionOf(const QWidget* w)
{
    if (auto* b = qobject_cast<const QAbstractButton*>(w))
        return b->text();
    if (auto* l = qobject_cast<const QLabel*>(w))
        return l->text();
    if (auto* g = qobject_cast<const QGroupBox*>(w))
        return g->title();
    return QString();
}

void expectAsDesigned(const QWidget* window, const platform::FormDesign& design)
{
    ASSERT_NE(window, nullptr);
    for (const platform::ControlDesign& d : design) {
        SCOPED_TRACE(d.name);
        const auto* c = window->findChild<QWidget*>(QString::fromLatin1(d.name));
        ASSERT_NE(c, nullptr);
        const QRect box = platform::toPixels(d.box);
        EXPECT_EQ(c->pos(), box.topLeft());
        // A side of 0 is the control's own.
        EXPECT_EQ(c->width(), d.box.width > 0 ? box.width() : c->sizeHint().width());
        EXPECT_EQ(c->height(), d.box.height > 0 ? box.height() : c->sizeHint().height());
        EXPECT_EQ(captionOf(c), QString::fromUtf16(d.caption));
        EXPECT_EQ(c->toolTip(), QString::fromUtf16(d.tooltip));
        if (d.font.family) {
            EXPECT_EQ(c->font().family(), QString::fromUtf16(d.font.family));
            EXPECT_DOUBLE_EQ(c->font().pointSizeF(), d.font.points);
            EXPECT_EQ(c->font().bold(), d.font.bold);
        }
    }
}

} // namespace

TEST_F(ReaderTest, EveryWindowsControlsStandAsItsDesignTableSays)
{
    makeBook(1);
    start();
    expectAsDesigned(w.get(), reader::frmmain::buttonBarDesign());
    w->menuPicData_Click();
    expectAsDesigned(w->choice().window(), settings::FrmChoice::design());
    w->ReadTxt_Click();
    expectAsDesigned(w->readTxtDialog(), speech::FrmReadTxt::design());
    w->menuDocItem_Click();
    expectAsDesigned(w->findChild<builder::frmFile*>(), builder::frmFile::design());
}
