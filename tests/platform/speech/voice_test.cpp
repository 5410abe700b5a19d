#include "platform/core/error.h"
#include "platform/speech/audio_format.h"
#include "platform/speech/espeak_engine.h"
#include "platform/speech/mandarin_numbers.h"
#include "platform/speech/voice.h"
#include "recording_sink.h"
#include "support/test_support.h"

#include <espeak-ng/speak_lib.h>

#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QtEndian>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

using platform::AudioFormat;
using platform::SpVoice;

namespace {

const QString kChinese = QStringLiteral("今天天气很好，我们一起去公园散步");

// espeak's Mandarin voice varies a text's length by up to about one percent
// from one run to the next.
constexpr double kLengthJitter = 0.02;

// The engine or nothing: tests of the real synthesizer skip without its data.
#define REQUIRE_ENGINE()                                                            \
    do {                                                                            \
        try {                                                                       \
            platform::createSpVoice(platform::createNullSink());                    \
        } catch (const platform::Error& e) {                                        \
            GTEST_SKIP() << "espeak-ng unavailable: " << e.description().toStdString(); \
        }                                                                           \
    } while (0)

struct Recorded {
    SinkLog log;
    std::unique_ptr<SpVoice> voice;
    RecordingSink* sink = nullptr;
};

std::unique_ptr<Recorded> recordedVoice()
{
    auto r = std::make_unique<Recorded>();
    auto sink = std::make_unique<RecordingSink>(r->log);
    r->sink = sink.get();
    r->voice = platform::createSpVoice(std::move(sink));
    return r;
}

double seconds(const SinkLog& log)
{
    return double(log.bytes.size()) / log.format.bytesPerFrame() / log.format.sampleRate;
}

// Root mean square of 16-bit samples.
double rms(const QByteArray& bytes)
{
    const auto* s = reinterpret_cast<const qint16*>(bytes.constData());
    const qsizetype n = bytes.size() / 2;
    double sum = 0;
    for (qsizetype i = 0; i < n; ++i)
        sum += double(s[i]) * s[i];
    return n ? std::sqrt(sum / double(n)) : 0.0;
}

// espeak-ng's own transcription of a text in one of its voices, clause by
// clause; "(en)" and the like mark a switch to another language.
QString espeakPhonemes(const QString& voiceId, const QString& text)
{
    platform::espeak_engine::ensureInitialised();
    if (espeak_SetVoiceByName(voiceId.toUtf8().constData()) != EE_OK)
        return QString();
    const QByteArray utf8 = text.toUtf8();
    const void* rest = utf8.constData();
    QStringList clauses;
    while (rest) {
        const char* phonemes = espeak_TextToPhonemes(&rest, espeakCHARS_UTF8, 0);
        if (phonemes)
            clauses << QString::fromUtf8(phonemes);
    }
    return clauses.join(QLatin1Char(' '));
}

// The longest silence inside recorded 16-bit mono sound, not at its ends, in seconds.
double longestInnerSilence(const SinkLog& log)
{
    const auto* s = reinterpret_cast<const qint16*>(log.bytes.constData());
    const qsizetype n = log.bytes.size() / 2;
    qsizetype longest = 0, run = 0, i = 0;
    while (i < n && std::abs(s[i]) <= 50)
        ++i;
    for (; i < n; ++i) {
        run = std::abs(s[i]) <= 50 ? run + 1 : 0;
        if (run == 0 || i + 1 == n)
            continue;
        if (std::abs(s[i + 1]) > 50)
            longest = std::max(longest, run);
    }
    return double(longest) / log.format.sampleRate;
}

struct Wav {
    bool ok = false;
    int channels = 0, sampleRate = 0, bits = 0, byteRate = 0, blockAlign = 0;
    QByteArray data;
    double seconds() const { return blockAlign ? double(data.size()) / blockAlign / sampleRate : 0; }
};

Wav readWav(const QString& path)
{
    Wav w;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return w;
    const QByteArray b = f.readAll();
    if (b.size() < 44 || b.left(4) != "RIFF" || b.mid(8, 8) != "WAVEfmt " || b.mid(36, 4) != "data")
        return w;
    const auto* p = reinterpret_cast<const uchar*>(b.constData());
    if (qFromLittleEndian<quint32>(p + 4) != quint32(b.size() - 8) || qFromLittleEndian<quint16>(p + 20) != 1)
        return w;
    w.channels = qFromLittleEndian<quint16>(p + 22);
    w.sampleRate = int(qFromLittleEndian<quint32>(p + 24));
    w.byteRate = int(qFromLittleEndian<quint32>(p + 28));
    w.blockAlign = qFromLittleEndian<quint16>(p + 32);
    w.bits = qFromLittleEndian<quint16>(p + 34);
    const quint32 size = qFromLittleEndian<quint32>(p + 40);
    if (size != quint32(b.size() - 44))
        return w;
    w.data = b.mid(44);
    w.ok = true;
    return w;
}

Wav speakToWav(const QString& path, int formatType, const QString& text, int rate = 0, int volume = 100)
{
    auto voice = platform::createSpVoice(platform::createWavFileSink(path));
    voice->setAudioOutputFormatType(formatType);
    voice->setRate(rate);
    voice->setVolume(volume);
    voice->Speak(text, 0);
    return readWav(path);
}

} // namespace

