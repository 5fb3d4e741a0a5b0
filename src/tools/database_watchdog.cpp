#include "tools/database_watchdog.h"

#include "platform/odbc.h"
#include "util/test_hooks.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <pthread.h>
#include <thread>

namespace kelp {

namespace {
long long nowMs()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}
} // namespace

void watchDatabase(int runLimitS)
{
    const long long started = nowMs();
    const int testLimit = kelp_test_statement_limit_ms ? kelp_test_statement_limit_ms() : 0;
    const long long statementMs = testLimit > 0 ? testLimit : kStatementLimitS * 1000LL;
    std::thread([started, statementMs, runLimitS] {
        pthread_setname_np(pthread_self(), "kelp-watchdog");
        for (;;) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            const long long now = nowMs();
            const long long call = platform::odbcCallStartedMs();
            const char *why = nullptr;
            if (call != 0 && now - call > statementMs)
                why = "the study database did not answer";
            else if (now - started > runLimitS * 1000LL)
                why = "the run took too long";
            if (!why)
                continue;
            std::fprintf(stderr, "kelpword: %s within %lld s; the command was given up, nothing half-written stays\n",
                         why, (call != 0 && now - call > statementMs ? statementMs : runLimitS * 1000LL) / 1000);
            std::fflush(nullptr);
            std::_Exit(1);
        }
    }).detach();
}

} // namespace kelp
