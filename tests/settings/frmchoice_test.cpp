#include "platform/core/program.h"
#include "platform/core/scrollbar.h"
#include "platform/core/timer.h"
#include "settings/frmchoice.h"
#include "support/test_support.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <gtest/gtest.h>
#include <vector>

namespace {

using settings::FrmChoice;

QColor rgb(int r, int g, int b) { return QColor(r, g, b); }

class SettingsWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        choice.attachReader(&timer1, [this](const QColor& c) { paneColours.push_back(c); });
    }
    void TearDown() override { timer1.setInterval(0); }

    template <class T>
    T* ctl(const char* name) const
    {
        EXPECT_TRUE(choice.isLoaded()) << "looking for " << name << " in an unloaded window";
        if (!choice.window())
            return nullptr;
        T* w = choice.window()->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    platform::ScrollBar* HScrTime() const { return ctl<platform::ScrollBar>("HScrTime"); }
    platform::ScrollBar* HScrTs() const { return ctl<platform::ScrollBar>("HScrTs"); }
    QString text(const char* name) const { return ctl<QLineEdit>(name)->text(); }
    QRadioButton* option(int k) const
    {
        return ctl<QRadioButton>(QStringLiteral("OptBackColor%1").arg(k).toLatin1().constData());
    }
    QColor lblCo() const { return ctl<QLabel>("LblCo")->palette().color(QPalette::Window); }

    // Closes like the exit button and lets the event loop destroy the controls.
    void closeWithExitButton()
    {
        QPointer<QWidget> w = choice.window();
        ctl<QPushButton>("CmdOK")->click();
        EXPECT_FALSE(choice.isLoaded());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(w.isNull()) << "closing must destroy the window's controls";
    }
    static void drag(platform::ScrollBar* bar, int to)
    {
        bar->setSliderDown(true);
        bar->setSliderPosition(to);
    }
    static void release(platform::ScrollBar* bar) { bar->setSliderDown(false); }

    platform::Timer timer1;
    std::vector<QColor> paneColours;
    FrmChoice choice;
};

TEST_F(SettingsWindow, FirstOpeningShowsTheDefaults)
{
    EXPECT_FALSE(choice.isLoaded());
    EXPECT_EQ(choice.window(), nullptr);
    EXPECT_EQ(choice.SngMSec, 0.0f);
    EXPECT_EQ(choice.SngPicTs, 0.0f);

    choice.Show();
    ASSERT_TRUE(choice.isLoaded());
    EXPECT_TRUE(choice.window()->isVisible());
    EXPECT_EQ(choice.window()->windowTitle(), QStringLiteral("图像参数选择"));

    EXPECT_EQ(text("TxtTime"), QStringLiteral("1.0"));
    EXPECT_EQ(HScrTime()->Value(), 1000);
    EXPECT_EQ(choice.SngMSec, 1000.0f);
    EXPECT_EQ(text("txtPicTs"), QStringLiteral("100"));
    EXPECT_EQ(HScrTs()->Value(), 100);
    EXPECT_EQ(choice.SngPicTs, 100.0f) << "the first print scale comes from the text \"100\", not the raised minimum";

    EXPECT_EQ(HScrTime()->minimum(), 500);
    EXPECT_EQ(HScrTime()->maximum(), 30000);
    EXPECT_EQ(HScrTime()->smallChange(), 500);
    EXPECT_EQ(HScrTime()->largeChange(), 1000);
    EXPECT_EQ(HScrTs()->minimum(), 50);
    EXPECT_EQ(HScrTs()->maximum(), 200);
    EXPECT_EQ(HScrTs()->smallChange(), 10);
    EXPECT_EQ(HScrTs()->largeChange(), 50);

    EXPECT_TRUE(option(0)->isChecked());
    EXPECT_EQ(lblCo(), rgb(192, 192, 255));
    EXPECT_TRUE(paneColours.empty()) << "opening must not touch the picture pane";
    EXPECT_EQ(timer1.interval(), 0) << "a stopped auto-play stays stopped";
}

TEST_F(SettingsWindow, ReadingTheSettingsLoadsTheWindowHiddenOnce)
{
    // The opening steps put the bar at 1000, which moves it from 500 and rewrites the text.
    EXPECT_EQ(choice.TxtTime(), QStringLiteral("1.0"));
    ASSERT_TRUE(choice.isLoaded());
    EXPECT_FALSE(choice.window()->isVisible());
    EXPECT_EQ(choice.HScrTs(), 100);
    EXPECT_EQ(choice.SngMSec, 1000.0f);

    // Text typed into the box is what the reader reads, and showing the
    // hidden window must not run the opening steps again over it.
    QWidget* hidden = choice.window();
    ctl<QLineEdit>("TxtTime")->setText(QStringLiteral("2"));
    choice.Show();
    EXPECT_EQ(choice.window(), hidden);
    EXPECT_TRUE(hidden->isVisible());
    EXPECT_EQ(choice.TxtTime(), QStringLiteral("2"));
    EXPECT_EQ(HScrTime()->Value(), 1000);

    HScrTime()->setValueChecked(1500);
    EXPECT_EQ(choice.TxtTime(), QStringLiteral("1.5")) << "a change overwrites typed text";
}

