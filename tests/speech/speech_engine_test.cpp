// The speech engine and the pronunciation against a real sound server of the
// test's own: outputs, voices, where the sound goes, when waiting ends, how
// fast a purge cuts, recordings and the event sound.
#include "config/settings.h"
#include "sound/audio.h"
#include "sound/sound_queue.h"
#include "speech/pronouncer.h"
#include "speech/speech_engine.h"
#include "speech_module/synthesis_engine.h"
#include "support/pulse_server.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <cmath>

#include <gtest/gtest.h>

using namespace kelp;

namespace {

struct WithServer : ::testing::Test {
    test::PulseServer server;
    void SetUp() override { ASSERT_TRUE(server.isRunning()) << "no PulseAudio server could be started"; }
};

int outputIndex(SpeechEngine &engine, const QString &name)
{
    for (int i = 0; i < engine.audioOutputCount(); ++i)
        if (engine.audioOutput(i).name == name)
            return i;
    return -1;
}

} // namespace

TEST_F(WithServer, ListsOutputsAndVoicesBestFirst)
{
    SynthesisEngine engine;
    ASSERT_EQ(engine.audioOutputCount(), 2);
    QStringList outputs;
    for (int i = 0; i < 2; ++i)
        outputs << engine.audioOutput(i).description;
    outputs.sort();
    EXPECT_EQ(outputs, (QStringList{"Headset", "Speakers"}));
    ASSERT_GE(engine.voiceCount(), 6);
    QStringList first;
    for (int i = 0; i < 5; ++i)
        first << engine.voice(i).id;
    EXPECT_EQ(first, (QStringList{"slt", "rms", "awb", "kal16", "kal"}));
    EXPECT_TRUE(engine.voice(5).id.startsWith("gmw/en"));
    EXPECT_TRUE(engine.voice(0).description.contains("female"));
    // Out of range is a failed property access.
    try {
        engine.voice(engine.voiceCount());
        ADD_FAILURE() << "no error for a voice out of range";
    } catch (const SpeechError &e) {
        EXPECT_EQ(e.kind(), SpeechError::Kind::Property);
    }
    EXPECT_THROW(engine.setAudioOutput(2), SpeechError);
}

TEST_F(WithServer, SpeechGoesToTheChosenOutputAndWaitingLastsAsLongAsTheWord)
{
    SynthesisEngine engine;
    engine.setVoice(0);
    const int headset = outputIndex(engine, "headset");
    ASSERT_GE(headset, 0);
    engine.setAudioOutput(headset);
    const qint64 wordMs = engine.synthesize(engine.voice(0), "seaside").durationMs();
    test::MonitorRecorder onHeadset("headset");
    test::MonitorRecorder onSpeakers("speakers");
    QElapsedTimer clock;
    clock.start();
    engine.speak("seaside", SpeechEngine::Async);
    EXPECT_TRUE(engine.waitUntilDone(-1));
    EXPECT_GE(clock.elapsed(), wordMs - 20) << "returned before the last sample was played";
    EXPECT_GT(test::loudBlocks(onHeadset.stop()), 10);
    EXPECT_EQ(test::loudBlocks(onSpeakers.stop()), 0);
}

TEST_F(WithServer, PurgeCutsAtOnce)
{
    SynthesisEngine engine;
    engine.setVoice(0);
    const char *sentence = "a long sentence that takes a few seconds to say from the beginning to the end";
    const qint64 sentenceMs = engine.synthesize(engine.voice(0), sentence).durationMs();
    ASSERT_GT(sentenceMs, 3000);
    test::MonitorRecorder recording("speakers");
    engine.speak(sentence, SpeechEngine::Async);
    QThread::msleep(300);
    // Cut, not played to its end: what reaches the output is a small part of it.
    engine.speak(" ", SpeechEngine::Purge);
    EXPECT_TRUE(engine.waitUntilDone(-1));
    QThread::msleep(sentenceMs); // as long as the rest would have sounded
    EXPECT_LT(test::loudBlocks(recording.stop()), sentenceMs / 10 / 2);
}

TEST_F(WithServer, ASoundHandedOnWhileItIsMadeIsPlayedWholeAndOnce)
{
    sound::Pcm tone; // one second
    for (int i = 0; i < 16000; ++i)
        tone.samples.push_back(static_cast<std::int16_t>(8000 * std::sin(i * 2 * M_PI * 440 / 16000)));
    test::MonitorRecorder recording("speakers");
    sound::SoundQueue queue([](const sound::SoundQueue::Result &) {});
    // Its first part early, a pause as a slow voice makes, a second part,
    // and the rest only in the whole returned at the end.
    queue.submit(
        [&tone](sound::EarlySamples &early) -> std::optional<sound::Pcm> {
            EXPECT_TRUE(early.wanted());
            early.add(tone.samples.data(), 6400, tone.rate, 1);
            QThread::msleep(150);
            early.add(tone.samples.data() + 6400, 3200, tone.rate, 1);
            return tone;
        },
        QString());
    ASSERT_TRUE(queue.waitIdle(10000));
    // What the null output still holds comes late: until nothing more comes.
    const int blocks = recording.waitForLoud(90, 500);
    EXPECT_GE(blocks, 90) << "samples were lost";
    EXPECT_LE(blocks, 110) << "samples were played twice";
}

