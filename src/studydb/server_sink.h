// The writer's groups into a server's study tables over ODBC, in one
// transaction that locks out a second import (or a trainer's plan) until it
// ends.
#pragma once

#include "studydb/group_sink.h"
#include "studydb/study_error.h"

#include <memory>

namespace kelp::platform {
class OdbcConnection;
class OdbcTransaction;
} // namespace kelp::platform

namespace kelp {

class ServerSink final : public GroupSink {
public:
    ServerSink();
    ~ServerSink() override;

    // Connects to the data source `name` first.
    StudyResult open(const QString &name, bool makeTables, bool replace);
    // On a connection of the caller's. With `makeTables` the study tables are
    // made first (old ones dropped when `replace`), else they must be there.
    StudyResult open(platform::OdbcConnection &connection, const QString &name, bool makeTables, bool replace);

    std::optional<WordRows> storedWords(int group) override;
    bool insertGroup(int number, const QString &title, const QDate &referenceDate, int stage) override;
    bool insertWord(int group, int place, const QString &word, const QString &meaning) override;
    bool markSample(int) override { return true; } // a server's plan has no sample words
    bool mergeAnswers(const AnswerLog &log) override;
    StudyResult commit() override;
    void rollback() override;

private:
    StudyResult start(bool makeTables, bool replace);
    bool readTitles();

    std::unique_ptr<platform::OdbcConnection> ownConnection_;
    platform::OdbcConnection *server_ = nullptr;
    std::unique_ptr<platform::OdbcTransaction> transaction_;
    QString name_;
};

} // namespace kelp