TEST(AudioFormatTypes, CodesMapToRateDepthAndChannelsInTableOrder)
{
    struct Row { int code; int rate, bits, channels; const char* caption; };
    const Row rows[] = {
        {4, 8000, 8, 1, "8kHz 8Bit Mono"},       {5, 8000, 8, 2, "8kHz 8Bit Stereo"},
        {7, 8000, 16, 2, "8kHz 16Bit Stereo"},   {8, 11025, 8, 1, "11kHz 8Bit Mono"},
        {22, 22050, 16, 1, "22kHz 16Bit Mono"},  {23, 22050, 16, 2, "22kHz 16Bit Stereo"},
        {32, 44100, 8, 1, "44kHz 8Bit Mono"},    {37, 48000, 8, 2, "48kHz 8Bit Stereo"},
        {39, 48000, 16, 2, "48kHz 16Bit Stereo"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.code);
        const auto f = platform::audioFormatForType(r.code);
        ASSERT_TRUE(f.has_value());
        EXPECT_EQ(f->sampleRate, r.rate);
        EXPECT_EQ(f->bitsPerSample, r.bits);
        EXPECT_EQ(f->channels, r.channels);
        EXPECT_EQ(platform::audioFormatCaption(r.code), QString::fromLatin1(r.caption));
    }
    for (int bad : {-1, 0, 3, 40, 1000}) {
        EXPECT_FALSE(platform::audioFormatForType(bad).has_value()) << bad;
        EXPECT_TRUE(platform::audioFormatCaption(bad).isEmpty()) << bad;
    }
}

TEST(SpeakingRate, NormalAtZeroAndEveryStepFasterWithinWhatEspeakCanSpeak)
{
    EXPECT_EQ(platform::wordsPerMinuteForRate(0), espeakRATE_NORMAL);
    for (int rate = -10; rate < 10; ++rate)
        EXPECT_LT(platform::wordsPerMinuteForRate(rate), platform::wordsPerMinuteForRate(rate + 1)) << rate;
    EXPECT_GE(platform::wordsPerMinuteForRate(-10), espeakRATE_MINIMUM);
    EXPECT_LT(platform::wordsPerMinuteForRate(10), espeakRATE_MAXIMUM);
}

TEST(EspeakVoice, StartsWithMandarinNormalRateFullVolumeAnd22kHz16BitMono)
{
    REQUIRE_ENGINE();
    auto r = recordedVoice();
    SpVoice& v = *r->voice;
    EXPECT_EQ(v.Rate(), 0);
    EXPECT_EQ(v.Volume(), 100);
    EXPECT_EQ(v.AudioOutputFormatType(), 22);

    const auto voices = v.GetVoices();
    ASSERT_GT(voices.size(), 1);
    EXPECT_EQ(v.Voice().id, voices.first().id);
}

