// Preloaded into the trainer by end-to-end tests (LD_PRELOAD): its test
// hooks, set from the environment of the test.
#include <cstdlib>

#include <dlfcn.h>

struct _XDisplay;

extern "C" {

const char *kelp_test_error_at()
{
    return std::getenv("KELPWORD_TEST_ERROR");
}

int kelp_test_load_limit_ms()
{
    const char *ms = std::getenv("KELPWORD_LOAD_LIMIT_MS");
    return ms ? std::atoi(ms) : 0;
}

int kelp_test_speech_failure_ms()
{
    const char *ms = std::getenv("KELPWORD_SPEECH_FAILURE_MS");
    return ms ? std::atoi(ms) : 0;
}

int kelp_test_statement_limit_ms()
{
    const char *ms = std::getenv("KELPWORD_STATEMENT_LIMIT_MS");
    return ms ? std::atoi(ms) : 0;
}

// KELPWORD_TEST_DISPLAY_GONE: the display goes away between the program's own
// check (which does not use Xlib) and the toolkit's connection (which does).
_XDisplay *XOpenDisplay(const char *name)
{
    if (std::getenv("KELPWORD_TEST_DISPLAY_GONE"))
        return nullptr;
    using Open = _XDisplay *(*)(const char *);
    static const auto real = reinterpret_cast<Open>(::dlsym(RTLD_NEXT, "XOpenDisplay"));
    return real ? real(name) : nullptr;
}
}
