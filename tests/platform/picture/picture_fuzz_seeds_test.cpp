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

// A crash in the helper costs the reader only the picture; it is still a
// fault, and the kept inputs must not bring one back.
TEST(PictureFuzzSeeds, TheHelperEndsOnEveryMetafileByItself)
{
    int metafiles = 0;
    for (const QString& path : seeds()) {
        const QByteArray bytes = testing_support::fileBytes(path);
        const platform::PictureFormat format = platform::sniffPictureFormat(bytes.left(platform::kPictureHeadBytes));
        if (format != platform::PictureFormat::Wmf && format != platform::PictureFormat::Emf)
            continue;
        ++metafiles;
        const std::string name = QFileInfo(path).fileName().toStdString();
        QProcess helper;
        helper.setProgram(platform::helperProgramPath(QString::fromLatin1(platform::metafile::kHelperName)));
        helper.setArguments({QStringLiteral("fit"), QStringLiteral("320"), QStringLiteral("240")});
        helper.setStandardOutputFile(QProcess::nullDevice());
        helper.setStandardErrorFile(QProcess::nullDevice());
        helper.start();
        ASSERT_TRUE(helper.waitForStarted()) << name;
        helper.write(bytes);
        helper.closeWriteChannel();
        if (!helper.waitForFinished(platform::metafile::kTimeoutMs + 5000)) {
            helper.kill();
            helper.waitForFinished();
            ADD_FAILURE() << name << ": still running";
            continue;
        }
        EXPECT_EQ(helper.exitStatus(), QProcess::NormalExit) << name;
        // Drawn, or undrawable.
        EXPECT_TRUE(helper.exitCode() == 0 || helper.exitCode() == 4) << name << ": exit " << helper.exitCode();
    }
    EXPECT_GE(metafiles, 6);
}
