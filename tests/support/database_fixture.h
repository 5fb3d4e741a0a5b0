// A study database built directly with SQLite for the tests, and an ODBC
// user data-source file of the test's own.
#pragma once

#include <QDate>
#include <QString>
#include <QTemporaryDir>

#include <sqlite3.h>

#include <string>

namespace kelp::test {

// Points unixODBC's user data-source file into a temporary folder for the
// whole test program (it must not touch the user's own file).
const QString &odbcIniPath();

class StudyDb {
public:
    explicit StudyDb(const QString &path);
    ~StudyDb();
    void exec(const std::string &sql);
    void group(int xh, const QString &bt, const QDate &sj, int cs);
    void word(int xh, const QString &da, const QString &meaning, int xh1);
    const QString &path() const { return path_; }

private:
    QString path_;
    sqlite3 *db_ = nullptr;
};

} // namespace kelp::test