// Every installed voice is listed once, named in Chinese, none like another;
// the one that reads Chinese as Mandarin is first and called plainly 普通话,
// the one that reads it through English says so.
TEST(EspeakVoice, EveryVoiceHasAChineseNameOfItsOwn)
{
    REQUIRE_ENGINE();
    const auto voices = platform::createSpVoice(platform::createNullSink())->GetVoices();
    QHash<QString, QString> espeakNames;
    const espeak_VOICE** list = espeak_ListVoices(nullptr);
    for (int i = 0; list && list[i]; ++i)
        espeakNames.insert(QString::fromUtf8(list[i]->identifier), QString::fromUtf8(list[i]->name).trimmed());
    EXPECT_EQ(voices.size(), espeakNames.size());
    ASSERT_FALSE(voices.isEmpty());
    EXPECT_EQ(voices.first().GetDescription(0), QStringLiteral("普通话"));

    const QRegularExpression han(QStringLiteral("\\p{Han}"));
    QSet<QString> seen;
    int inEspeaksWords = 0;
    for (const auto& t : voices) {
        const QString name = t.GetDescription(0);
        EXPECT_FALSE(seen.contains(name)) << name.toStdString();
        seen.insert(name);
        // Only where ICU knows no Chinese name does espeak's own one stand.
        if (!name.contains(han)) {
            ++inEspeaksWords;
            EXPECT_EQ(name, espeakNames.value(t.id)) << t.id.toStdString();
        }
        if (t.id == QLatin1String("sit/cmn")) {
            EXPECT_TRUE(name.startsWith(QStringLiteral("普通话（英语"))) << name.toStdString();
        }
    }
    EXPECT_LT(inEspeaksWords, voices.size() / 10);
}

TEST(EspeakVoice, ChoosesVoicesFromItsListAndRefusesOthers)
{
    REQUIRE_ENGINE();
    auto r = recordedVoice();
    const auto voices = r->voice->GetVoices();
    r->voice->setVoice(voices.at(3));
    EXPECT_EQ(r->voice->Voice().id, voices.at(3).id);

    platform::SpeechObjectToken bogus{QStringLiteral("nowhere/none"), QStringLiteral("x")};
    EXPECT_THROW(r->voice->setVoice(bogus), platform::Error);
    EXPECT_EQ(r->voice->Voice().id, voices.at(3).id);
    EXPECT_THROW(r->voice->setRate(11), platform::Error);
    EXPECT_THROW(r->voice->setVolume(-1), platform::Error);
    EXPECT_EQ(r->voice->Rate(), 0);
    EXPECT_EQ(r->voice->Volume(), 100);
}

TEST(EspeakVoice, RejectedFormatKeepsThePreviousOneAndCarriesTheDeviceText)
{
    REQUIRE_ENGINE();
    auto r = recordedVoice();
    r->sink->accepts = [](const AudioFormat& f) { return f.sampleRate != 48000; };
    r->voice->setAudioOutputFormatType(4);
    try {
        r->voice->setAudioOutputFormatType(37);
        FAIL() << "48 kHz should have been refused";
    } catch (const platform::Error& e) {
        EXPECT_EQ(e.description(), QStringLiteral("Invalid sample rate"));
    }
    EXPECT_EQ(r->voice->AudioOutputFormatType(), 4);
    EXPECT_THROW(r->voice->setAudioOutputFormatType(40), platform::Error);
    EXPECT_THROW(r->voice->setAudioOutputFormatType(3), platform::Error);
    EXPECT_EQ(r->voice->AudioOutputFormatType(), 4);

    r->voice->Speak(QStringLiteral("你好"), 0);
    ASSERT_EQ(r->log.begins.size(), 1);
    EXPECT_EQ(r->log.begins.first().sampleRate, 8000);
}

