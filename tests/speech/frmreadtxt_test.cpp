#include "fake_voice.h"
#include "platform/core/messagebox.h"
#include "platform/core/program.h"
#include "platform/speech/audio_format.h"
#include "platform/speech/espeak_engine.h"
#include "speech/frmreadtxt.h"
#include "speech/read_aloud.h"

#include <QApplication>
#include <QComboBox>
#include <QCoreApplication>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

using speech::FrmReadTxt;

namespace {

struct Dialog {
    explicit Dialog(std::function<void(FakeVoice&)> prepare = {},
                    QList<platform::SpeechObjectToken> voices = FakeVoice::defaultVoices())
        : log(std::make_shared<VoiceLog>())
    {
        form = new FrmReadTxt([log = log, prepare, voices] {
            auto v = std::make_unique<FakeVoice>(log, voices);
            if (prepare)
                prepare(*v);
            return v;
        });
    }
    ~Dialog()
    {
        delete form.data();
    }
    void choose(QComboBox* combo, int index, void (FrmReadTxt::*handler)())
    {
        combo->setCurrentIndex(index);
        (form->*handler)();
    }
    std::shared_ptr<VoiceLog> log;
    QPointer<FrmReadTxt> form;
};

void processDeferredDeletes()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

} // namespace

TEST(FrmReadTxt, OpensWithTheFirstVoiceItsRateAndVolumeAnd22kHz16BitMono)
{
    platform::MessageBoxRecorder boxes;
    Dialog d([](FakeVoice& v) {
        v.rate = 3;
        v.volume = 70;
    });
    FrmReadTxt& f = *d.form;
    EXPECT_EQ(f.windowTitle(), QStringLiteral("Aurelis 2003"));
    ASSERT_EQ(f.VoiceCB->count(), 3);
    EXPECT_EQ(f.VoiceCB->itemText(0), QStringLiteral("普通话 (cmn)"));
    EXPECT_EQ(f.VoiceCB->itemText(2), QStringLiteral("英语（英国） (en-gb)"));
    EXPECT_EQ(f.VoiceCB->currentIndex(), 0);
    EXPECT_EQ(d.log->voicesSet, QStringList{QStringLiteral("sit/cmn")});
    EXPECT_EQ(f.RateSldr->value(), 3);
    EXPECT_EQ(f.VolumeSldr->value(), 70);
    // Showing the voice's own values on the sliders sets nothing back.
    EXPECT_TRUE(d.log->rates.isEmpty());
    EXPECT_TRUE(d.log->volumes.isEmpty());
    EXPECT_EQ(f.FormatCB->currentText(), QStringLiteral("22kHz 16Bit Mono"));
    EXPECT_EQ(d.log->formats, QList<int>{22});
    EXPECT_EQ(d.log->allowFlags, QList<bool>{false});
    EXPECT_EQ(f.SpeakBtn->text(), QStringLiteral("朗读"));
    EXPECT_EQ(f.StopBtn->text(), QStringLiteral("退出"));
    EXPECT_TRUE(boxes.shown().isEmpty());
}