TEST_F(SettingsWindow, ReadingThePrintScaleFirstGivesOneHundred)
{
    EXPECT_EQ(choice.HScrTs(), 100);
    EXPECT_EQ(text("txtPicTs"), QStringLiteral("100"));
    EXPECT_FALSE(choice.window()->isVisible());
}

TEST_F(SettingsWindow, IntervalTextFollowsTheScrollBar)
{
    choice.Show();
    const struct {
        int position;
        const char* text;
    } cases[] = {{500, "0.5"}, {30000, "30.0"}, {2500, "2.5"}, {1250, "1.3"}, {1230, "1.2"}, {1000, "1.0"}};
    for (const auto& c : cases) {
        HScrTime()->setValueChecked(c.position);
        EXPECT_EQ(text("TxtTime"), QString::fromLatin1(c.text)) << c.position;
        EXPECT_EQ(choice.SngMSec, static_cast<float>(c.position));
    }
    // Lowest and highest reachable positions.
    HScrTime()->setValue(0);
    EXPECT_EQ(text("TxtTime"), QStringLiteral("0.5"));
    HScrTime()->setValue(40000);
    EXPECT_EQ(text("TxtTime"), QStringLiteral("30.0"));
}

TEST_F(SettingsWindow, RunningAutoPlayTakesTheShownInterval)
{
    choice.Show();
    timer1.setInterval(1000);

    HScrTime()->setValueChecked(3000);
    EXPECT_EQ(timer1.interval(), 3000);
    HScrTime()->setValueChecked(1230);
    EXPECT_EQ(timer1.interval(), 1200) << "the interval is the one-decimal value shown";
    EXPECT_EQ(choice.SngMSec, 1230.0f);
    HScrTime()->setValueChecked(1250);
    EXPECT_EQ(timer1.interval(), 1300);
}

TEST_F(SettingsWindow, StoppedOrVeryFastAutoPlayIsLeftAlone)
{
    choice.Show();
    HScrTime()->setValueChecked(3000);
    EXPECT_EQ(timer1.interval(), 0);
    EXPECT_EQ(text("TxtTime"), QStringLiteral("3.0"));
    EXPECT_EQ(choice.SngMSec, 3000.0f);

    timer1.setInterval(200); // only an interval above 200 ms counts as running
    HScrTime()->setValueChecked(4000);
    EXPECT_EQ(timer1.interval(), 200);
}

TEST_F(SettingsWindow, DraggingShowsSecondsButChangesThePaceOnRelease)
{
    choice.Show();
    timer1.setInterval(1000);

    drag(HScrTime(), 2500);
    EXPECT_EQ(text("TxtTime"), QStringLiteral("2.5"));
    drag(HScrTime(), 4000);
    EXPECT_EQ(text("TxtTime"), QStringLiteral("4.0"));
    EXPECT_EQ(timer1.interval(), 1000);
    EXPECT_EQ(choice.SngMSec, 1000.0f);

    release(HScrTime());
    EXPECT_EQ(timer1.interval(), 4000);
    EXPECT_EQ(choice.SngMSec, 4000.0f);
    EXPECT_EQ(text("TxtTime"), QStringLiteral("4.0"));
}

TEST_F(SettingsWindow, PrintScaleFollowsChangesAndDragSteps)
{
    choice.Show();
    HScrTs()->setValueChecked(120);
    EXPECT_EQ(text("txtPicTs"), QStringLiteral("120"));
    EXPECT_EQ(choice.SngPicTs, 120.0f);

    drag(HScrTs(), 170);
    EXPECT_EQ(text("txtPicTs"), QStringLiteral("170"));
    EXPECT_EQ(choice.SngPicTs, 170.0f);
    release(HScrTs());
    EXPECT_EQ(choice.HScrTs(), 170);
}

