// The settings window depends on the scroll bar reporting exactly the events a
// classic scroll bar reports; these cases pin that down.
#include "platform/core/error.h"
#include "platform/core/scrollbar.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QStyle>
#include <QStyleOptionSlider>
#include <gtest/gtest.h>
#include <memory>
#include <utility>
#include <vector>

namespace {

// Exposes the geometry of the bar's parts so tests can click them like a user.
class ProbeBar : public platform::ScrollBar {
public:
    ProbeBar() : platform::ScrollBar(Qt::Horizontal)
    {
        resize(240, 20);
        show();
    }
    QRect partRect(QStyle::SubControl part) const
    {
        QStyleOptionSlider opt;
        initStyleOption(&opt);
        return style()->subControlRect(QStyle::CC_ScrollBar, &opt, part, this);
    }
};

struct Event {
    char kind; // 'c' change, 's' scroll
    int value; // Value() seen by the handler
};

class ScrollBarEvents : public ::testing::Test {
protected:
    void SetUp() override
    {
        bar = std::make_unique<ProbeBar>();
        QObject::connect(bar.get(), &platform::ScrollBar::change, [this] { seen.push_back({'c', bar->Value()}); });
        QObject::connect(bar.get(), &platform::ScrollBar::scroll, [this] { seen.push_back({'s', bar->Value()}); });
    }
    int count(char kind) const
    {
        int n = 0;
        for (const Event& e : seen)
            n += e.kind == kind;
        return n;
    }
    void mouse(QEvent::Type type, QPoint at, Qt::MouseButtons buttons)
    {
        QMouseEvent ev(type, QPointF(at), QPointF(bar->mapToGlobal(at)), Qt::LeftButton, buttons, Qt::NoModifier);
        QApplication::sendEvent(bar.get(), &ev);
    }
    void click(QPoint at)
    {
        mouse(QEvent::MouseButtonPress, at, Qt::LeftButton);
        mouse(QEvent::MouseButtonRelease, at, Qt::NoButton);
    }

    std::unique_ptr<ProbeBar> bar;
    std::vector<Event> seen;
};

TEST_F(ScrollBarEvents, NewBarHasTheClassicDefaults)
{
    EXPECT_EQ(bar->minimum(), 0);
    EXPECT_EQ(bar->maximum(), 32767);
    EXPECT_EQ(bar->smallChange(), 1);
    EXPECT_EQ(bar->largeChange(), 1);
    EXPECT_EQ(bar->Value(), 0);
    EXPECT_FALSE(bar->hasTracking());
}

TEST_F(ScrollBarEvents, SettingAValueReportsAChangeOnlyWhenItMoves)
{
    bar->setValueChecked(500);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].kind, 'c');
    EXPECT_EQ(seen[0].value, 500);

    bar->setValueChecked(500);
    bar->setValue(500);
    EXPECT_EQ(seen.size(), 1u) << "the position it already has must report nothing";

    bar->setValueChecked(0);
    EXPECT_EQ(count('c'), 2);
    EXPECT_EQ(count('s'), 0);
}

TEST_F(ScrollBarEvents, ARangeChangeThatMovesTheValueReportsAChange)
{
    bar->setValueChecked(1000);
    seen.clear();

    bar->setMax(30000); // 1000 stays inside
    bar->setMin(500);
    EXPECT_TRUE(seen.empty());

    bar->setMax(800);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].kind, 'c');
    EXPECT_EQ(seen[0].value, 800);

    bar->setMin(900); // the maximum follows the minimum up
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[1].value, 900);
    EXPECT_EQ(bar->maximum(), 900);
}

TEST_F(ScrollBarEvents, OutOfRangeValuesFailWithoutMoving)
{
    bar->setMin(50);
    bar->setMax(200);
    bar->setValueChecked(100);
    seen.clear();

    for (int bad : {49, 201, -1}) {
        try {
            bar->setValueChecked(bad);
            ADD_FAILURE() << bad << " was accepted";
        } catch (const platform::Error& e) {
            EXPECT_EQ(e.number(), 380);
        }
    }
    try {
        bar->setValueChecked(40000);
        ADD_FAILURE() << "a value beyond 16 bits was accepted";
    } catch (const platform::Error& e) {
        EXPECT_EQ(e.number(), platform::errc::Overflow);
    }
    EXPECT_THROW(bar->setMax(70000), platform::Error);
    EXPECT_EQ(bar->Value(), 100);
    EXPECT_TRUE(seen.empty());
}

