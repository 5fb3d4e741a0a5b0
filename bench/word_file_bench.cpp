// Loading a 1,000,000-line word file against a plain C++ program that reads
// the same file and splits it into lines and "#" fields, interleaved round by
// round in one run. Each run is a forked child of its own, so that its peak
// resident memory (wait4's ru_maxrss) is its own.
//
//   usage: kelp_bench_wordfile [rounds] [lines]   (21 rounds, 1,000,000 lines)
//
// Bytes per line beyond the file: (resident after the load - resident before
// it) / lines - file bytes / lines; resident from /proc/self/statm.
#include "config/codec.h"
#include "study/text_loader.h"
#include "word_file.h"

#include <QByteArray>
#include <QString>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

namespace {

struct Run {
    double ms = 0;
    double peakKib = 0;   // the child's peak resident memory
    double beforeKib = 0; // resident just before the timed part
    double afterKib = 0;  // resident just after it
    long items = 0;       // rows loaded or fields split, to check the work
};

double nowMs()
{
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

double residentKib()
{
    long pages = 0, resident = 0;
    if (FILE *f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2)
            resident = 0;
        std::fclose(f);
    }
    return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE)) / 1024.0;
}

// The floor: the file into a std::string, split with std::string_view.
long plainSplit(const std::string &path, std::string &data)
{
    std::ifstream in(path, std::ios::binary);
    in.seekg(0, std::ios::end);
    const auto size = static_cast<size_t>(in.tellg());
    in.seekg(0);
    data.assign(size, '\0');
    in.read(data.data(), static_cast<std::streamsize>(size));
    const std::string_view all(data);
    long fields = 0;
    size_t chars = 0;
    size_t pos = 0;
    while (pos < all.size()) {
        size_t end = all.find('\n', pos);
        const size_t next = end == std::string_view::npos ? all.size() : end + 1;
        if (end == std::string_view::npos)
            end = all.size();
        std::string_view line = all.substr(pos, end - pos);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        for (size_t start = 0;;) {
            const size_t hash = line.find('#', start);
            const std::string_view field =
                line.substr(start, hash == std::string_view::npos ? line.npos : hash - start);
            ++fields;
            chars += field.size();
            if (hash == std::string_view::npos)
                break;
            start = hash + 1;
        }
        pos = next;
    }
    return fields + static_cast<long>(chars % 2);
}

// Runs `work` in a child: it fills in the time, the resident memory around
// its timed part and the items; the peak comes from wait4, the rest back
// through a pipe.
template <typename Work>
Run inChild(Work work)
{
    int fds[2];
    if (pipe(fds) != 0)
        std::exit(2);
    const pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        Run r;
        work(r);
        const ssize_t written = write(fds[1], &r, sizeof r);
        _exit(written == static_cast<ssize_t>(sizeof r) ? 0 : 1);
    }
    close(fds[1]);
    Run r;
    const ssize_t got = read(fds[0], &r, sizeof r);
    close(fds[0]);
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    if (got != static_cast<ssize_t>(sizeof r) || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "a run failed\n");
        std::exit(1);
    }
    r.peakKib = static_cast<double>(usage.ru_maxrss);
    return r;
}

// Times `step`, which returns its items, taking the resident memory around
// it while what it made is still held.
template <typename Step>
void measure(Run &r, Step step)
{
    r.beforeKib = residentKib();
    const double start = nowMs();
    r.items = step();
    r.ms = nowMs() - start;
    r.afterKib = residentKib();
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

struct Spread {
    double median, min, max;
};

template <typename Of>
Spread spread(const std::vector<Run> &runs, Of of)
{
    std::vector<double> v;
    v.reserve(runs.size());
    for (const Run &r : runs)
        v.push_back(of(r));
    return {median(v), *std::min_element(v.begin(), v.end()), *std::max_element(v.begin(), v.end())};
}

} // namespace

