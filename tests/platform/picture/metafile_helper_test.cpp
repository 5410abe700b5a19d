// The metafile helpers stay running between drawings: however many pictures
// are drawn, and whatever happens to a helper, the drawings come out as a
// fresh helper draws them, no more helpers stay alive than are drawing, and
// none is left unreaped.
#include "picture_test_support.h"
#include "platform/picture/metafile_protocol.h"
#include "platform/picture/picture.h"

#include <QDir>
#include <QFile>
#include <QThread>
#include <algorithm>
#include <csignal>
#include <gtest/gtest.h>
#include <map>
#include <unistd.h>
#include <vector>

using namespace picture_testing;
using platform::Picture;

namespace {

struct Child {
    int pid;
    char state; // 'Z' for a zombie
};

// This process's children running the helper, as /proc lists them.
std::vector<Child> helperChildren()
{
    // The kernel keeps 15 characters of a program's name, and keeps it for a zombie too.
    const QByteArray name = QByteArray(platform::metafile::kHelperName).left(15);
    std::vector<Child> children;
    for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(entry));
        if (entry.toInt() <= 0 || !stat.open(QIODevice::ReadOnly))
            continue;
        // "pid (name) state ppid ...": the name may hold spaces and parentheses.
        const QByteArray line = stat.readAll();
        const qsizetype open = line.indexOf('('), close = line.lastIndexOf(')');
        const QList<QByteArray> rest = line.mid(close + 2).split(' ');
        if (open > 0 && close > open && rest.size() > 1 && line.mid(open + 1, close - open - 1) == name
            && rest[1].toInt() == int(::getpid()))
            children.push_back({entry.toInt(), rest[0].at(0)});
    }
    return children;
}

long zombies(const std::vector<Child>& children)
{
    return std::count_if(children.begin(), children.end(), [](const Child& c) { return c.state == 'Z'; });
}

} // namespace

// Two pictures at a time are loaded and zoomed, 200 drawings in all, now in
// turn (every drawing is of another file than the one before) and now one
// picture after the other (the same file again at a new size): each zoom
// comes out the same either way.
TEST(MetafileHelpers, ManyDrawingsLeaveOneHelperAliveWhichEndsWhenAsked)
{
    platform::endMetafileHelpers();
    const char* const pairs[][2] = {{"metafile/Pillow/drawing.wmf", "metafile/Pillow/drawing.emf"},
                                    {"metafile/libwmf/text.wmf", "metafile/poi/wrench.emf"}};
    const QSize zooms[] = {QSize(400, 300), QSize(480, 360), QSize(576, 432)};
    std::map<std::pair<QString, int>, QImage> firstDrawn;
    for (int round = 0; round < 25; ++round) {
        const auto& pair = pairs[round % 2];
        const Picture pictures[] = {Picture::load(corpusFile(QString::fromLatin1(pair[0])), QSize(320, 240)),
                                    Picture::load(corpusFile(QString::fromLatin1(pair[1])), QSize(320, 240))};
        const bool inTurn = round % 4 < 2;
        for (int step = 0; step < 6; ++step) {
            const int which = inTurn ? step % 2 : step / 3;
            const int zoom = inTurn ? step / 2 : step % 3;
            SCOPED_TRACE(QStringLiteral("%1 at %2, round %3").arg(pair[which]).arg(zoom).arg(round).toStdString());
            const QImage image = pictures[which].image(zooms[zoom]);
            ASSERT_FALSE(image.isNull());
            const auto [first, isFirst] = firstDrawn.try_emplace({QString::fromLatin1(pair[which]), zoom}, image);
            if (!isFirst) {
                EXPECT_TRUE(image == first->second);
            }
        }
        for (const Picture& picture : pictures)
            EXPECT_EQ(picture.decodeCount(), 4);
    }
    const std::vector<Child> alive = helperChildren();
    EXPECT_LE(alive.size(), 1u);
    EXPECT_EQ(zombies(alive), 0);
    platform::endMetafileHelpers();
    EXPECT_TRUE(helperChildren().empty());
}

TEST(MetafileHelpers, AHelperKilledBetweenDrawingsIsReapedAndTheNextDrawingGetsAFreshOne)
{
    platform::endMetafileHelpers();
    const QString file = corpusFile(QStringLiteral("metafile/Pillow/drawing.emf"));
    const QImage before = Picture::load(file, QSize(320, 240)).image(QSize(400, 300));
    ASSERT_FALSE(before.isNull());
    const std::vector<Child> alive = helperChildren();
    ASSERT_EQ(alive.size(), 1u);
    ASSERT_EQ(::kill(alive[0].pid, SIGKILL), 0);
    // Killed, it is a zombie until its parent reaps it.
    for (int wait = 0; wait < 1000 && zombies(helperChildren()) == 0; ++wait)
        QThread::msleep(5);
    ASSERT_EQ(zombies(helperChildren()), 1);

    EXPECT_TRUE(Picture::load(file, QSize(320, 240)).image(QSize(400, 300)) == before);
    const std::vector<Child> now = helperChildren();
    ASSERT_EQ(now.size(), 1u);
    EXPECT_NE(now[0].pid, alive[0].pid);
    EXPECT_NE(now[0].state, 'Z');
    platform::endMetafileHelpers();
    EXPECT_TRUE(helperChildren().empty());
}
