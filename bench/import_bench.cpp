// "kelpword import" of 100,000 CSV rows against the sqlite3 shell's .import of
// the same rows, already shaped, into the same tables and index: each a
// process of its own, from exec to exit, in interleaved rounds.
//   usage: kelp_bench_import KELPWORD-STUDY [ROUNDS] [OTHER-KELPWORD-STUDY]
// The optional second program (an older build) is timed in the same rounds.
#include "studydb/schema.h"

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

double now()
{
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec + t.tv_nsec / 1e9;
}

// Seconds from fork to the child's exit; negative when it failed.
double run(const std::vector<std::string> &argv)
{
    std::vector<char *> args;
    for (const std::string &a : argv)
        args.push_back(const_cast<char *>(a.c_str()));
    args.push_back(nullptr);
    const double start = now();
    const pid_t pid = fork();
    if (pid == 0) {
        if (!freopen("/dev/null", "w", stdout))
            _exit(127);
        execvp(args[0], args.data());
        _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    const double seconds = now() - start;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? seconds : -1;
}

struct Figures {
    std::vector<double> seconds;
    double median() const
    {
        std::vector<double> v = seconds;
        std::sort(v.begin(), v.end());
        return v[v.size() / 2];
    }
    double min() const { return *std::min_element(seconds.begin(), seconds.end()); }
    double max() const { return *std::max_element(seconds.begin(), seconds.end()); }
};

} // namespace

int main(int argc, char **argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s KELPWORD-STUDY [ROUNDS] [OTHER-KELPWORD-STUDY]\n", argv[0]);
        return 2;
    }
    const std::string study = argv[1];
    const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 21;
    const std::string other = argc > 3 ? argv[3] : std::string();
    namespace fs = std::filesystem;
    char pattern[] = "/tmp/kelp-import-bench.XXXXXX";
    if (!mkdtemp(pattern))
        return 1;
    const fs::path dir = pattern;
    constexpr int kRows = 100000;
    {
        std::ofstream csv(dir / "words.csv", std::ios::binary), shaped(dir / "shaped.csv", std::ios::binary),
            schema(dir / "schema.sql", std::ios::binary);
        csv << "word,meaning,phonetic\n";
        for (int i = 0; i < kRows; ++i) {
            const std::string n = std::to_string(i);
            csv << "word" << n << ",\"n. 意思, 第" << n << "个\",/wɜːd/\n";
            // As the import stores it: group, word, "/transcription/ meaning", place.
            shaped << i / 10 + 1 << ",word" << n << ",\"/wɜːd/ n. 意思, 第" << n << "个\"," << i % 10 + 1 << "\n";
        }
        schema << kelp::kLocalStudyTables << "\n";
    }
    const std::string floorDb = (dir / "floor.db").string();
    const auto floorRun = [&] {
        fs::remove(floorDb);
        return run({"sqlite3", floorDb, ".read " + (dir / "schema.sql").string(),
                    ".import --csv " + (dir / "shaped.csv").string() + " fb"});
    };
    const auto importRun = [&](const std::string &program, const char *folder) {
        fs::remove_all(dir / folder);
        fs::create_directory(dir / folder);
        return run({program, "import", "--folder", (dir / folder).string(), (dir / "words.csv").string()});
    };
    Figures floor, ours, older;
    floorRun(); // warm the file cache and the programs
    importRun(study, "ours");
    for (int i = 0; i < rounds; ++i) {
        // The order turns each round, so that neither always runs after the other.
        for (int k = 0; k < 3; ++k) {
            switch ((i + k) % 3) {
            case 0: floor.seconds.push_back(floorRun()); break;
            case 1: ours.seconds.push_back(importRun(study, "ours")); break;
            default:
                if (!other.empty())
                    older.seconds.push_back(importRun(other, "older"));
            }
        }
    }
    for (const Figures *f : {&floor, &ours, &older}) {
        if (!f->seconds.empty() && f->min() < 0) {
            std::fprintf(stderr, "a run failed\n");
            return 1;
        }
    }
    std::printf("import of %d CSV rows, %d rounds, median (min-max):\n", kRows, rounds);
    std::printf("  floor, sqlite3 .import of the shaped rows: %.3f s (%.3f-%.3f)\n", floor.median(), floor.min(),
                floor.max());
    std::printf("  kelpword import:                          %.3f s (%.3f-%.3f), ratio %.2f x (target 1.5)\n",
                ours.median(), ours.min(), ours.max(), ours.median() / floor.median());
    if (!older.seconds.empty())
        std::printf(
            "  the other build's import:                 %.3f s (%.3f-%.3f), ratio %.2f x; this build %.2f x it\n",
            older.median(), older.min(), older.max(), older.median() / floor.median(), ours.median() / older.median());
    fs::remove_all(dir);
    return 0;
}