TEST(EspeakVoice, StreamsChunksBetweenBeginAndFinish)
{
    REQUIRE_ENGINE();
    auto r = recordedVoice();
    int writesAtFinish = -1;
    r->voice->Speak(kChinese, 0);
    writesAtFinish = r->log.writes;
    EXPECT_EQ(r->log.begins.size(), 1);
    EXPECT_EQ(r->log.finishes, 1);
    // Several seconds of speech arrive in many small chunks, not one block at the end.
    EXPECT_GT(writesAtFinish, 20);
    EXPECT_GT(seconds(r->log), 1.0);
    EXPECT_EQ(r->log.bytes.size() % 2, 0);

    // Empty text: nothing synthesized, nothing opened.
    r->voice->Speak(QString(), 0);
    EXPECT_EQ(r->log.begins.size(), 1);
    EXPECT_EQ(r->log.writes, writesAtFinish);
}

TEST(EspeakVoice, FailingSinkIsAnErrorAndTheNextSpeakStillWorks)
{
    REQUIRE_ENGINE();
    auto r = recordedVoice();
    r->voice->setAudioOutputFormatType(6);  // through the resampler
    int calls = 0;
    r->sink->onWrite = [&] {
        if (++calls == 3)
            throw platform::Error(platform::errc::DeviceUnavailable, QStringLiteral("gone"));
    };
    EXPECT_THROW(r->voice->Speak(kChinese, 0), platform::Error);
    EXPECT_EQ(r->log.finishes, 0);

    r->sink->onWrite = nullptr;
    r->log.bytes.clear();
    r->voice->Speak(QStringLiteral("你好"), 0);
    EXPECT_EQ(r->log.finishes, 1);
    EXPECT_GT(seconds(r->log), 0.2);
}

TEST(EspeakVoice, VoicesShareTheEngineButKeepTheirOwnSettings)
{
    REQUIRE_ENGINE();
    auto slow = recordedVoice();
    auto fast = recordedVoice();
    slow->voice->setRate(-10);
    fast->voice->setRate(10);
    for (int i = 0; i < 2; ++i) {
        slow->voice->Speak(kChinese, 0);
        fast->voice->Speak(kChinese, 0);
    }
    // The slowest against the fastest rate: far apart whatever the pauses.
    EXPECT_GT(seconds(slow->log), 2.0 * seconds(fast->log));
}

TEST(EspeakVoice, DefaultVoiceReadsChineseAsMandarinNotAsEnglish)
{
    REQUIRE_ENGINE();
    auto r = recordedVoice();
    const QString phonemes = espeakPhonemes(r->voice->Voice().id, kChinese + QStringLiteral("。你好。"));
    EXPECT_GT(phonemes.size(), kChinese.size()) << phonemes.toStdString();
    // Any "(xx)" would be espeak changing language in the middle of the text.
    EXPECT_FALSE(phonemes.contains(QLatin1Char('('))) << phonemes.toStdString();
}

TEST(EspeakVoice, DefaultVoiceNeedsASoundDeviceOnlyToSpeak)
{
    REQUIRE_ENGINE();
    std::unique_ptr<SpVoice> voice;
    ASSERT_NO_THROW(voice = platform::createSpVoice());
    const auto voices = voice->GetVoices();
    ASSERT_GT(voices.size(), 1);
    EXPECT_NO_THROW(voice->setVoice(voices.at(1)));
    EXPECT_NO_THROW(voice->setRate(-10));
    EXPECT_NO_THROW(voice->setVolume(30));
    EXPECT_NO_THROW(voice->setAudioOutputFormatType(platform::kDefaultAudioFormatType));
    EXPECT_EQ(voice->Voice().id, voices.at(1).id);

    // Speak only where nobody can hear it: without a sound device it fails
    // like any other speech call.
    bool haveDevice = true;
    try {
        platform::createPortAudioSink()->begin(*platform::audioFormatForType(platform::kDefaultAudioFormatType));
    } catch (const platform::Error&) {
        haveDevice = false;
    }
    if (!haveDevice) {
        EXPECT_THROW(voice->Speak(QStringLiteral("你好"), 0), platform::Error);
    }
}

