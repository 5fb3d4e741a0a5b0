// The settings file parser and writer on arbitrary bytes: nothing crashes,
// a written value reads back, no other key's value changes, and writing the
// same value again changes no byte.
#include "config/codec.h"
#include "config/ini_file.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

using kelp::IniFile;

namespace {

const char *const kKeys[][2] = {{"sjly", "sjms"},  {"sjly", "wbwj"},     {"timer", "reci3"},
                                {"other", "winx"}, {"ODBC", "DSN_Name"}, {"Start", "First"}};

void checkAt(bool condition, int line)
{
    if (!condition) {
        std::fprintf(stderr, "fuzz_ini: check at line %d failed\n", line);
        std::abort();
    }
}
#define check(condition) checkAt((condition), __LINE__)

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 1)
        return 0;
    // The first byte picks the key to write and the value's digits.
    const int pick = data[0] % 6;
    const QByteArray contents(reinterpret_cast<const char *>(data + 1), static_cast<qsizetype>(size - 1));
    const QString value = QString::number(data[0] * 7919);

    std::optional<QString> before[6];
    for (int i = 0; i < 6; ++i)
        before[i] = IniFile::lookup(contents, QLatin1String(kKeys[i][0]), QLatin1String(kKeys[i][1]));

    const QByteArray updated =
        IniFile::withValue(contents, QLatin1String(kKeys[pick][0]), QLatin1String(kKeys[pick][1]), value);
    check(IniFile::lookup(updated, QLatin1String(kKeys[pick][0]), QLatin1String(kKeys[pick][1])) == value);
    // Every other key reads as before — unless the write took away the only
    // bytes that decided the file's encoding (content sniffing cannot do better).
    if (kelp::codec::detect(contents) == kelp::codec::detect(updated)) {
        for (int i = 0; i < 6; ++i) {
            if (i != pick)
                check(IniFile::lookup(updated, QLatin1String(kKeys[i][0]), QLatin1String(kKeys[i][1])) == before[i]);
        }
    }
    // Writing the same value again changes nothing.
    check(IniFile::withValue(updated, QLatin1String(kKeys[pick][0]), QLatin1String(kKeys[pick][1]), value) == updated);
    return 0;
}
