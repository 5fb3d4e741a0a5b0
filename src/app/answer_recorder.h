// Keeps the learner's answers in the study database on a thread of its own
// ("kelp-answers"): a frozen server or a locked file never stops the word
// window. An answer that cannot be written yet stays queued, in order, and
// is tried again with the next one and every half minute.
#pragma once

#include "config/program_folder.h"
#include "config/settings.h"
#include "memory/word_memory.h"
#include "studydb/grade_store.h"

#include <memory>

namespace kelp {

class AnswerRecorder {
public:
    AnswerRecorder(const ProgramFolder &folder, const Settings &settings, double desiredRetention);
    // Waits a few seconds for what is queued; what is still not written then
    // is said on stderr.
    ~AnswerRecorder();

    void record(const Answer &answer);

    struct Shared;

private:
    std::shared_ptr<Shared> shared_;
};

} // namespace kelp
