// Loading a large word text file into the word buffer.
#include "config/codec.h"
#include "study/text_loader.h"
#include "word_file.h"

#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

// A word file of `lines` lines in GBK, with a title line every 20 lines.
QString makeWordFile(const QTemporaryDir &dir, int lines)
{
    const QString path = dir.filePath(QStringLiteral("big.txt"));
    writeWordFile(path.toStdString(), lines);
    return path;
}

void BM_TxtLoad100k(benchmark::State &state)
{
    QTemporaryDir dir;
    const QString path = makeWordFile(dir, static_cast<int>(state.range(0)));
    for (auto _ : state) {
        kelp::WordBuffer buf;
        kelp::loadWordFile(path, buf);
        benchmark::DoNotOptimize(buf.rowCount());
    }
}
BENCHMARK(BM_TxtLoad100k)->Arg(100000)->Unit(benchmark::kMillisecond);

// The same file without title lines: numbered headers every ten words.
void BM_TxtLoad100kNoTitles(benchmark::State &state)
{
    QTemporaryDir dir;
    QString text;
    for (int i = 0; i < 100000; ++i)
        text += QStringLiteral("word%1#n. 单词%1\r\n").arg(i);
    const QString path = dir.filePath(QStringLiteral("plain.txt"));
    QFile f(path);
    if (f.open(QIODevice::WriteOnly))
        f.write(kelp::codec::toGb18030(text));
    f.close();
    for (auto _ : state) {
        kelp::WordBuffer buf;
        kelp::loadWordFile(path, buf);
        benchmark::DoNotOptimize(buf.rowCount());
    }
}
BENCHMARK(BM_TxtLoad100kNoTitles)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
