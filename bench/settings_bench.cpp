// Opening the settings window: building it, the open sequence with the
// voice and output lists, and showing it (offscreen).
#include "config/settings.h"
#include "settings/settings_window.h"
#include "speech/speech_engine.h"
#include "speech_module/synthesis_engine.h"

#include <QApplication>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

void openSettingsWindow(benchmark::State &state)
{
    QTemporaryDir folder;
    kelp::SettingsFile file(folder.filePath("wkcfg.ini"));
    file.write(kelp::keys::firstRun, "false");
    kelp::Settings settings = kelp::Settings::load(file);
    kelp::SynthesisEngine engine;
    for (auto _ : state) {
        auto *window = new kelp::SettingsWindow(settings, file, &engine, folder.path(), {});
        window->show();
        benchmark::DoNotOptimize(window->open());
        QCoreApplication::processEvents();
        delete window;
    }
}
BENCHMARK(openSettingsWindow)->Unit(benchmark::kMillisecond)->Repetitions(9)->ReportAggregatesOnly(true);

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
