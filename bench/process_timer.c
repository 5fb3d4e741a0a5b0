/* Times programs from fork to exit with the monotonic clock, in interleaved
 * rounds (the order turns each round), and prints each one's median and
 * spread and its ratio to the first, the floor.
 *   usage: kelp_process_timer ROUNDS NAME PROGRAM [ARG...] \; NAME PROGRAM ... */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

enum { kMaxPrograms = 8, kMaxRounds = 1000 };

static double now(void)
{
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return (double)t.tv_sec + (double)t.tv_nsec / 1e9;
}

static int byValue(const void *a, const void *b)
{
    const double x = *(const double *)a, y = *(const double *)b;
    return (x > y) - (x < y);
}

int main(int argc, char **argv)
{
    if (argc < 4)
        return 2;
    const int rounds = atoi(argv[1]);
    if (rounds < 1 || rounds > kMaxRounds)
        return 2;
    char **programs[kMaxPrograms];
    const char *names[kMaxPrograms];
    int count = 0;
    for (int i = 2; i < argc && count < kMaxPrograms;) {
        names[count] = argv[i++];
        programs[count++] = &argv[i];
        while (i < argc && strcmp(argv[i], ";") != 0)
            ++i;
        argv[i++] = NULL; /* ends this program's arguments */
    }
    static double seconds[kMaxPrograms][kMaxRounds];
    for (int r = 0; r < rounds; ++r) {
        for (int k = 0; k < count; ++k) {
            const int p = (r + k) % count;
            const double start = now();
            const pid_t pid = fork();
            if (pid == 0) {
                if (!freopen("/dev/null", "w", stdout))
                    _exit(127);
                execvp(programs[p][0], programs[p]);
                _exit(127);
            }
            int status = 0;
            waitpid(pid, &status, 0);
            seconds[p][r] = now() - start;
            if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
                fprintf(stderr, "%s failed (status %d)\n", names[p], status);
                return 1;
            }
        }
    }
    double floor = 0;
    for (int p = 0; p < count; ++p) {
        qsort(seconds[p], (size_t)rounds, sizeof(double), byValue);
        const double median = seconds[p][rounds / 2];
        if (p == 0)
            floor = median;
        printf("%s: median %.3f ms (%.3f-%.3f), %d rounds, ratio %.2f x\n", names[p], median * 1e3,
               seconds[p][0] * 1e3, seconds[p][rounds - 1] * 1e3, rounds, median / floor);
    }
    return 0;
}
