// What an operation on the study database says when it fails: what kind of
// failure, for a caller that acts on it, and the words to show the learner.
#pragma once

#include <QString>

#include <optional>
#include <utility>
#include <variant>

namespace kelp {

struct StudyError {
    enum class Code {
        Failed,      // the database or its driver refused; `text` says why
        Conflict,    // the rows are no longer as they were read: read again
        NewerSchema, // written by a newer program: nothing was written
        NoWordFile,  // the word file is not there; `text` names where it was looked for
        UnreadableWordFile,
    };

    StudyError() = default;
    // A message is a failure of its own: the common case reads as one.
    StudyError(QString message, Code kind = Code::Failed, int driverStatus = -1)
        : code(kind), text(std::move(message)), status(driverStatus)
    {
    }

    Code code = Code::Failed;
    QString text;
    int status = -1; // the driver's status, where one said no
};

// Nothing on success, else what failed.
using StudyResult = std::optional<StudyError>;

// A value on success, else what failed.
template <class T>
class StudyExpected {
public:
    StudyExpected(T value) : state_(std::move(value)) {}
    StudyExpected(StudyError error) : state_(std::move(error)) {}

    explicit operator bool() const { return state_.index() == 0; }
    T &operator*() { return std::get<0>(state_); }
    const T &operator*() const { return std::get<0>(state_); }
    T *operator->() { return &std::get<0>(state_); }
    const T *operator->() const { return &std::get<0>(state_); }
    const StudyError &error() const { return std::get<1>(state_); }

private:
    std::variant<T, StudyError> state_;
};

} // namespace kelp
