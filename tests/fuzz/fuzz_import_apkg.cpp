// Anki packages through the import: see import_fuzz.h for what is checked.
// A zip's checksums and compression hide its contents from mutation, so the
// package is built here around the input: the first byte picks the entry
// (collection.anki2, .anki21, .anki21b packed with zstd here, or .anki21b
// taken as a zstd stream as it is) and whether the zip deflates it; the rest
// is the entry. An input that is a zip already is imported as it is.
#include "import_fuzz.h"

#include <zip.h>
#include <zstd.h>

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
    zip_source_t *source = zip ? zip_source_buffer(zip, bytes.constData(), static_cast<zip_uint64_t>(bytes.size()), 0)
                               : nullptr;
    const zip_int64_t index = source ? zip_file_add(zip, entry, source, 0) : -1;
    if (index < 0 || zip_set_file_compression(zip, static_cast<zip_uint64_t>(index),
                                              deflate ? ZIP_CM_DEFLATE : ZIP_CM_STORE, 0) != 0 ||
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
    const import::Format format = harness.run(bytes, QStringLiteral("deck.apkg"), fuzz::optionsFor(size));
    return format == import::Format::AnkiPackage ? 0 : -1;
}