TEST(FrmReadTxt, ControlsHaveTheirDesignPropertiesAndTabOrder)
{
    Dialog d;
    FrmReadTxt& f = *d.form;
    auto px = [](double twips) { return platform::twipsToPixels(twips); };
    EXPECT_EQ(f.size(), QSize(px(6945), px(4830)));
    EXPECT_FALSE(f.windowFlags() & Qt::WindowMaximizeButtonHint) << "a fixed size cannot be maximised";
    EXPECT_EQ(f.MainTxtBox->geometry(), QRect(px(0), px(0), px(6960), px(2676)));
    EXPECT_EQ(f.Frame1->geometry(), QRect(px(84), px(2688), px(5220), px(1935)));
    EXPECT_EQ(f.SpeakBtn->geometry(), QRect(px(5628), px(2844), px(1125), px(350)));
    EXPECT_EQ(f.StopBtn->geometry(), QRect(px(5616), px(3324), px(1125), px(350)));
    EXPECT_EQ(f.RateSldr->geometry(), QRect(px(1008), px(660), px(4056), px(312)));
    EXPECT_EQ(f.VolumeSldr->geometry(), QRect(px(1008), px(1068), px(4056), px(312)));
    EXPECT_EQ(f.VoiceCB->pos(), QPoint(px(1008), px(240)));
    EXPECT_EQ(f.VoiceCB->width(), px(4056));
    EXPECT_EQ(f.FormatCB->pos(), QPoint(px(1008), px(1440)));
    EXPECT_EQ(f.Label5->pos(), QPoint(px(120), px(1500)));
    EXPECT_EQ(f.VoiceCB->parentWidget(), f.Frame1);
    EXPECT_EQ(f.Label2->text(), QStringLiteral("语种："));
    EXPECT_EQ(f.Label3->text(), QStringLiteral("语速："));
    EXPECT_EQ(f.Label4->text(), QStringLiteral("音量："));
    EXPECT_EQ(f.Label5->text(), QStringLiteral("发音模式："));

    EXPECT_EQ(f.RateSldr->minimum(), -10);
    EXPECT_EQ(f.RateSldr->maximum(), 10);
    EXPECT_EQ(f.RateSldr->singleStep(), 1);
    EXPECT_EQ(f.RateSldr->pageStep(), 1);
    EXPECT_EQ(f.VolumeSldr->minimum(), 0);
    EXPECT_EQ(f.VolumeSldr->maximum(), 100);
    EXPECT_EQ(f.VolumeSldr->pageStep(), 5);
    EXPECT_EQ(f.RateSldr->tickPosition(), QSlider::NoTicks);
    EXPECT_EQ(f.RateSldr->toolTip(), QStringLiteral("Changes voice playback rate"));
    EXPECT_EQ(f.VolumeSldr->toolTip(), QStringLiteral("Changes voice playback volume"));
    EXPECT_DOUBLE_EQ(f.MainTxtBox->font().pointSizeF(), 13.5);
    EXPECT_DOUBLE_EQ(f.SpeakBtn->font().pointSizeF(), 12.0);

    const QList<QWidget*> order{f.StopBtn, f.MainTxtBox, f.SpeakBtn, f.VoiceCB, f.RateSldr, f.VolumeSldr, f.FormatCB};
    for (int i = 0; i + 1 < order.size(); ++i) {
        QWidget* next = order[i]->nextInFocusChain();
        while (next && !(next->focusPolicy() & Qt::TabFocus))
            next = next->nextInFocusChain();
        EXPECT_EQ(next, order[i + 1]) << i;
    }
}

TEST(FrmReadTxt, TabWalksTheTabOrderFromTheFirstControlAndLeavesTheTextAlone)
{
    Dialog d;
    FrmReadTxt& f = *d.form;
    f.show();
    f.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&f));
    const QString text = f.MainTxtBox->toPlainText();
    const QList<QWidget*> order{f.StopBtn,  f.MainTxtBox, f.SpeakBtn, f.VoiceCB,
                                f.RateSldr, f.VolumeSldr, f.FormatCB, f.StopBtn};
    EXPECT_EQ(QApplication::focusWidget(), order.first());
    for (int i = 1; i < order.size(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), order[i]) << i;
    }
    EXPECT_EQ(f.MainTxtBox->toPlainText(), text);
}

TEST(FrmReadTxt, WelcomeTextGreetsThenInstructsLineByLine)
{
    Dialog d;
    const QStringList lines = d.form->MainTxtBox->toPlainText().split(QLatin1Char('\n'));
    ASSERT_EQ(lines.size(), 4);  // three lines, each ended by a line break
    EXPECT_TRUE(lines[0].startsWith(QStringLiteral("　　")));
    EXPECT_TRUE(lines[0].contains(QStringLiteral("Aurelis 2003")));
    EXPECT_EQ(lines[1], QStringLiteral("请将朗读文本复制后粘贴在本文本框内。点击“朗读”"));
    EXPECT_EQ(lines[2], QStringLiteral("命令按钮，开始朗读。"));
    EXPECT_TRUE(lines[3].isEmpty());
}

TEST(FrmReadTxt, FormatListOffersThe32FormatsInOrderWithTheirCodes)
{
    Dialog d;
    QComboBox* cb = d.form->FormatCB;
    ASSERT_EQ(cb->count(), 32);
    QList<int> codes;
    for (int i = 0; i < cb->count(); ++i) {
        const int code = cb->itemData(i).toInt();
        codes << code;
        // The caption names the layout the engine gives that code.
        EXPECT_EQ(cb->itemText(i), platform::audioFormatCaption(code)) << code;
    }
    EXPECT_EQ(codes.first(), 4);
    EXPECT_EQ(codes.last(), 37);
    EXPECT_TRUE(std::is_sorted(codes.begin(), codes.end()));
    for (int missing : {30, 31, 38, 39})
        EXPECT_FALSE(codes.contains(missing)) << missing;
}