// Each rate step is audibly faster than the one below it, and each volume step
// louder, from end to end.
TEST(EspeakVoice, EveryRateStepIsShorterAndEveryVolumeStepLouder)
{
    REQUIRE_ENGINE();
    double previous = 0;
    for (int rate = -10; rate <= 10; ++rate) {
        auto r = recordedVoice();
        r->voice->setRate(rate);
        r->voice->Speak(kChinese, 0);
        const double length = seconds(r->log);
        if (rate > -10) {
            EXPECT_LT(length, 0.97 * previous) << "rate " << rate;
        }
        previous = length;
    }

    auto r = recordedVoice();
    double quieter = -1;
    for (int volume = 0; volume <= 100; ++volume) {
        r->log.bytes.clear();
        r->voice->setVolume(volume);
        r->voice->Speak(QStringLiteral("你好"), 0);
        ASSERT_GT(r->log.bytes.size(), 8000) << "volume " << volume;
        const double level = rms(r->log.bytes);
        if (volume == 0) {
            EXPECT_EQ(level, 0.0);
        } else {
            EXPECT_GT(level, quieter) << "volume " << volume;
        }
        quieter = level;
    }
}

TEST(EspeakWav, EightKilohertzEightBitMonoHeaderAndDuration)
{
    REQUIRE_ENGINE();
    testing_support::TempWorkDir dir;
    const Wav low = speakToWav(dir.file("low.wav"), 4, kChinese);
    const Wav normal = speakToWav(dir.file("normal.wav"), 22, kChinese);
    ASSERT_TRUE(low.ok);
    ASSERT_TRUE(normal.ok);
    EXPECT_EQ(low.sampleRate, 8000);
    EXPECT_EQ(low.bits, 8);
    EXPECT_EQ(low.channels, 1);
    EXPECT_EQ(low.blockAlign, 1);
    EXPECT_EQ(low.byteRate, 8000);
    EXPECT_EQ(normal.sampleRate, 22050);
    EXPECT_EQ(normal.bits, 16);
    EXPECT_GT(normal.seconds(), 1.0);
    EXPECT_NEAR(low.seconds(), normal.seconds(), kLengthJitter * normal.seconds());
    // Speech, not a flat line: 8-bit samples swing far from 128.
    int maxSwing = 0;
    for (char c : low.data)
        maxSwing = std::max(maxSwing, std::abs(int(uchar(c)) - 128));
    EXPECT_GT(maxSwing, 40);
}

TEST(EspeakWav, StereoDoublesTheChannelsNotTheDuration)
{
    REQUIRE_ENGINE();
    testing_support::TempWorkDir dir;
    const Wav mono = speakToWav(dir.file("m.wav"), 26, kChinese);
    const Wav stereo = speakToWav(dir.file("s.wav"), 27, kChinese);
    ASSERT_TRUE(mono.ok && stereo.ok);
    EXPECT_EQ(mono.channels, 1);
    EXPECT_EQ(stereo.channels, 2);
    EXPECT_EQ(stereo.sampleRate, 24000);
    EXPECT_EQ(stereo.blockAlign, 4);
    EXPECT_NEAR(double(stereo.data.size()), 2.0 * mono.data.size(), kLengthJitter * 2.0 * mono.data.size());
    // Both channels carry the same samples.
    const auto* s = reinterpret_cast<const qint16*>(stereo.data.constData());
    bool same = true;
    for (qsizetype i = 0; i + 1 < stereo.data.size() / 2; i += 2)
        same = same && s[i] == s[i + 1];
    EXPECT_TRUE(same);
}

