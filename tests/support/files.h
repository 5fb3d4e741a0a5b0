// Files for the tests: whole-file reads and writes, and a temporary program
// folder laid out as the trainer expects one.
#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

namespace kelp::test {

QByteArray readAll(const QString &path);
// Replaces the file's contents; false when it could not be written.
bool writeAll(const QString &path, const QByteArray &data);
// Writes `text` as GB18030, the encoding files from Windows installations have.
bool writeGbk(const QString &path, const QString &text);

class ProgramFolder {
public:
    ProgramFolder(); // with an empty data folder
    QString path() const { return dir_.path(); }
    QString filePath(const QString &name) const { return dir_.filePath(name); }
    // The value of `key` in the settings file, as it stands there; null when missing.
    QString setting(const QString &key) const;

private:
    QTemporaryDir dir_;
};

} // namespace kelp::test