TEST_F(SettingsWindow, SettingsSurviveClosingAndReopening)
{
    choice.Show();
    HScrTime()->setValueChecked(2500);
    HScrTs()->setValueChecked(150);
    closeWithExitButton();
    EXPECT_EQ(choice.SngMSec, 2500.0f);
    EXPECT_EQ(choice.SngPicTs, 150.0f);

    choice.Show();
    EXPECT_EQ(text("TxtTime"), QStringLiteral("2.5"));
    EXPECT_EQ(HScrTime()->Value(), 2500);
    EXPECT_EQ(text("txtPicTs"), QStringLiteral("150"));
    EXPECT_EQ(HScrTs()->Value(), 150);

    // The close box unloads the same way; a whole second comes back as "1.0".
    HScrTime()->setValueChecked(1000);
    choice.window()->close();
    EXPECT_FALSE(choice.isLoaded());
    EXPECT_EQ(choice.TxtTime(), QStringLiteral("1.0"));
    EXPECT_FALSE(choice.window()->isVisible());
}

TEST_F(SettingsWindow, TheMinimumIntervalComesBackAsIs)
{
    choice.Show();
    HScrTime()->setValueChecked(500);
    closeWithExitButton();
    EXPECT_EQ(choice.TxtTime(), QStringLiteral("0.5"));
    EXPECT_EQ(HScrTime()->Value(), 500);
}

TEST_F(SettingsWindow, AStoredFiftyPercentIsNotRestored)
{
    choice.Show();
    HScrTs()->setValueChecked(50);
    EXPECT_EQ(choice.SngPicTs, 50.0f);
    closeWithExitButton();

    EXPECT_EQ(choice.HScrTs(), 100);
    EXPECT_EQ(text("txtPicTs"), QStringLiteral("100"));
    EXPECT_EQ(choice.SngPicTs, 100.0f);
}

TEST_F(SettingsWindow, ColourOptionsPaintThePicturePane)
{
    choice.Show();
    const QColor expected[] = {rgb(192, 192, 255), rgb(255, 0, 0),     rgb(255, 255, 0),
                               rgb(0, 255, 0),     rgb(255, 255, 255), rgb(0, 0, 0)};
    for (int k = 5; k >= 0; --k) {
        option(k)->click();
        EXPECT_TRUE(option(k)->isChecked());
        ASSERT_FALSE(paneColours.empty());
        EXPECT_EQ(paneColours.back(), expected[k]) << k;
        EXPECT_EQ(lblCo(), expected[k]) << k;
        EXPECT_EQ(FrmChoice::optionColor(k), expected[k]);
    }
    EXPECT_EQ(paneColours.size(), 6u);
    EXPECT_FALSE(FrmChoice::optionColor(6).isValid());
    EXPECT_FALSE(FrmChoice::optionColor(-1).isValid());
}

TEST_F(SettingsWindow, ChosenColourStaysButTheWindowReopensOnLightBlue)
{
    choice.Show();
    option(1)->click();
    ASSERT_EQ(paneColours.size(), 1u);
    EXPECT_EQ(paneColours[0], rgb(255, 0, 0));

    closeWithExitButton();
    choice.Show();
    EXPECT_EQ(paneColours.size(), 1u) << "neither closing nor opening touches the pane";
    EXPECT_TRUE(option(0)->isChecked());
    EXPECT_FALSE(option(1)->isChecked());
    EXPECT_EQ(lblCo(), rgb(192, 192, 255));

    // Clicking the option that is already selected still applies its colour.
    option(0)->click();
    ASSERT_EQ(paneColours.size(), 2u);
    EXPECT_EQ(paneColours[1], rgb(192, 192, 255));
}

TEST_F(SettingsWindow, EachOptionIsPaintedInItsOwnColour)
{
    choice.Show();
    for (int k = 0; k < 6; ++k) {
        QRadioButton* opt = option(k);
        const QImage shot = opt->grab().toImage();
        ASSERT_FALSE(shot.isNull());
        // The far right of the button is past its caption: only the background shows there.
        const QColor corner = shot.pixelColor(shot.width() - 2, shot.height() / 2);
        EXPECT_EQ(corner.rgb(), FrmChoice::optionColor(k).rgb()) << k;
    }
    EXPECT_EQ(option(5)->palette().color(QPalette::WindowText), rgb(255, 255, 255));
    EXPECT_NE(option(0)->palette().color(QPalette::WindowText), rgb(255, 255, 255));
}

