// Every input the picture and metafile fuzzers were seeded with or found a
// fault with: it loads and draws or is an invalid picture, and the metafile
// helper ends on it by itself, within its limits, whatever it makes of it.
#include "picture_exercise.h"
#include "platform/core/program.h"
#include "platform/picture/metafile_protocol.h"
#include "platform/picture/picture_format.h"
#include "support/test_support.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <gtest/gtest.h>
#include <vector>

namespace {

QStringList seeds()
{
    const QDir folder(QFileInfo(QStringLiteral(__FILE__)).absolutePath() + QStringLiteral("/fuzz-seeds"));
    QStringList files;
    for (const QString& name : folder.entryList(QDir::Files))
        files << folder.filePath(name);
    return files;
}

} // namespace

TEST(PictureFuzzSeeds, LoadAndDrawOrAreInvalidPictures)
{
    const QStringList files = seeds();
    EXPECT_GE(files.size(), 20);
    for (const QString& path : files) {
        const QString broken = picture_exercise::exercise(path);
        EXPECT_TRUE(broken.isEmpty()) << QFileInfo(path).fileName().toStdString() << ": " << broken.toStdString();
    }
}

// The statuses of the helper's replies, one after another; empty where a
// reply is not whole.
std::vector<platform::metafile::ReplyStatus> replyStatuses(QByteArray reply)
{
    using namespace platform::metafile;
    std::vector<ReplyStatus> statuses;
    while (reply.size() >= kReplyStatusBytes) {
        const auto status = ReplyStatus(qFromLittleEndian<quint32>(reply.constData()));
        reply.remove(0, kReplyStatusBytes);
        if (status == ReplyStatus::Drawn) {
            const std::optional<ReplyHeader> header = decodeReplyHeader(reply);
            if (!header)
                return {};
            const qint64 length = kReplyHeaderBytes + 4 * qint64(header->pixels.width()) * header->pixels.height();
            if (reply.size() < length)
                return {};
            reply.remove(0, length);
        }
        statuses.push_back(status);
    }
    return reply.isEmpty() ? statuses : std::vector<ReplyStatus>();
}

// A crash in the helper costs the reader only the picture; it is still a
// fault, and the kept inputs must not bring one back. The helper draws each
// twice, the second time stretched from what it made of it the first, and
// ends when its input ends.
TEST(PictureFuzzSeeds, TheHelperEndsOnEveryMetafileByItself)
{
    using namespace platform::metafile;
    int metafiles = 0;
    for (const QString& path : seeds()) {
        const QByteArray bytes = testing_support::fileBytes(path);
        const platform::PictureFormat format = platform::sniffPictureFormat(bytes.left(platform::kPictureHeadBytes));
        if (format != platform::PictureFormat::Wmf && format != platform::PictureFormat::Emf)
            continue;
        ++metafiles;
        const std::string name = QFileInfo(path).fileName().toStdString();
        QProcess helper;
        helper.setProgram(platform::helperProgramPath(QString::fromLatin1(kHelperName)));
        helper.setStandardErrorFile(QProcess::nullDevice());
        helper.start();
        ASSERT_TRUE(helper.waitForStarted()) << name;
        helper.write(encodeRequestHeader({kFit, QSize(320, 240), quint32(bytes.size())}) + bytes);
        helper.write(encodeRequestHeader({kSameBytes, QSize(500, 120), 0}));
        helper.closeWriteChannel();
        if (!helper.waitForFinished(2 * kTimeoutMs + 5000)) {
            helper.kill();
            helper.waitForFinished();
            ADD_FAILURE() << name << ": still running";
            continue;
        }
        EXPECT_EQ(helper.exitStatus(), QProcess::NormalExit) << name;
        EXPECT_EQ(helper.exitCode(), 0) << name;
        // Drawn, or undrawable, each time.
        const std::vector<ReplyStatus> statuses = replyStatuses(helper.readAllStandardOutput());
        EXPECT_EQ(statuses.size(), 2u) << name;
        for (ReplyStatus status : statuses)
            EXPECT_TRUE(status == ReplyStatus::Drawn || status == ReplyStatus::Undrawable) << name;
    }
    EXPECT_GE(metafiles, 6);
}