TEST_F(WithServer, PronouncerSpeaksRecordingsAndFallsBackToTheEventSound)
{
    QTemporaryDir folder;
    QDir(folder.path()).mkpath("wav/s");
    // A recording of our own for "sea", made with espeak-ng.
    ASSERT_EQ(QProcess::execute("espeak-ng", {"-w", folder.filePath("wav/s/sea.wav"), "sea"}), 0);
    Settings settings;
    settings.voice = 1;
    settings.audioOutput = 2;
    Pronouncer pronouncer(settings, folder.path());
    pronouncer.initialise();
    ASSERT_EQ(settings.voice, 1);
    const QString second = pronouncer.engine()->audioOutput(1).name;

    test::MonitorRecorder recording(second);
    EXPECT_FALSE(pronouncer.pronounce("sea")); // a recording is played, not spoken
    EXPECT_GT(recording.waitForLoud(6), 5);

    // Speech failed at start-up and no recording: the desktop's event
    // sound, on the chosen output too.
    settings.voice = -4;
    test::MonitorRecorder bell(second);
    pronouncer.pronounce("ocean");
    EXPECT_GT(bell.waitForLoud(1), 0) << "no event sound was heard";
}

TEST_F(WithServer, StartUpCodes)
{
    QTemporaryDir folder;
    Settings settings;
    settings.voice = 0; // not a voice number
    Pronouncer pronouncer(settings, folder.path());
    pronouncer.initialise();
    EXPECT_EQ(settings.voice, -4);
    settings.voice = 999;
    Pronouncer again(settings, folder.path());
    again.initialise();
    EXPECT_EQ(settings.voice, -4);
}

TEST(WithoutServer, NoAudioOutputMeansCodeMinusThree)
{
    QTemporaryDir nowhere;
    const QByteArray saved = qgetenv("XDG_RUNTIME_DIR");
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(nowhere.path()));
    qputenv("PULSE_SERVER", "unix:" + QFile::encodeName(nowhere.filePath("none")));
    Settings settings;
    settings.voice = 2;
    Pronouncer pronouncer(settings, nowhere.path());
    pronouncer.initialise();
    EXPECT_EQ(settings.voice, -3);
    pronouncer.pronounce("sea"); // nothing to play it on: silently nothing
    qunsetenv("PULSE_SERVER");
    qputenv("XDG_RUNTIME_DIR", saved);
}

TEST(Recordings, WhatAFileDeclaresCostsNoMoreThanAWordMay)
{
    QTemporaryDir dir;
    // Over a minute of silence: small as FLAC, cut where a word must end.
    const QString longOne = dir.filePath("long.flac");
    ASSERT_EQ(QProcess::execute("sox", {"-q", "-n", "-r", "48000", "-c", "1", longOne, "trim", "0", "70"}), 0);
    QString error;
    const std::optional<sound::Pcm> pcm = sound::readSoundFile(longOne, &error);
    ASSERT_TRUE(pcm) << qPrintable(error);
    EXPECT_EQ(static_cast<qint64>(pcm->samples.size()), sound::kMaxRecordingSamples);
    // More channels than any recording of a word has: refused with a reason.
    const QString wide = dir.filePath("wide.wav");
    ASSERT_EQ(QProcess::execute("sox", {"-q", "-n", "-r", "8000", "-c", "9", wide, "trim", "0", "0.1"}), 0);
    EXPECT_FALSE(sound::readSoundFile(wide, &error));
    EXPECT_TRUE(error.contains("9 channels")) << qPrintable(error);
}

TEST(RecordingPath, BothRootsBothCandidatesAndUnusableWords)
{
    QTemporaryDir dir;
    const QString prog = dir.filePath("prog");
    QDir().mkpath(prog + "/wav/s");
    QDir().mkpath(dir.filePath("rec/s"));
    QFile(prog + "/wav/sea.wav").open(QIODevice::WriteOnly);
    QFile(prog + "/wav/s/sea.wav").open(QIODevice::WriteOnly);
    QFile(dir.filePath("rec/s/sea.wav")).open(QIODevice::WriteOnly);
    // Program folder: the direct file first, else the first-character folder.
    EXPECT_EQ(recordingPath(".wav", "sea", "/wav/", "", prog), prog + "/wav/sea.wav");
    EXPECT_EQ(recordingPath(".wav", "sun", "/wav/", "", prog), prog + "/wav/s/sun.wav");
    // A configured root has no wav level of its own.
    EXPECT_EQ(recordingPath(".wav", "sea", "/wav/", dir.filePath("rec"), prog), dir.filePath("rec/s/sea.wav"));
    EXPECT_EQ(recordingPath(".wav", "海", "/wav/", dir.filePath("rec"), prog), dir.filePath("rec/海/海.wav"));
    // Recordings named on Windows: found whatever their case, where none is there as written.
    EXPECT_EQ(recordingPath(".wav", "Sea", "/wav/", dir.filePath("rec"), prog), dir.filePath("rec/s/sea.wav"));
    QDir().mkpath(dir.filePath("rec/T"));
    QFile(dir.filePath("rec/T/Tree.WAV")).open(QIODevice::WriteOnly);
    EXPECT_EQ(recordingPath(".wav", "tree", "/wav/", dir.filePath("rec"), prog), dir.filePath("rec/T/Tree.WAV"));
    for (const QString &word : {QString("a/b"), QString(".."), QString("."), QString(""), QString("x") + QChar(0)})
        EXPECT_FALSE(recordingPath(".wav", word, "/wav/", "", prog).has_value()) << qPrintable(word);
    EXPECT_EQ(recordingPath(".wav", "../x", "/wav/", "", prog), std::nullopt);
}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
