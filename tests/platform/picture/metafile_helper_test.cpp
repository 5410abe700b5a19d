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
#include <thread>
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
// comes out as a helper started for it alone draws it.
TEST(MetafileHelpers, ManyDrawingsLeaveOneHelperAliveWhichEndsWhenAsked)
{
    const char* const pairs[][2] = {{"metafile/Pillow/drawing.wmf", "metafile/Pillow/drawing.emf"},
                                    {"metafile/libwmf/text.wmf", "metafile/poi/wrench.emf"}};
    const QSize box(320, 240);
    const QSize zooms[] = {QSize(400, 300), QSize(480, 360), QSize(576, 432)};
    std::map<std::pair<QString, int>, QImage> alone;
    for (const auto& pair : pairs) {
        for (const char* file : pair) {
            for (int zoom = 0; zoom < 3; ++zoom) {
                const Picture picture = Picture::load(corpusFile(QString::fromLatin1(file)), box);
                platform::endMetafileHelpers();
                alone[{QString::fromLatin1(file), zoom}] = picture.image(zooms[zoom]);
                platform::endMetafileHelpers();
            }
        }
    }
    for (int round = 0; round < 25; ++round) {
        const auto& pair = pairs[round % 2];
        const Picture pictures[] = {Picture::load(corpusFile(QString::fromLatin1(pair[0])), box),
                                    Picture::load(corpusFile(QString::fromLatin1(pair[1])), box)};
        const bool inTurn = round % 4 < 2;
        for (int step = 0; step < 6; ++step) {
            const int which = inTurn ? step % 2 : step / 3;
            const int zoom = inTurn ? step / 2 : step % 3;
            SCOPED_TRACE(QStringLiteral("%1 at %2, round %3").arg(pair[which]).arg(zoom).arg(round).toStdString());
            const QImage image = pictures[which].image(zooms[zoom]);
            const QImage& drawnAlone = alone[{QString::fromLatin1(pair[which]), zoom}];
            ASSERT_FALSE(image.isNull());
            EXPECT_TRUE(image == drawnAlone);
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

// The window's thread and a worker thread, as the thumbnails' is, draw at
// the same time: each drawing comes out as drawn alone.
TEST(MetafileHelpers, TwoThreadsDrawingTogetherLeaveAtMostTwoHelpers)
{
    const QString files[] = {corpusFile(QStringLiteral("metafile/Pillow/drawing.emf")),
                             corpusFile(QStringLiteral("metafile/libwmf/sample2.wmf"))};
    const auto draw = [&](int which) { return Picture::load(files[which], QSize(300, 200)).image(QSize(500, 400)); };
    const QImage alone[] = {draw(0), draw(1)};
    ASSERT_FALSE(alone[0].isNull() || alone[1].isNull());
    int same[2] = {0, 0};
    const auto drawMany = [&](int which) {
        for (int n = 0; n < 20; ++n)
            same[which] += draw(which) == alone[which];
    };
    std::thread worker(drawMany, 1);
    drawMany(0);
    worker.join();
    EXPECT_EQ(same[0], 20);
    EXPECT_EQ(same[1], 20);
    const std::vector<Child> alive = helperChildren();
    EXPECT_LE(alive.size(), 2u);
    EXPECT_EQ(zombies(alive), 0);
    platform::endMetafileHelpers();
    EXPECT_TRUE(helperChildren().empty());
}
