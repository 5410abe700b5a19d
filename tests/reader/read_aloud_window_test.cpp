#include "reader_fixture.h"

#include "speech/fake_voice.h"
#include "speech/frmreadtxt.h"

#include <QPushButton>
#include <QTimer>

using namespace reader;

namespace {
const QString kRead = QStringLiteral("朗读");
const QString kStop = QStringLiteral("停止朗读请稍候！");
}

class ReadAloudWindowTest : public ReaderTest {
protected:
    void startWithVoice()
    {
        makeBook(3);
        writeText("t1.txt", QStringLiteral("甲，乙，丙"));
        start(generalEdition(), [this] { return std::make_unique<FakeVoice>(log); });
        ASSERT_NE(w->voice(), nullptr);
    }
    std::shared_ptr<VoiceLog> log = std::make_shared<VoiceLog>();
};

TEST_F(ReaderTest, WithoutASpeechEngineTheReadButtonShowsNothingAndStaysIdle)
{
    makeBook(1);
    start();
    EXPECT_EQ(w->voice(), nullptr);
    for (int i = 0; i < 3; ++i) {
        w->CmdRead->click();
        EXPECT_EQ(w->CmdRead->text(), kRead);  // a failed run never leaves "暂停朗读" behind
    }
    EXPECT_TRUE(boxes.shown().isEmpty());
}

TEST_F(ReadAloudWindowTest, ReadsThePageTextPieceByPiece)
{
    startWithVoice();
    QStringList captionsWhileSpeaking;
    log->onSpeak = [&](const QString&) { captionsWhileSpeaking << w->CmdRead->text(); };
    w->CmdRead_Click();
    EXPECT_EQ(log->spoken, QStringList({QStringLiteral("甲"), QStringLiteral("乙"), QStringLiteral("丙")}));
    EXPECT_EQ(captionsWhileSpeaking, QStringList(3, QStringLiteral("暂停朗读")));
    EXPECT_EQ(w->CmdRead->text(), kRead);
    EXPECT_EQ(log->resumes, 1);
    EXPECT_TRUE(boxes.shown().isEmpty());
}

TEST_F(ReadAloudWindowTest, TurningThePageDuringReadingKeepsReadingTheOldPage)
{
    startWithVoice();
    log->onSpeak = [&](const QString& piece) {
        if (piece == QStringLiteral("甲"))
            QTimer::singleShot(0, w->CmdPic[5], &QPushButton::click);
    };
    w->CmdRead_Click();
    EXPECT_EQ(log->spoken.size(), 3);
    EXPECT_EQ(log->spoken.last(), QStringLiteral("丙"));
    expectPage(2);  // the page did turn between pieces
}

TEST_F(ReadAloudWindowTest, ASecondClickStopsAfterTheCurrentPiece)
{
    startWithVoice();
    log->onSpeak = [&](const QString& piece) {
        if (piece == QStringLiteral("甲"))
            QTimer::singleShot(0, w->CmdRead, &QPushButton::click);
    };
    w->CmdRead_Click();
    EXPECT_EQ(log->spoken, QStringList({QStringLiteral("甲")}));
    EXPECT_EQ(boxes.texts(), QStringList({kStop, kStop}));
    EXPECT_EQ(w->CmdRead->text(), kRead);

    // The next click starts again from the first piece.
    log->onSpeak = nullptr;
    log->spoken.clear();
    w->CmdRead_Click();
    EXPECT_EQ(log->spoken.first(), QStringLiteral("甲"));
}

TEST_F(ReadAloudWindowTest, AutoPlayTicksRunBetweenPieces)
{
    startWithVoice();
    log->onSpeak = [&](const QString& piece) {
        if (piece == QStringLiteral("甲"))
            QTimer::singleShot(0, w.get(), &frmmain::Timer1_Timer);
    };
    w->CmdRead_Click();
    EXPECT_EQ(w->autoPlayPage(), 1);
    EXPECT_EQ(log->spoken.size(), 3);
}

TEST_F(ReaderTest, SpeechMenuShowsOneDialogAtATime)
{
    // The dialog's own voice comes from the same factory as the window's, so
    // a test (or a machine without an engine) decides what both speak with.
    int voicesMade = 0;
    start(generalEdition(), [&voicesMade] {
        ++voicesMade;
        return std::unique_ptr<platform::SpVoice>();
    });
    EXPECT_EQ(voicesMade, 1);
    w->ReadTxt->trigger();
    QPointer<speech::FrmReadTxt> first = w->readTxtDialog();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(voicesMade, 2);
    EXPECT_TRUE(first->isVisible());
    EXPECT_EQ(first->windowTitle(), QStringLiteral("Aurelis 2003"));
    w->ReadTxt_Click();
    EXPECT_EQ(w->readTxtDialog(), first.data());

    first->close();
    QApplication::processEvents();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(first.isNull());
    w->ReadTxt_Click();
    ASSERT_NE(w->readTxtDialog(), nullptr);
    EXPECT_TRUE(w->readTxtDialog()->isVisible());
    EXPECT_EQ(exits.count(), 0);  // a dialog without a speech engine never ends the program
}
