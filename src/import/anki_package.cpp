#include "import/readers.h"

#include <QFile>
#include <QTemporaryFile>

#include <sqlite3.h>
#include <zip.h>

#include <memory>

namespace kelp::import {

namespace {
constexpr zip_uint64_t kMaxCollectionBytes = 512ull * 1024 * 1024;

struct ZipCloser {
    void operator()(zip_t *z) const { zip_discard(z); }
};
struct ZipFileCloser {
    void operator()(zip_file_t *f) const { zip_fclose(f); }
};
} // namespace

std::optional<QString> readAnkiPackage(const QString &path, StudyWriter &writer)
{
    int zipError = 0;
    std::unique_ptr<zip_t, ZipCloser> archive(zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY, &zipError));
    if (!archive) {
        zip_error_t e;
        zip_error_init_with_code(&e, zipError);
        const QString why = QString::fromUtf8(zip_error_strerror(&e));
        zip_error_fini(&e);
        return QStringLiteral("a broken zip: %1").arg(why);
    }
    // Newer packages keep the notes in collection.anki21 (older ones beside a stub anki2).
    zip_int64_t index = zip_name_locate(archive.get(), "collection.anki21", 0);
    if (index < 0)
        index = zip_name_locate(archive.get(), "collection.anki2", 0);
    if (index < 0) {
        if (zip_name_locate(archive.get(), "collection.anki21b", 0) >= 0)
            return QStringLiteral("an Anki package in the newest format only (export it with "
                                  "\"Support older Anki versions\")");
        return QStringLiteral("a zip without an Anki collection");
    }
    zip_stat_t stat;
    if (zip_stat_index(archive.get(), static_cast<zip_uint64_t>(index), 0, &stat) != 0 ||
        stat.size > kMaxCollectionBytes)
        return QStringLiteral("an Anki collection over 512 MB");
    QTemporaryFile collection;
    if (!collection.open())
        return QStringLiteral("no temporary file for the collection: %1").arg(collection.errorString());
    {
        std::unique_ptr<zip_file_t, ZipFileCloser> entry(
            zip_fopen_index(archive.get(), static_cast<zip_uint64_t>(index), 0));
        if (!entry)
            return QStringLiteral("the collection cannot be unpacked: %1")
                .arg(QString::fromUtf8(zip_strerror(archive.get())));
        char buffer[65536];
        zip_int64_t n;
        while ((n = zip_fread(entry.get(), buffer, sizeof buffer)) > 0) {
            if (collection.write(buffer, n) != n)
                return QStringLiteral("the collection cannot be unpacked: %1").arg(collection.errorString());
        }
        if (n < 0)
            return QStringLiteral("the collection cannot be unpacked: %1")
                .arg(QString::fromUtf8(zip_file_strerror(entry.get())));
    }
    collection.flush();

    sqlite3 *db = nullptr;
    std::optional<QString> result;
    sqlite3_stmt *notes = nullptr;
    if (sqlite3_open_v2(QFile::encodeName(collection.fileName()).constData(), &db, SQLITE_OPEN_READONLY, nullptr) !=
            SQLITE_OK ||
        sqlite3_prepare_v2(db, "select flds from notes order by id", -1, &notes, nullptr) != SQLITE_OK) {
        result =
            QStringLiteral("the collection is not an Anki collection: %1").arg(QString::fromUtf8(sqlite3_errmsg(db)));
    } else {
        int rc;
        while ((rc = sqlite3_step(notes)) == SQLITE_ROW) {
            const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(notes, 0));
            const QStringList fields = QString::fromUtf8(text, sqlite3_column_bytes(notes, 0)).split(QChar(0x1F));
            Word word;
            word.word = plainText(fields.value(0));
            word.meaning = plainText(fields.value(1));
            if (!writer.addWord(word)) {
                result = writer.error();
                break;
            }
        }
        if (!result && rc != SQLITE_DONE)
            result = QStringLiteral("the collection cannot be read: %1").arg(QString::fromUtf8(sqlite3_errmsg(db)));
    }
    sqlite3_finalize(notes);
    sqlite3_close(db);
    return result;
}

} // namespace kelp::import