TEST_F(ScrollBarEvents, ADragReportsScrollStepsThenOneChangeOnRelease)
{
    bar->setMax(1000);
    bar->setValueChecked(100);
    seen.clear();

    bar->setSliderDown(true);
    bar->setSliderPosition(200);
    bar->setSliderPosition(350);
    bar->setSliderPosition(300);
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(count('s'), 3);
    EXPECT_EQ(seen[0].value, 200);
    EXPECT_EQ(seen[1].value, 350);
    EXPECT_EQ(seen[2].value, 300);
    EXPECT_EQ(bar->value(), 100) << "the value must not follow the thumb before release";

    bar->setSliderDown(false);
    ASSERT_EQ(seen.size(), 4u);
    EXPECT_EQ(seen[3].kind, 'c');
    EXPECT_EQ(seen[3].value, 300);
    EXPECT_EQ(bar->Value(), 300);
}

TEST_F(ScrollBarEvents, SettingTheCommittedValueDuringADragReportsNothing)
{
    bar->setMax(1000);
    bar->setValueChecked(100);
    bar->setSliderDown(true);
    bar->setSliderPosition(400);
    seen.clear();

    bar->setValueChecked(100);
    EXPECT_TRUE(seen.empty());
    EXPECT_EQ(bar->Value(), 400) << "the thumb stays under the user's pointer";

    bar->setSliderDown(false);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].kind, 'c');
    EXPECT_EQ(seen[0].value, 400);
}

TEST_F(ScrollBarEvents, MouseOnArrowTrackAndThumbLikeAUser)
{
    bar->setMax(10000);
    bar->setSmallChange(500);
    bar->setLargeChange(1000);
    bar->setValueChecked(2000);
    seen.clear();

    click(bar->partRect(QStyle::SC_ScrollBarAddLine).center());
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].kind, 'c');
    EXPECT_EQ(seen[0].value, 2500);

    click(bar->partRect(QStyle::SC_ScrollBarSubLine).center());
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[1].value, 2000);

    const QRect track = bar->partRect(QStyle::SC_ScrollBarAddPage);
    ASSERT_TRUE(track.isValid());
    click(QPoint(track.right() - 2, track.center().y()));
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[2].kind, 'c');
    EXPECT_EQ(seen[2].value, 3000);
    EXPECT_EQ(count('s'), 0);

    seen.clear();
    const QPoint thumb = bar->partRect(QStyle::SC_ScrollBarSlider).center();
    mouse(QEvent::MouseButtonPress, thumb, Qt::LeftButton);
    mouse(QEvent::MouseMove, thumb + QPoint(20, 0), Qt::LeftButton);
    mouse(QEvent::MouseMove, thumb + QPoint(40, 0), Qt::LeftButton);
    EXPECT_EQ(count('c'), 0);
    EXPECT_EQ(count('s'), 2);
    ASSERT_FALSE(seen.empty());
    const int dragged = seen.back().value;
    EXPECT_GT(dragged, 3000);
    EXPECT_EQ(bar->value(), 3000);

    mouse(QEvent::MouseButtonRelease, thumb + QPoint(40, 0), Qt::NoButton);
    ASSERT_EQ(count('c'), 1);
    EXPECT_EQ(seen.back().kind, 'c');
    EXPECT_EQ(seen.back().value, dragged);
}

TEST_F(ScrollBarEvents, KeysStepLikeArrowAndTrackClicks)
{
    bar->setMax(1000);
    bar->setSmallChange(10);
    bar->setLargeChange(50);
    bar->setValueChecked(100);
    seen.clear();

    // Right and PageDown move towards the maximum, Left and PageUp back.
    const std::pair<int, int> keys[] = {
        {Qt::Key_Right, 110}, {Qt::Key_PageDown, 160}, {Qt::Key_Left, 150}, {Qt::Key_PageUp, 100}};
    for (const auto& [key, expected] : keys) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(bar.get(), &press);
        ASSERT_FALSE(seen.empty());
        EXPECT_EQ(seen.back().kind, 'c');
        EXPECT_EQ(seen.back().value, expected) << "key " << std::hex << key;
    }
    EXPECT_EQ(seen.size(), 4u);
}

} // namespace