TEST(EspeakWav, SlowestRateLastsLongerThanFastest)
{
    REQUIRE_ENGINE();
    testing_support::TempWorkDir dir;
    const Wav slow = speakToWav(dir.file("slow.wav"), 22, kChinese, -10);
    const Wav fast = speakToWav(dir.file("fast.wav"), 22, kChinese, 10);
    ASSERT_TRUE(slow.ok && fast.ok);
    EXPECT_GT(slow.seconds(), 1.5 * fast.seconds());
}

TEST(EspeakWav, VolumeZeroIsSilenceAtEveryDepth)
{
    REQUIRE_ENGINE();
    testing_support::TempWorkDir dir;
    const Wav wide = speakToWav(dir.file("w.wav"), 22, kChinese, 0, 0);
    const Wav narrow = speakToWav(dir.file("n.wav"), 12, kChinese, 0, 0);  // resampled, 8-bit
    ASSERT_TRUE(wide.ok && narrow.ok);
    ASSERT_GT(wide.seconds(), 1.0);
    const auto* w = reinterpret_cast<const qint16*>(wide.data.constData());
    EXPECT_TRUE(std::all_of(w, w + wide.data.size() / 2, [](qint16 x) { return x == 0; }));
    EXPECT_TRUE(std::all_of(narrow.data.begin(), narrow.data.end(), [](char c) { return uchar(c) == 128; }));
}

TEST(EspeakWav, PiecesInOneFormatAppendAndAFormatChangeStartsAgain)
{
    REQUIRE_ENGINE();
    testing_support::TempWorkDir dir;
    const QString path = dir.file("run.wav");
    auto voice = platform::createSpVoice(platform::createWavFileSink(path));
    voice->Speak(QStringLiteral("你好"), 0);
    const Wav one = readWav(path);
    voice->Speak(QStringLiteral("你好"), 0);
    const Wav two = readWav(path);
    ASSERT_TRUE(one.ok && two.ok);
    EXPECT_NEAR(double(two.data.size()), 2.0 * one.data.size(), kLengthJitter * one.data.size());

    voice->setAudioOutputFormatType(5);
    voice->Speak(QStringLiteral("你好"), 0);
    const Wav changed = readWav(path);
    ASSERT_TRUE(changed.ok);
    EXPECT_EQ(changed.sampleRate, 8000);
    EXPECT_EQ(changed.channels, 2);
    EXPECT_NEAR(changed.seconds(), one.seconds(), kLengthJitter * one.seconds());
}

// The program reads no environment: a variable that once sent every voice to
// one shared file makes no file.
TEST(EspeakWav, TheDefaultVoiceWritesNoFileWhateverTheEnvironmentSays)
{
    REQUIRE_ENGINE();
    testing_support::TempWorkDir dir;
    const QString path = dir.file("env.wav");
    qputenv("AURELIS_SPEECH_WAV", path.toUtf8());
    try {
        platform::createSpVoice();
    } catch (const platform::Error&) {
    }
    qunsetenv("AURELIS_SPEECH_WAV");
    EXPECT_FALSE(QFile::exists(path));
}

TEST(EspeakWav, UnwritablePathIsAnErrorNotACrash)
{
    EXPECT_THROW(platform::createWavFileSink(QStringLiteral("/nonexistent-dir/x.wav")), platform::Error);
}

// Where the reading run cuts a text, the voice pauses as espeak-ng does at
// that mark when it reads the text in one go, at every rate.
TEST(EspeakVoice, APauseAtACutLastsAsLongAsTheMarkInOneGo)
{
    REQUIRE_ENGINE();
    const QString before = QStringLiteral("今天天气很好"), after = QStringLiteral("我们一起去公园");
    // In Chinese text espeak pauses at "," only when a space follows it.
    const struct { QChar mark; QString inOneGo; } marks[] = {
        {QChar(0xFF0C), QStringLiteral("，")}, {QChar(0x3002), QStringLiteral("。")}, {QChar(u','), QStringLiteral(", ")}};
    for (int rate : {-5, 0, 5}) {
        for (const auto& m : marks) {
            SCOPED_TRACE(QStringLiteral("rate %1 mark %2").arg(rate).arg(m.mark).toStdString());
            auto cut = recordedVoice();
            auto whole = recordedVoice();
            cut->voice->setRate(rate);
            whole->voice->setRate(rate);
            cut->voice->Speak(before, 0);
            cut->voice->SpeakPause(m.mark);
            cut->voice->Speak(after, 0);
            whole->voice->Speak(before + m.inOneGo + after, 0);
            const double heard = longestInnerSilence(cut->log), own = longestInnerSilence(whole->log);
            EXPECT_GT(own, 0.04);
            // espeak's own pause varies by some 10 ms from one reading to the next.
            EXPECT_NEAR(heard, own, std::max(0.15 * own, 0.015));
        }
    }
}