TEST(FrmReadTxt, ChosenFormatsSliderExtremesAndVoicesReachTheVoiceUnchanged)
{
    Dialog d;
    d.choose(d.form->FormatCB, 0, &FrmReadTxt::FormatCB_Click);
    d.choose(d.form->FormatCB, 31, &FrmReadTxt::FormatCB_Click);
    EXPECT_EQ(d.log->formats, (QList<int>{22, 4, 37}));

    d.form->RateSldr->setValue(-10);
    d.form->RateSldr->setValue(10);
    d.form->VolumeSldr->setValue(0);
    d.form->VolumeSldr->setValue(100);
    EXPECT_EQ(d.log->rates, (QList<int>{-10, 10}));
    EXPECT_EQ(d.log->volumes, (QList<int>{0, 100}));

    d.choose(d.form->VoiceCB, 2, &FrmReadTxt::VoiceCB_Click);
    EXPECT_EQ(d.log->voicesSet.last(), QStringLiteral("gmw/en"));
}

TEST(FrmReadTxt, VoiceIsChosenByPositionNotByDescription)
{
    const QList<platform::SpeechObjectToken> twins{{QStringLiteral("a"), QStringLiteral("同名")},
                                                   {QStringLiteral("b"), QStringLiteral("同名")}};
    Dialog d({}, twins);
    d.choose(d.form->VoiceCB, 1, &FrmReadTxt::VoiceCB_Click);
    EXPECT_EQ(d.log->voicesSet, (QStringList{QStringLiteral("a"), QStringLiteral("b")}));
}

TEST(FrmReadTxt, RejectedFormatShowsTheDeviceTextAndKeepsThePreviousFormat)
{
    platform::MessageBoxRecorder boxes;
    Dialog d;
    d.log->onFormat = [](int code) {
        if (code == 37)
            throw platform::Error(platform::errc::DeviceUnavailable, QStringLiteral("Invalid sample rate"));
    };
    d.choose(d.form->FormatCB, 0, &FrmReadTxt::FormatCB_Click);
    d.choose(d.form->FormatCB, 31, &FrmReadTxt::FormatCB_Click);
    ASSERT_EQ(boxes.shown().size(), 1);
    EXPECT_EQ(boxes.shown().first().text, QStringLiteral("设置语音模式错误: Invalid sample rate"));
    EXPECT_EQ(boxes.shown().first().buttons, platform::MsgButtons::OK);
    ASSERT_NE(d.form->voice(), nullptr);
    EXPECT_EQ(d.form->voice()->AudioOutputFormatType(), 4);
}

TEST(FrmReadTxt, ReadsTheWelcomeTextAndNothingWhenTheBoxIsEmpty)
{
    platform::MessageBoxRecorder boxes;
    Dialog d;
    d.form->SpeakBtn->click();
    EXPECT_EQ(d.log->spoken, speech::SplitForSpeech(speech::welcomeText()));
    EXPECT_EQ(d.form->SpeakBtn->text(), QStringLiteral("朗读"));

    d.log->spoken.clear();
    const int resumes = d.log->resumes;
    d.form->MainTxtBox->clear();
    d.form->SpeakBtn->click();
    EXPECT_TRUE(d.log->spoken.isEmpty());
    EXPECT_EQ(d.log->resumes, resumes);
    EXPECT_TRUE(boxes.shown().isEmpty());
}

TEST(FrmReadTxt, AFailingPieceIsSkippedAndTheRunGoesOnQuietly)
{
    platform::MessageBoxRecorder boxes;
    Dialog d;
    d.form->MainTxtBox->setPlainText(QStringLiteral("一，二，三，四"));
    d.log->onSpeak = [](const QString& piece) {
        if (piece == QStringLiteral("二"))
            throw platform::Error(platform::errc::DeviceUnavailable, QStringLiteral("device lost"));
    };
    d.form->SpeakBtn->click();
    EXPECT_EQ(d.log->spoken, (QStringList{"一", "二", "三", "四"}));
    EXPECT_EQ(d.form->SpeakBtn->text(), QStringLiteral("朗读"));
    EXPECT_TRUE(boxes.shown().isEmpty());
}

TEST(FrmReadTxt, SettingsChangedBetweenPiecesApplyToTheFollowingPieces)
{
    Dialog d;
    d.form->MainTxtBox->setPlainText(QStringLiteral("一，二，三"));
    d.log->onSpeak = [&](const QString& piece) {
        if (piece == QStringLiteral("一"))
            QTimer::singleShot(0, [&] { d.form->RateSldr->setValue(5); });
    };
    d.form->SpeakBtn->click();
    EXPECT_EQ(d.log->ratesAtSpeak, (QList<int>{0, 5, 5}));
}

