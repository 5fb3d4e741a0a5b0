// Anki packages through the import: see import_fuzz.h for what is checked.
// A zip's checksums and compression hide its contents from mutation, so the
// package is built here around the input: the first byte picks the entry
// (collection.anki2, .anki21, .anki21b packed with zstd here, or .anki21b
// taken as a zstd stream as it is) and whether the zip deflates it; the rest
// is the entry. An input that is a zip already is imported as it is.
// SQLite reads a damaged collection as it happens to find it (the same file
// gave rows once and "malformed" the next time), so only a collection SQLite
// finds whole must import the same words each time.
#include "import_fuzz.h"

#include <zip.h>
#include <zstd.h>

#include <memory>
#include <optional>
#include <string_view>

using namespace kelp;

namespace {

QByteArray zstd(const QByteArray &bytes)
{
    QByteArray packed(static_cast<qsizetype>(ZSTD_compressBound(static_cast<size_t>(bytes.size()))), '\0');
    const size_t n = ZSTD_compress(packed.data(), static_cast<size_t>(packed.size()), bytes.constData(),
                                   static_cast<size_t>(bytes.size()), 1);
    if (ZSTD_isError(n))
        std::abort();
    packed.resize(static_cast<qsizetype>(n));
    return packed;
}

QByteArray package(const fuzz::ImportHarness &harness, const char *entry, const QByteArray &bytes, bool deflate)
{
    const QString path = harness.scratchFile(QStringLiteral("package.zip"));
    int error = 0;
    zip_t *zip = zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    zip_source_t *source =
        zip ? zip_source_buffer(zip, bytes.constData(), static_cast<zip_uint64_t>(bytes.size()), 0) : nullptr;
    const zip_int64_t index = source ? zip_file_add(zip, entry, source, 0) : -1;
    if (index < 0 ||
        zip_set_file_compression(zip, static_cast<zip_uint64_t>(index), deflate ? ZIP_CM_DEFLATE : ZIP_CM_STORE, 0) !=
            0 ||
        zip_close(zip) != 0) {
        std::fprintf(stderr, "fuzz_import_apkg: cannot build the package\n");
        std::abort();
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        std::abort();
    const QByteArray zipped = file.readAll();
    file.remove();
    return zipped;
}

// The collection the reader takes from the package, unpacked; nothing when
// there is none or it cannot be unpacked (the import refuses those).
std::optional<QByteArray> collectionOf(const fuzz::ImportHarness &harness, const QByteArray &zipped)
{
    const QString path = harness.scratchFile(QStringLiteral("read.zip"));
    fuzz::ImportHarness::writeFile(path, zipped);
    zip_t *zip = zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY, nullptr);
    if (!zip)
        return std::nullopt;
    QByteArray entry;
    bool compressed = false;
    zip_file_t *file = nullptr;
    for (const char *name : {"collection.anki21b", "collection.anki21", "collection.anki2"}) {
        if ((file = zip_fopen(zip, name, 0))) {
            compressed = name == std::string_view("collection.anki21b");
            break;
        }
    }
    char buffer[4096];
    zip_int64_t n = -1;
    while (file && (n = zip_fread(file, buffer, sizeof buffer)) > 0)
        entry.append(buffer, static_cast<qsizetype>(n));
    if (file)
        zip_fclose(file);
    zip_discard(zip);
    QFile::remove(path);
    if (n < 0)
        return std::nullopt;
    if (!compressed)
        return entry;
    // Frame after frame, as the reader unpacks them; no more than the fuzzer's memory allows.
    std::unique_ptr<ZSTD_DStream, decltype(&ZSTD_freeDStream)> stream(ZSTD_createDStream(), ZSTD_freeDStream);
    QByteArray unpacked;
    ZSTD_inBuffer in{entry.constData(), static_cast<size_t>(entry.size()), 0};
    size_t left = 0;
    while (in.pos < in.size) {
        ZSTD_outBuffer out{buffer, sizeof buffer, 0};
        left = ZSTD_decompressStream(stream.get(), &out, &in);
        if (ZSTD_isError(left) || unpacked.size() > (64 << 20))
            return std::nullopt;
        unpacked.append(buffer, static_cast<qsizetype>(out.pos));
    }
    if (left != 0)
        return std::nullopt;
    return unpacked;
}

bool wholeToSqlite(const fuzz::ImportHarness &harness, const QByteArray &collection)
{
    const QString path = harness.scratchFile(QStringLiteral("collection"));
    fuzz::ImportHarness::writeFile(path, collection);
    // Opened as the reader opens it: no journal, no locks, nothing written beside it.
    const QByteArray uri = "file:" + QFile::encodeName(path) + "?immutable=1";
    sqlite3 *db = nullptr;
    bool whole = false;
    if (sqlite3_open_v2(uri.constData(), &db, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, nullptr) == SQLITE_OK) {
        sqlite3_stmt *check = nullptr;
        whole = sqlite3_prepare_v2(db, "pragma quick_check", -1, &check, nullptr) == SQLITE_OK &&
                sqlite3_step(check) == SQLITE_ROW &&
                std::string_view(reinterpret_cast<const char *>(sqlite3_column_text(check, 0))) == "ok" &&
                sqlite3_step(check) == SQLITE_DONE;
        sqlite3_finalize(check);
    }
    sqlite3_close(db);
    QFile::remove(path);
    return whole;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static fuzz::ImportHarness harness;
    if (size < 1)
        return -1;
    const QByteArray input(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    QByteArray bytes;
    if (input.startsWith("PK\x03\x04")) {
        bytes = input;
    } else {
        static const char *const kEntries[] = {"collection.anki2", "collection.anki21", "collection.anki21b",
                                               "collection.anki21b"};
        const int layout = data[0] & 3;
        const QByteArray entry = input.mid(1);
        bytes = package(harness, kEntries[layout], layout == 2 ? zstd(entry) : entry, data[0] & 4);
    }
    // Unpacked and checked only for an input that goes into the database.
    std::optional<QByteArray> collection;
    const bool repeatable = fuzz::ImportHarness::roundTrip(bytes) && (collection = collectionOf(harness, bytes)) &&
                            wholeToSqlite(harness, *collection);
    const import::Format format = harness.run(bytes, QStringLiteral("deck.apkg"), fuzz::optionsFor(size), repeatable);
    return format == import::Format::AnkiPackage ? 0 : -1;
}