// espeak-ng's Mandarin voice drops the zeros inside numbers and passes over
// circled ones: the voice hands it words, which must sound like these.
TEST(EspeakVoice, NumbersSoundAsAMandarinReaderSaysThem)
{
    REQUIRE_ENGINE();
    const QString mandarin = recordedVoice()->voice->Voice().id;
    const struct { const char* written; const char* said; bool espeakAloneMisreads; } rows[] = {
        {"2003年", "二零零三年", true},         {"105", "一百零五", true},
        {"1024", "一千零二十四", true},         {"3005", "三千零五", true},
        {"Aurelis 2003", "Aurelis 二千零三", true}, {"第１０５页", "第一百零五页", true},
        {"①和⑩", "一和十", true},              {"50%", "百分之五十", true},
        {"12.05％", "百分之十二点零五", true},  {"100500", "十万零五百", true},
        {"101000", "十万一千", false},          {"20000005", "二千万零五", true},
        {"15", "十五", false},                  {"110", "一百一十", false},
        {"0", "零", false},                     {"3.14", "三点一四", false},
        {"007", "零零七", true},                {"1.2.3", "一点二点三", false},
        {"13912345678", "一三九一二三四五六七八", true},
    };
    const QString numberWords = QStringLiteral("零一二三四五六七八九十百千万点分之");
    for (const auto& row : rows) {
        const QString written = QString::fromUtf8(row.written), said = QString::fromUtf8(row.said);
        SCOPED_TRACE(row.written);
        const platform::SpokenText spoken = platform::spellNumbersForMandarin(written);
        EXPECT_EQ(espeakPhonemes(mandarin, spoken.text), espeakPhonemes(mandarin, said));
        if (row.espeakAloneMisreads) {
            EXPECT_NE(espeakPhonemes(mandarin, written), espeakPhonemes(mandarin, said));
        }
        // The words stand where their digits stood: the map never goes back,
        // and every character kept from the original points at itself.
        ASSERT_EQ(spoken.origin.size(), spoken.text.size() + 1);
        EXPECT_EQ(spoken.origin.last(), written.size());
        EXPECT_TRUE(std::is_sorted(spoken.origin.begin(), spoken.origin.end()));
        for (int i = 0; i < spoken.text.size(); ++i) {
            if (!numberWords.contains(spoken.text[i])) {
                EXPECT_EQ(written[spoken.origin[i]], spoken.text[i]) << i;
            }
        }
    }

    // And the voice speaks them so: as long as the words, longer than espeak
    // alone (一百五, a syllable short).
    auto digits = recordedVoice(), words = recordedVoice();
    digits->voice->Speak(QStringLiteral("105"), 0);
    words->voice->Speak(QStringLiteral("一百零五"), 0);
    std::size_t alone = 0;
    platform::espeak_engine::synthesize({mandarin.toUtf8()}, QStringLiteral("105"),
                                        [&](const std::int16_t*, std::size_t n) { alone += n; });
    EXPECT_NEAR(seconds(digits->log), seconds(words->log), kLengthJitter * seconds(words->log));
    EXPECT_LT(double(alone) / platform::espeak_engine::sampleRate(), 0.9 * seconds(words->log));
}
