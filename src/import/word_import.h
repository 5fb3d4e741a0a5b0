// Importing word lists written by other programs into the study database.
// The format is recognised from the content, not the file name.
#pragma once

#include <QString>

#include <vector>

namespace kelp {
struct StudyGroup;
}

namespace kelp::import {

enum class Format { Unknown, HashWords, Csv, Tsv, AnkiText, AnkiPackage, Kvtml };

QString formatName(Format format);

// What the first bytes of a file say it is; `reason` says why when Unknown.
Format detectFormat(const QString &path, QString *reason);

struct ImportReport {
    bool ok = false;
    int groups = 0;
    int words = 0;
    Format format = Format::Unknown; // what the file was read as
    QString line;                    // one line for the learner: what was added, skipped, or why nothing
};

struct ImportOptions {
    int groupSize = 0;        // words a group at most: every group when set, else 10 for untitled words
    QString columns;          // "word,phonetic,meaning": a delimited file's columns, in order
    bool again = false;       // write groups the database holds already all the same
    QString dataSource;       // an ODBC data source (a server) instead of the database file
    bool markSamples = false; // the sample words: a study plan introduces them after the learner's own
    // Tests: the groups go here, as they would be written, and no database is touched.
    std::vector<StudyGroup> *inMemory = nullptr;
};

// Adds the file's words to `database` (made when missing) as new groups after
// the last one. One transaction: a file that fails adds nothing. A group the
// database holds already (title and words, in order) is skipped and counted.
ImportReport importWordFile(const QString &path, const QString &database, const ImportOptions &options);

inline ImportReport importWordFile(const QString &path, const QString &database, int groupSize,
                                   const QString &dataSource = QString())
{
    ImportOptions options;
    options.groupSize = groupSize;
    options.dataSource = dataSource;
    return importWordFile(path, database, options);
}

} // namespace kelp::import
