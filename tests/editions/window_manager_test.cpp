// Each program's main window on an X server with a real window manager, where
// the frame and caption exist (the offscreen platform has none): the title
// editions cover the whole screen with their caption on it, and the general
// edition stands centred at its outer size.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRect>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

namespace {

constexpr int kScreenWidth = 1280, kScreenHeight = 1024;

class WindowManager : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        // Xvfb picks a free display itself and says which: tests running at the
        // same time each get their own.
        server_ = new QProcess;
        server_->start(QStringLiteral("Xvfb"), {"-displayfd", "1", "-screen", "0",
                                                QStringLiteral("%1x%2x24").arg(kScreenWidth).arg(kScreenHeight),
                                                "-nolisten", "tcp"});
        QByteArray said;
        for (int i = 0; i < 100 && server_->state() != QProcess::NotRunning && !said.contains('\n'); ++i) {
            server_->waitForReadyRead(100);
            said += server_->readAllStandardOutput();
        }
        if (said.trimmed().isEmpty())
            stop(server_);
        else
            display_ = QStringLiteral(":") + QString::fromLatin1(said.trimmed());
        if (display_.isEmpty()) {
            why_ = "Xvfb would not start";
            return;
        }
        manager_ = new QProcess;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("DISPLAY", display_);
        manager_->setProcessEnvironment(env);
        manager_->start(QStringLiteral("openbox"), {"--sm-disable"});
        if (!manager_->waitForStarted(5000)) {
            why_ = "openbox would not start";
            return;
        }
        QThread::msleep(1500);  // until it has taken the screen over
        if (manager_->state() != QProcess::Running)
            why_ = "openbox ended at once";
    }
    static void TearDownTestSuite()
    {
        stop(manager_);
        stop(server_);
    }
    static void stop(QProcess*& p)
    {
        if (!p)
            return;
        p->terminate();
        if (!p->waitForFinished(3000))
            p->kill();
        p->waitForFinished(3000);
        delete p;
        p = nullptr;
    }

    // The probe's "what X Y W H" lines.
    QHash<QString, QRect> measure(const QString& edition)
    {
        QTemporaryDir folder;  // the general edition writes its help file and catalogue there
        QProcess probe;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("DISPLAY", display_);
        env.insert("QT_QPA_PLATFORM", "xcb");
        probe.setProcessEnvironment(env);
        probe.setWorkingDirectory(folder.path());
        probe.start(QStringLiteral(AURELIS_WINDOW_PROBE), {edition});
        EXPECT_TRUE(probe.waitForFinished(60000));
        QHash<QString, QRect> out;
        said_ = QString::fromUtf8(probe.readAllStandardOutput());
        for (const QString& line : said_.split('\n')) {
            const QStringList f = line.split(' ');
            if (f.size() == 5)
                out.insert(f[0], QRect(f[1].toInt(), f[2].toInt(), f[3].toInt(), f[4].toInt()));
        }
        return out;
    }

    QString said_;  // the probe's output, for the messages
    static inline QProcess* server_ = nullptr;
    static inline QProcess* manager_ = nullptr;
    static inline QString display_;
    static inline const char* why_ = nullptr;
};

} // namespace

TEST_F(WindowManager, TitleEditionsCoverTheScreenWithTheirCaptionOnIt)
{
    if (why_)
        GTEST_SKIP() << why_;
    for (const char* edition : {"varnholt", "meriton"}) {
        SCOPED_TRACE(edition);
        const QHash<QString, QRect> at = measure(QString::fromLatin1(edition));
        ASSERT_EQ(at.value("screen"), QRect(0, 0, kScreenWidth, kScreenHeight));
        const QRect frame = at.value("frame"), client = at.value("client");
        ASSERT_GT(client.top(), frame.top()) << "no caption: no window manager framed it\n" << said_.toStdString();
        EXPECT_EQ(frame, at.value("screen")) << "the whole screen, caption and close box on it\n" << said_.toStdString();
    }
}

TEST_F(WindowManager, TheGeneralEditionStandsCentredAtItsOuterSize)
{
    if (why_)
        GTEST_SKIP() << why_;
    const QHash<QString, QRect> at = measure(QStringLiteral("corvane"));
    const QRect screen = at.value("screen"), frame = at.value("frame"), client = at.value("client");
    ASSERT_GT(client.top(), frame.top()) << "no caption: no window manager framed it\n" << said_.toStdString();
    // 100 twips narrower and 500 twips lower than the screen, at 15 twips a pixel.
    EXPECT_NEAR(frame.width(), screen.width() - 100 / 15.0, 1.0);
    EXPECT_NEAR(frame.height(), screen.height() - 500 / 15.0, 1.0);
    EXPECT_NEAR(frame.center().x(), screen.center().x(), 1.0);
    EXPECT_NEAR(frame.center().y(), screen.center().y(), 1.0);
}
