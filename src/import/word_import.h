// Importing word lists written by other programs into the study database.
// The format is recognised from the content, not the file name.
#pragma once

#include <QString>

namespace kelp::import {

enum class Format { Unknown, HashWords, Csv, Tsv, AnkiText, AnkiPackage, Kvtml };

QString formatName(Format format);

// What the first bytes of a file say it is; `reason` says why when Unknown.
Format detectFormat(const QString &path, QString *reason);

struct ImportReport {
    bool ok = false;
    int groups = 0;
    int words = 0;
    QString line; // one line for the learner: what was added, skipped, or why nothing
};

// Adds the file's words to `database` (made when missing) as new groups after
// the last one; words without a group of their own go in groups of `groupSize`.
// One transaction: a file that fails adds nothing. With `dataSource` the
// words go to that ODBC data source (a server) instead of `database`.
ImportReport importWordFile(const QString &path, const QString &database, int groupSize,
                            const QString &dataSource = QString());

} // namespace kelp::import