int main(int argc, char **argv)
{
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 21;
    const int lines = argc > 2 ? std::max(1, std::atoi(argv[2])) : 1000000;
    char dirTemplate[] = "/tmp/kelp-wordfile.XXXXXX";
    if (!mkdtemp(dirTemplate))
        return 2;
    const std::string path = std::string(dirTemplate) + "/words.txt";
    // Written in a child, so that the parent stays small: every child starts
    // from the parent's resident pages.
    inChild([&](Run &) { writeWordFile(path, lines); });
    struct stat st {};
    stat(path.c_str(), &st);
    const double fileBytes = static_cast<double>(st.st_size);
    const QString qpath = QString::fromStdString(path);

    std::string data; // the floor's file, held until its figures are taken
    const auto floorRun = [&] { return inChild([&](Run &r) { measure(r, [&] { return plainSplit(path, data); }); }); };
    const auto loadRun = [&] {
        return inChild([&](Run &r) {
            kelp::WordBuffer buffer;
            measure(r, [&] {
                kelp::loadWordFile(qpath, buffer);
                return buffer.rowCount();
            });
        });
    };
    floorRun(); // the file in the page cache, the code paged in
    loadRun();
    std::vector<Run> floor, load;
    for (int i = 0; i < rounds; ++i) {
        // The order turns each round, so that neither always follows the other.
        if (i % 2 == 0) {
            floor.push_back(floorRun());
            load.push_back(loadRun());
        } else {
            load.push_back(loadRun());
            floor.push_back(floorRun());
        }
    }
    std::remove(path.c_str());
    rmdir(dirTemplate);

    const Spread ft = spread(floor, [](const Run &r) { return r.ms; });
    const Spread lt = spread(load, [](const Run &r) { return r.ms; });
    const Spread fp = spread(floor, [](const Run &r) { return r.peakKib / 1024; });
    const Spread lp = spread(load, [](const Run &r) { return r.peakKib / 1024; });
    const Spread la = spread(load, [](const Run &r) { return r.afterKib / 1024; });
    const Spread lb = spread(load, [](const Run &r) { return r.beforeKib / 1024; });
    // Peak over the resident size after the load, both whole and counting
    // only what the load added.
    const Spread peakOverLoaded = spread(load, [](const Run &r) { return r.peakKib / r.afterKib; });
    const Spread addedPeak =
        spread(load, [](const Run &r) { return (r.peakKib - r.beforeKib) / (r.afterKib - r.beforeKib); });
    const double perLineFile = fileBytes / lines;
    const Spread perLine =
        spread(load, [&](const Run &r) { return (r.afterKib - r.beforeKib) * 1024 / lines - perLineFile; });

    std::printf("file: %d lines, %.1f MiB (%.1f bytes a line), %d rounds, %ld rows loaded\n", lines,
                fileBytes / (1024 * 1024), perLineFile, rounds, load.front().items);
    std::printf("floor (ifstream + string_view split) time:   %7.1f ms   (%.1f-%.1f)\n", ft.median, ft.min, ft.max);
    std::printf("loadWordFile time:                            %7.1f ms   (%.1f-%.1f)\n", lt.median, lt.min, lt.max);
    std::vector<double> roundRatios;
    for (size_t i = 0; i < load.size(); ++i)
        roundRatios.push_back(load[i].ms / floor[i].ms);
    std::printf("time ratio, load / floor (medians):           %7.2f x    (round by round %.2f-%.2f)\n",
                lt.median / ft.median, *std::min_element(roundRatios.begin(), roundRatios.end()),
                *std::max_element(roundRatios.begin(), roundRatios.end()));
    std::printf("floor peak memory:                            %7.1f MiB  (%.1f-%.1f)\n", fp.median, fp.min, fp.max);
    std::printf("loadWordFile peak memory:                     %7.1f MiB  (%.1f-%.1f)\n", lp.median, lp.min, lp.max);
    std::printf("resident before / after the load:            %7.1f / %.1f MiB (after %.1f-%.1f)\n", lb.median,
                la.median, la.min, la.max);
    std::printf("peak / resident after the load:               %7.2f x    (%.2f-%.2f)\n", peakOverLoaded.median,
                peakOverLoaded.min, peakOverLoaded.max);
    std::printf("peak / loaded, counting only what it added:   %7.2f x    (%.2f-%.2f)\n", addedPeak.median,
                addedPeak.min, addedPeak.max);
    std::printf("bytes a line beyond the file's own:           %7.1f      (%.1f-%.1f)\n", perLine.median, perLine.min,
                perLine.max);
    return 0;
}
