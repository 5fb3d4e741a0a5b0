// The start-up's load of the study material and the threads it runs on: the
// load made ahead while the toolkit starts ("kelp-load-ahead"), the start's
// own ("kelp-load"), the time limit they get and their abandonment. Made in
// main and kept to its end: a load that a database holds up is never waited
// for by the process's end.
#pragma once

#include "studydb/study_load.h"

#include <QString>

#include <functional>
#include <future>
#include <memory>
#include <thread>

namespace kelp {

class StartLoader {
public:
    // Starts the load ahead for the program folder `folder` (an empty one: none).
    explicit StartLoader(const QString &folder);
    ~StartLoader();
    StartLoader(const StartLoader &) = delete;
    StartLoader &operator=(const StartLoader &) = delete;

    // The toolkit runs, in the program folder: the local file's load may begin.
    void toolkitStarted();

    enum class Outcome { Loaded, TimedOut, Abandoned };
    // The study material of a start: the load made ahead when `fits` takes
    // it, else `load` on a thread of its own. Meanwhile this thread does
    // `meanwhile`, then serves its event loop (all but the learner's input),
    // calling `slow` once the wait passes kSlowStartMs, until the load is
    // done, the time limit passes or abandon() is called. An exception of
    // the load is thrown here.
    Outcome take(const std::function<bool(const LoadAhead &)> &fits, std::function<StudyLoad()> load,
                 const std::function<void()> &meanwhile, const std::function<void()> &slow, StudyLoad &result);
    static constexpr int kSlowStartMs = 150;

    // Ends a wait in take() at once: the program is ending.
    void abandon();

    // `status`, unless a load is still under way (a database that does not
    // answer holds it): then the process ends here, with `status`.
    int finish(int status);

    // However the database behaves (a server frozen in the middle of a query
    // answers nothing, and no time-out of its own then fires), a start's
    // wait ends after this long.
    static int limitMs();

private:
    struct Shared;
    std::shared_ptr<Shared> shared_;
    std::promise<void> toolkitStarted_;
    bool toolkitStartedSaid_ = false;
};

} // namespace kelp
