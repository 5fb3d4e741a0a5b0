// KVTML (both versions) through the import: see import_fuzz.h for what is
// checked. Inputs taken for another format are checked too, but kept out of
// the corpus.
#include "import_fuzz.h"

using namespace kelp;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    return fuzz::importOne(data, size, QStringLiteral("lessons.kvtml"), import::Format::Kvtml);
}
