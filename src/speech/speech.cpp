#include "speech/speech.h"

namespace kelp {

void Speech::ttsini()
{
    // No speech engine is wired in yet: index1 keeps its configured value and
    // nothing is primed.
}

void Speech::plawav(const QString &, const QString &)
{
    // Recordings and synthesis are not wired in yet: words are shown silently.
}

} // namespace kelp
