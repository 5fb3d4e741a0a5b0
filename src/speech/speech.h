// Pronunciation of the words on display: from a recording when one exists,
// otherwise by the speech engine.
#pragma once

#include "config/app_globals.h"

#include <QString>

namespace kelp {

class Speech {
public:
    explicit Speech(AppGlobals &g) : g_(g) {}

    // Creates and primes the speech engine, recording its outcome in index1.
    void ttsini();

    // Pronounces `dz` from a recording under `fwavcs` or by speech.
    void plawav(const QString &dz, const QString &fwavcs);

private:
    AppGlobals &g_;
};

} // namespace kelp
