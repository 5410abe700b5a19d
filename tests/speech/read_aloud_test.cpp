#include "fake_voice.h"
#include "platform/core/messagebox.h"
#include "speech/read_aloud.h"

#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <gtest/gtest.h>

using speech::ReadFailureMode;
using speech::SplitForSpeech;

namespace {

// A read button wired the way the windows wire theirs.
struct ReadButton {
    explicit ReadButton(platform::SpVoice* voice, QString text,
                        ReadFailureMode mode = ReadFailureMode::Silent)
        : button(new QPushButton(speech::kCaptionRead)), voice(voice), text(std::move(text))
    {
        QObject::connect(button, &QPushButton::clicked, [this, mode] {
            speech::ReadTextAloud(this->text, button, this->voice, mode);
        });
    }
    ~ReadButton() { delete button.data(); }
    QPointer<QPushButton> button;
    platform::SpVoice* voice;
    QString text;
};

// Queues a click that the running run handles between two pieces.
void clickLater(QPushButton* b)
{
    QTimer::singleShot(0, b, [b] { b->click(); });
}

} // namespace

TEST(SplitForSpeech, KeepsTheSeparatorGivingMostPiecesWithTiesToCommaThenCandidate)
{
    struct Case { QString text; QStringList pieces; };
    const Case cases[] = {
        // a,b，c: A and B both 2, the tie goes to B.
        {QStringLiteral("a,b，c"), {QStringLiteral("a"), QStringLiteral("b，c")}},
        // 甲，乙。丙。: A 2, B 1, C 3 with an empty last piece.
        {QStringLiteral("甲，乙。丙。"), {QStringLiteral("甲，乙"), QStringLiteral("丙"), QString()}},
        {QStringLiteral("没有分隔符的文字"), {QStringLiteral("没有分隔符的文字")}},
        // C ties with the candidate A: the candidate stays.
        {QStringLiteral("一，二。三"), {QStringLiteral("一"), QStringLiteral("二。三")}},
        // A beats B by one.
        {QStringLiteral("x，y，z,w"), {QStringLiteral("x"), QStringLiteral("y"), QStringLiteral("z,w")}},
        // Separators at the edges and side by side leave empty pieces; nothing is trimmed.
        {QStringLiteral("，，a ，"), {QString(), QString(), QStringLiteral("a "), QString()}},
        // Line breaks are ordinary characters.
        {QStringLiteral("第一行\n第二行。第三行"), {QStringLiteral("第一行\n第二行"), QStringLiteral("第三行")}},
        // Look-alikes are not separators: the ideographic comma and the full-width full stop.
        {QStringLiteral("甲、乙．丙"), {QStringLiteral("甲、乙．丙")}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(SplitForSpeech(c.text), c.pieces) << c.text.toStdString();
}

TEST(ReadTextAloud, EmptyTextChangesNothingAndCallsNoSpeech)
{
    auto log = std::make_shared<VoiceLog>();
    FakeVoice voice(log);
    platform::MessageBoxRecorder boxes;
    QPushButton button(QStringLiteral("暂停朗读"));
    speech::ReadTextAloud(QString(), &button, &voice, ReadFailureMode::MessageNumberContinue);
    EXPECT_EQ(button.text(), QStringLiteral("暂停朗读"));
    button.setText(speech::kCaptionRead);
    speech::ReadTextAloud(QString(), &button, nullptr, ReadFailureMode::MessageNumberContinue);
    EXPECT_EQ(button.text(), speech::kCaptionRead);
    EXPECT_EQ(log->resumes, 0);
    EXPECT_TRUE(log->spoken.isEmpty());
    EXPECT_TRUE(boxes.shown().isEmpty());
}

TEST(ReadTextAloud, SpeaksEveryPieceInOrderWhileTheCaptionSaysReading)
{
    auto log = std::make_shared<VoiceLog>();
    FakeVoice voice(log);
    platform::MessageBoxRecorder boxes;
    ReadButton read(&voice, QStringLiteral("甲，乙。丙。"));
    QStringList captionsWhileSpeaking;
    int resumesBeforeFirstPiece = -1;
    log->onSpeak = [&](const QString&) {
        captionsWhileSpeaking << read.button->text();
        if (resumesBeforeFirstPiece < 0)
            resumesBeforeFirstPiece = log->resumes;
    };
    read.button->click();
    EXPECT_EQ(log->spoken, (QStringList{QStringLiteral("甲，乙"), QStringLiteral("丙"), QString()}));
    EXPECT_EQ(log->speakFlags, (QList<int>{0, 0, 0}));
    EXPECT_EQ(resumesBeforeFirstPiece, 1);
    EXPECT_EQ(captionsWhileSpeaking, QStringList(3, speech::kCaptionReading));
    EXPECT_EQ(read.button->text(), speech::kCaptionRead);
    EXPECT_TRUE(boxes.shown().isEmpty());
}

// The cut takes the separator out of the text: its pause comes between every
// two pieces, never after the last one or after a stop.
TEST(ReadTextAloud, ThePauseOfTheSeparatorCutAtComesBetweenPieces)
{
    struct Case { QString text; QStringList pauses; const char* stopAfter; };
    const Case cases[] = {
        {QStringLiteral("一，二，三"), {QStringLiteral("，@1"), QStringLiteral("，@2")}, nullptr},
        {QStringLiteral("甲，乙。丙。"), {QStringLiteral("。@1"), QStringLiteral("。@2")}, nullptr},
        {QStringLiteral("a,b，c"), {QStringLiteral(",@1")}, nullptr},
        {QStringLiteral("没有分隔符的文字"), {}, nullptr},
        {QStringLiteral("一，二，三，四"), {QStringLiteral("，@1")}, "二"},
    };
    for (const Case& c : cases) {
        auto log = std::make_shared<VoiceLog>();
        FakeVoice voice(log);
        platform::MessageBoxRecorder boxes;
        ReadButton read(&voice, c.text);
        log->onSpeak = [&](const QString& piece) {
            if (c.stopAfter && piece == QString::fromUtf8(c.stopAfter))
                clickLater(read.button);
        };
        read.button->click();
        EXPECT_EQ(log->pauses, c.pauses) << c.text.toStdString();
        EXPECT_EQ(log->spoken, c.stopAfter ? SplitForSpeech(c.text).mid(0, 2) : SplitForSpeech(c.text));
    }
}

TEST(ReadTextAloud, ACaptionOfAnotherKindIsNotToggledButTheRunStillReads)
{
    auto log = std::make_shared<VoiceLog>();
    FakeVoice voice(log);
    QPushButton button(QStringLiteral("读"));
    speech::ReadTextAloud(QStringLiteral("a,b"), &button, &voice, ReadFailureMode::Silent);
    EXPECT_EQ(log->spoken, (QStringList{QStringLiteral("a"), QStringLiteral("b")}));
    EXPECT_EQ(button.text(), speech::kCaptionRead);
}

TEST(ReadTextAloud, SecondClickStopsAfterTheCurrentPieceWithTwoMessages)
{
    auto log = std::make_shared<VoiceLog>();
    FakeVoice voice(log);
    platform::MessageBoxRecorder boxes;
    ReadButton read(&voice, QStringLiteral("一，二，三，四"));
    log->onSpeak = [&](const QString& piece) {
        if (piece == QStringLiteral("二"))
            clickLater(read.button);
    };
    read.button->click();
    EXPECT_EQ(log->spoken, (QStringList{QStringLiteral("一"), QStringLiteral("二")}));
    EXPECT_EQ(boxes.texts(), QStringList(2, speech::kStopMessage));
    for (const auto& box : boxes.shown())
        EXPECT_EQ(box.buttons, platform::MsgButtons::OK);
    EXPECT_EQ(log->resumes, 2);  // the nested run resumes too
    EXPECT_EQ(read.button->text(), speech::kCaptionRead);

    // "暂停朗读" stops, it does not pause: the next click starts from the first piece.
    log->onSpeak = nullptr;
    log->spoken.clear();
    boxes.clear();
    read.button->click();
    EXPECT_EQ(log->spoken.first(), QStringLiteral("一"));
    EXPECT_EQ(log->spoken.size(), 4);
    EXPECT_TRUE(boxes.shown().isEmpty());
}

TEST(ReadTextAloud, StopDuringTheLastPieceShowsOneMessage)
{
    auto log = std::make_shared<VoiceLog>();
    FakeVoice voice(log);
    platform::MessageBoxRecorder boxes;
    ReadButton read(&voice, QStringLiteral("一，二"));
    log->onSpeak = [&](const QString& piece) {
        if (piece == QStringLiteral("二"))
            clickLater(read.button);
    };
    read.button->click();
    EXPECT_EQ(log->spoken.size(), 2);
    EXPECT_EQ(boxes.texts(), QStringList{speech::kStopMessage});
    EXPECT_EQ(read.button->text(), speech::kCaptionRead);
}

TEST(ReadTextAloud, RunKeepsTheTextItStartedWith)
{
    auto log = std::make_shared<VoiceLog>();
    FakeVoice voice(log);
    ReadButton read(&voice, QStringLiteral("旧一。旧二。旧三"));
    log->onSpeak = [&](const QString&) { QTimer::singleShot(0, [&] { read.text = QStringLiteral("新页，新文"); }); };
    read.button->click();
    EXPECT_EQ(log->spoken, (QStringList{QStringLiteral("旧一"), QStringLiteral("旧二"), QStringLiteral("旧三")}));
}

// Without a speech engine each edition behaves its own way, and (mended) every
// run that ends leaves the caption "朗读".
TEST(ReadTextAloud, NullVoiceInEachFailureMode)
{
    const QString text = QStringLiteral("一，二，三");
    {
        SCOPED_TRACE("Silent");
        platform::MessageBoxRecorder boxes;
        ReadButton read(nullptr, text, ReadFailureMode::Silent);
        for (int click = 0; click < 2; ++click) {
            read.button->click();
            EXPECT_EQ(read.button->text(), speech::kCaptionRead);
        }
        EXPECT_TRUE(boxes.shown().isEmpty());
    }
    {
        SCOPED_TRACE("MessageThenEnd");
        platform::MessageBoxRecorder boxes;
        ReadButton read(nullptr, text, ReadFailureMode::MessageThenEnd);
        read.button->click();
        read.button->click();
        ASSERT_EQ(boxes.shown().size(), 2);  // once per click
        for (const auto& box : boxes.shown()) {
            EXPECT_EQ(box.text, QStringLiteral("您的系统未安装语音库，请下载并安装语音库。"));
            EXPECT_EQ(box.title, QStringLiteral("语音下载"));
            EXPECT_EQ(box.buttons, platform::MsgButtons::OK);
        }
        EXPECT_EQ(read.button->text(), speech::kCaptionRead);
    }
    {
        SCOPED_TRACE("MessageNumberContinue");
        platform::MessageBoxRecorder boxes;
        ReadButton read(nullptr, text, ReadFailureMode::MessageNumberContinue);
        read.button->click();
        // Once for Resume and once for each of the three pieces.
        EXPECT_EQ(boxes.texts(),
                  QStringList(4, QStringLiteral("您的系统未安装语音库，请下载并安装语音库。91")));
        EXPECT_EQ(boxes.shown().first().title, QStringLiteral("语音下载"));
        EXPECT_EQ(read.button->text(), speech::kCaptionRead);
    }
}

TEST(ReadTextAloud, FailingSpeakEndsOrContinuesByMode)
{
    const QString text = QStringLiteral("一，二，三");
    struct Case { ReadFailureMode mode; QStringList spoken; QStringList messages; };
    const QString noLibrary = speech::kNoSpeechLibraryMessage;
    const Case cases[] = {
        {ReadFailureMode::Silent, {"一", "二"}, {}},
        {ReadFailureMode::MessageThenEnd, {"一", "二"}, {noLibrary}},
        {ReadFailureMode::MessageNumberContinue, {"一", "二", "三"}, {noLibrary + "68"}},
        {ReadFailureMode::SilentContinue, {"一", "二", "三"}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.mode));
        auto log = std::make_shared<VoiceLog>();
        FakeVoice voice(log);
        log->onSpeak = [](const QString& piece) {
            if (piece == QStringLiteral("二"))
                throw platform::Error(platform::errc::DeviceUnavailable, QStringLiteral("device lost"));
        };
        platform::MessageBoxRecorder boxes;
        ReadButton read(&voice, text, c.mode);
        read.button->click();
        EXPECT_EQ(log->spoken, c.spoken);
        EXPECT_EQ(boxes.texts(), c.messages);
        EXPECT_EQ(read.button->text(), speech::kCaptionRead);
    }
}

TEST(ReadTextAloud, ButtonDestroyedBetweenPiecesEndsTheRunQuietly)
{
    auto log = std::make_shared<VoiceLog>();
    FakeVoice voice(log);
    platform::MessageBoxRecorder boxes;
    auto* button = new QPushButton(speech::kCaptionRead);
    log->onSpeak = [&](const QString&) { QTimer::singleShot(0, [button] { delete button; }); };
    speech::ReadTextAloud(QStringLiteral("一，二，三"), button, &voice, ReadFailureMode::MessageNumberContinue);
    EXPECT_EQ(log->spoken, QStringList{QStringLiteral("一")});
    EXPECT_TRUE(boxes.shown().isEmpty());
}

TEST(ReadTextAloud, VoiceReleasedBetweenPiecesEndsTheRunQuietly)
{
    auto log = std::make_shared<VoiceLog>();
    std::shared_ptr<platform::SpVoice> voice = std::make_shared<FakeVoice>(log);
    platform::MessageBoxRecorder boxes;
    QPushButton button(speech::kCaptionRead);
    log->onSpeak = [&](const QString&) { QTimer::singleShot(0, [&] { voice.reset(); }); };
    speech::ReadTextAloud(QStringLiteral("一，二，三"), &button, std::weak_ptr<platform::SpVoice>(voice),
                          ReadFailureMode::MessageNumberContinue);
    EXPECT_TRUE(log->destroyed);
    EXPECT_EQ(log->spoken, QStringList{QStringLiteral("一")});
    EXPECT_TRUE(boxes.shown().isEmpty());
    EXPECT_EQ(button.text(), speech::kCaptionRead);

    // An empty handle from the start is the null voice, a failure of every step.
    speech::ReadTextAloud(QStringLiteral("一，二"), &button, std::weak_ptr<platform::SpVoice>(),
                          ReadFailureMode::MessageNumberContinue);
    EXPECT_EQ(boxes.shown().size(), 3);
}

TEST(ReadTextAloud, RunStartedBetweenPiecesFinishesBeforeTheOuterRunGoesOn)
{
    QStringList order;
    auto outerLog = std::make_shared<VoiceLog>();
    auto innerLog = std::make_shared<VoiceLog>();
    FakeVoice outerVoice(outerLog), innerVoice(innerLog);
    ReadButton outer(&outerVoice, QStringLiteral("外一。外二。外三"));
    ReadButton inner(&innerVoice, QStringLiteral("内一，内二"));
    outerLog->onSpeak = [&](const QString& piece) {
        order << piece;
        if (piece == QStringLiteral("外一"))
            clickLater(inner.button);
    };
    innerLog->onSpeak = [&](const QString& piece) { order << piece; };
    platform::MessageBoxRecorder boxes;
    outer.button->click();
    EXPECT_EQ(order, (QStringList{"外一", "内一", "内二", "外二", "外三"}));
    EXPECT_TRUE(boxes.shown().isEmpty());
    EXPECT_EQ(outer.button->text(), speech::kCaptionRead);
    EXPECT_EQ(inner.button->text(), speech::kCaptionRead);
}
