// CSV and TSV files through the import: see import_fuzz.h for what is checked.
// Inputs taken for another format are checked too, but kept out of the corpus.
#include "import_fuzz.h"

using namespace kelp;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static fuzz::ImportHarness harness;
    // The learner's --columns too, chosen by the input like the group size.
    static const char *const kColumns[] = {"", "", "", "word,meaning", "-,word,pos,phonetic,meaning", "meaning,word,-"};
    import::ImportOptions options = fuzz::optionsFor(size);
    options.columns = QString::fromLatin1(kColumns[size / 4 % 6]);
    const QByteArray bytes(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    const import::Format format = harness.run(bytes, QStringLiteral("words.csv"), options);
    return format == import::Format::Csv || format == import::Format::Tsv ? 0 : -1;
}