TEST_F(SettingsWindow, ControlsHaveTheirCaptionsAndPlaces)
{
    choice.Show();
    auto px = [](double twips) { return platform::twipsToPixels(twips); };
    auto at = [](double l, double t, double w, double h) { return QRectF(l, t, w, h); };

    EXPECT_EQ(choice.window()->size(), QSize(px(7095), px(4965)));

    // The window's design table against the described figures (that every control stands as its
    // table says is checked for all windows at once).
    const struct {
        const char* name;
        QString caption;
        QRectF place;
    } controls[] = {
        {"FraBackColor", QStringLiteral("图像背景色"), at(150, 375, 2340, 3615)},
        {"OptBackColor0", QStringLiteral("浅兰"), at(225, 300, 1815, 435)},
        {"OptBackColor1", QStringLiteral("红色"), at(225, 840, 1815, 435)},
        {"OptBackColor2", QStringLiteral("黄色"), at(225, 1380, 1815, 435)},
        {"OptBackColor3", QStringLiteral("绿色"), at(225, 1920, 1815, 435)},
        {"OptBackColor4", QStringLiteral("白色"), at(225, 2460, 1815, 435)},
        {"OptBackColor5", QStringLiteral("黑色"), at(225, 3000, 1815, 435)},
        {"FraAuto", QStringLiteral("幻灯播放时间间隔（秒）"), at(2850, 375, 3765, 1560)},
        {"TxtTime", QString(), at(1410, 480, 675, 345)},
        {"HScrTime", QString(), at(120, 1080, 3495, 375)},
        {"FraTimes", QStringLiteral("图像打印倍率%"), at(2850, 2400, 3765, 1560)},
        {"txtPicTs", QString(), at(1560, 480, 735, 375)},
        {"HScrTs", QString(), at(120, 1080, 3495, 375)},
        {"CmdOK", QStringLiteral("退出(&O)"), at(3600, 4200, 2340, 615)},
        {"LblCo", QStringLiteral("color"), at(150, 4200, 1065, 465)},
    };
    ASSERT_EQ(FrmChoice::design().size(), std::size(controls));
    for (const auto& c : controls) {
        const platform::ControlDesign* row = testing_support::designRow(FrmChoice::design(), c.name);
        ASSERT_NE(row, nullptr) << c.name;
        EXPECT_EQ(testing_support::twipsRect(row->box), c.place) << c.name;
        EXPECT_EQ(QString::fromUtf16(row->caption), c.caption) << c.name;
        QWidget* w = ctl<QWidget>(c.name);
        ASSERT_NE(w, nullptr);
        EXPECT_EQ(w->font().family(), QStringLiteral("宋体")) << c.name;
        EXPECT_DOUBLE_EQ(w->font().pointSizeF(), 10.5) << c.name;
    }
    // Options sit in the colour frame, the interval and scale controls in theirs.
    EXPECT_EQ(option(3)->parentWidget(), ctl<QWidget>("FraBackColor"));
    EXPECT_EQ(HScrTime()->parentWidget(), ctl<QWidget>("FraAuto"));
    EXPECT_EQ(HScrTs()->parentWidget(), ctl<QWidget>("FraTimes"));
}

TEST_F(SettingsWindow, TabOrderFollowsTheDesign)
{
    choice.Show();
    const char* order[] = {"OptBackColor0", "OptBackColor1", "OptBackColor2", "OptBackColor3",
                           "OptBackColor4", "CmdOK",         "HScrTime",      "TxtTime",
                           "HScrTs",        "txtPicTs",      "OptBackColor5"};
    QWidget* w = ctl<QWidget>(order[0]);
    std::vector<QString> seen;
    for (size_t i = 0; i < std::size(order); ++i) {
        seen.push_back(w->objectName());
        do
            w = w->nextInFocusChain();
        while (!(w->focusPolicy() & Qt::TabFocus));
    }
    EXPECT_EQ(w->objectName(), QString::fromLatin1(order[0])) << "the chain closes on itself";
    for (size_t i = 0; i < std::size(order); ++i)
        EXPECT_EQ(seen[i], QString::fromLatin1(order[i])) << i;
}

TEST_F(SettingsWindow, OpensCentredOnTheScreen)
{
    platform::setScreenSizeOverride(QSizeF(15000, 12000));
    choice.Show();
    EXPECT_EQ(choice.window()->pos(),
              QPoint(platform::twipsToPixels((15000 - 7095) / 2.0), platform::twipsToPixels((12000 - 4965) / 2.0)));
    platform::setScreenSizeOverride(QSizeF());
}

TEST_F(SettingsWindow, DestroyingTheObjectTakesTheWindowWithIt)
{
    QPointer<QWidget> w;
    {
        FrmChoice other;
        other.Show();
        w = other.window();
        ASSERT_FALSE(w.isNull());
    }
    EXPECT_TRUE(w.isNull());
}

TEST_F(SettingsWindow, WorksWithoutAReaderAttached)
{
    FrmChoice lone;
    lone.Show();
    QWidget* win = lone.window();
    win->findChild<QRadioButton*>(QStringLiteral("OptBackColor2"))->click();
    win->findChild<platform::ScrollBar*>(QStringLiteral("HScrTime"))->setValueChecked(2000);
    EXPECT_EQ(lone.TxtTime(), QStringLiteral("2.0"));
    EXPECT_EQ(win->findChild<QLabel*>(QStringLiteral("LblCo"))->palette().color(QPalette::Window),
              rgb(255, 255, 0));
}

} // namespace