TEST(FrmReadTxt, WithoutASpeechEngineItOpensEmptyAndItsButtonDoesNothing)
{
    platform::MessageBoxRecorder boxes;
    platform::ExitInterceptor exits;
    QPointer<FrmReadTxt> f = new FrmReadTxt([]() -> std::unique_ptr<platform::SpVoice> {
        throw platform::Error(platform::errc::General, QStringLiteral("no engine"));
    });
    EXPECT_EQ(f->voice(), nullptr);
    EXPECT_EQ(f->VoiceCB->count(), 0);
    EXPECT_EQ(f->FormatCB->count(), 32);
    f->RateSldr->setValue(4);
    f->FormatCB->setCurrentIndex(0);
    f->FormatCB_Click();
    for (int click = 0; click < 2; ++click) {
        f->SpeakBtn->click();
        EXPECT_EQ(f->SpeakBtn->text(), QStringLiteral("朗读"));
    }
    EXPECT_TRUE(boxes.shown().isEmpty());
    EXPECT_EQ(exits.count(), 0);
    delete f.data();
}

// The engine's own voice, as the menu opens the dialog: the voices are listed
// and the format set whether or not a sound device is there.
TEST(FrmReadTxt, OpensWithEveryInstalledVoiceWithoutNeedingASoundDevice)
{
    QList<platform::SpeechObjectToken> installed;
    try {
        installed = platform::espeak_engine::voices();
    } catch (const platform::Error& e) {
        GTEST_SKIP() << "espeak-ng unavailable: " << e.description().toStdString();
    }
    platform::MessageBoxRecorder boxes;
    QPointer<FrmReadTxt> f = new FrmReadTxt();
    ASSERT_NE(f->voice(), nullptr);
    ASSERT_EQ(f->VoiceCB->count(), installed.size());
    for (int i = 0; i < installed.size(); ++i)
        EXPECT_EQ(f->VoiceCB->itemText(i), installed.at(i).description) << i;
    EXPECT_EQ(f->voice()->Voice().id, installed.first().id);
    EXPECT_EQ(f->voice()->AudioOutputFormatType(), 22);
    EXPECT_TRUE(boxes.shown().isEmpty());
    delete f.data();
}

TEST(FrmReadTxt, ExitButtonReleasesTheVoiceAndClosesTheDialog)
{
    Dialog d;
    d.form->show();
    d.form->StopBtn->click();
    EXPECT_TRUE(d.log->destroyed);
    processDeferredDeletes();
    EXPECT_TRUE(d.form.isNull());
}

TEST(FrmReadTxt, ClosingDuringARunSpeaksNoFurtherPiece)
{
    platform::MessageBoxRecorder boxes;
    Dialog d;
    d.form->show();
    d.form->MainTxtBox->setPlainText(QStringLiteral("一，二，三"));
    d.log->onSpeak = [&](const QString&) { QTimer::singleShot(0, [&] { d.form->close(); }); };
    d.form->SpeakBtn->click();
    EXPECT_EQ(d.log->spoken, QStringList{QStringLiteral("一")});
    EXPECT_TRUE(d.log->destroyed);
    EXPECT_TRUE(boxes.shown().isEmpty());
    processDeferredDeletes();
    EXPECT_TRUE(d.form.isNull());
}

TEST(FrmReadTxt, ItsRunStartedDuringAnotherRunFinishesFirst)
{
    QStringList order;
    Dialog d;
    d.form->MainTxtBox->setPlainText(QStringLiteral("对一，对二"));
    d.log->onSpeak = [&](const QString& piece) { order << piece; };

    auto mainLog = std::make_shared<VoiceLog>();
    FakeVoice mainVoice(mainLog);
    QPushButton cmdRead(QStringLiteral("朗读"));
    mainLog->onSpeak = [&](const QString& piece) {
        order << piece;
        if (piece == QStringLiteral("主一"))
            QTimer::singleShot(0, [&] { d.form->SpeakBtn->click(); });
    };
    speech::ReadTextAloud(QStringLiteral("主一。主二"), &cmdRead, &mainVoice, speech::ReadFailureMode::Silent);
    EXPECT_EQ(order, (QStringList{"主一", "对一", "对二", "主二"}));
    EXPECT_EQ(cmdRead.text(), QStringLiteral("朗读"));
    EXPECT_EQ(d.form->SpeakBtn->text(), QStringLiteral("朗读"));
}
