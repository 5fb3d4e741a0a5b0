// The toolkit's floor for the first word: a bare Qt window with three labels
// in the word window's font, one of them Chinese (so the CJK font is loaded
// too), top-most and borderless like the word window, and nothing else.
// Built a second time as the speaking floor (KELP_FLOOR_SPEAKS): once shown,
// it says its word with flite's slt voice on the sound server and prints
// "spoken" -- the least a window that speaks can hold.
#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>
#include <QWidget>

#ifdef KELP_FLOOR_SPEAKS
#include <QTimer>
#include <flite/flite.h>
#include <pulse/simple.h>

#include <cstdio>

extern "C" cst_voice *register_cmu_us_slt(const char *voxdir);

namespace {
void speak(const char *text)
{
    flite_init();
    cst_voice *voice = register_cmu_us_slt(nullptr);
    cst_wave *wave = flite_text_to_wave(text, voice);
    const pa_sample_spec format{PA_SAMPLE_S16LE, static_cast<uint32_t>(wave->sample_rate),
                                static_cast<uint8_t>(wave->num_channels)};
    if (pa_simple *stream =
            pa_simple_new(nullptr, "floor", PA_STREAM_PLAYBACK, nullptr, "word", &format, nullptr, nullptr, nullptr)) {
        pa_simple_write(stream, wave->samples, sizeof(short) * wave->num_samples * wave->num_channels, nullptr);
        pa_simple_drain(stream, nullptr);
        pa_simple_free(stream);
    }
    delete_wave(wave);
    std::printf("spoken\n");
    std::fflush(stdout);
}
} // namespace
#endif

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication app(argc, argv);
    QWidget window(nullptr, Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::Tool);
    window.setWindowTitle(QStringLiteral("Kelp Words"));
    QFont font(QStringLiteral("Arial"));
    font.setPointSize(12);
    font.setWeight(QFont::Bold);
    auto *word = new QLabel(QStringLiteral("sea"));
    auto *phonetic = new QLabel(QStringLiteral("/ siː/"));
    auto *meaning = new QLabel(QStringLiteral("n. 海"));
    auto *rows = new QVBoxLayout(&window);
    auto *top = new QHBoxLayout;
    for (QLabel *label : {word, phonetic, meaning})
        label->setFont(font);
    top->addWidget(word);
    top->addWidget(phonetic);
    rows->addLayout(top);
    rows->addWidget(meaning);
    window.resize(360, 62);
    window.show();
#ifdef KELP_FLOOR_SPEAKS
    QTimer::singleShot(0, [] { speak("sea"); });
#endif
    return QApplication::exec();
}
