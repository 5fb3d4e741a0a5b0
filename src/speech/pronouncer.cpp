#include "speech/pronouncer.h"

#include "config/settings.h"

namespace kelp {

Pronouncer::Pronouncer(Settings &settings, const QString &programFolder)
    : settings_(settings), programFolder_(programFolder)
{
}

void Pronouncer::initialise()
{
    // No speech engine is wired in yet: the voice keeps its configured value.
}

void Pronouncer::pronounce(const QString &)
{
    // Recordings and synthesis are not wired in yet: words are shown silently.
}

} // namespace kelp
