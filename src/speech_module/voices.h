// The voices of flite and espeak-ng and the samples they make. Both engines
// keep global state: one word is made at a time, whichever thread asks.
#pragma once

#include "sound/pcm.h"
#include "speech/speech_engine.h"

#include <QString>

#include <vector>

namespace kelp::sound {
class EarlySamples;
}

namespace kelp::voices {

// flite's voices best first, then espeak-ng's English ones by identifier (so
// that a saved voice number keeps meaning the same voice).
std::vector<VoiceInfo> list();

// The samples `voice` makes of `text`, the quiet at both ends left out (empty
// for blank text, which only loads the voice). With `early`, the samples go
// there too as they are made. Throws SpeechError when the voice cannot be
// loaded or the synthesis fails.
sound::Pcm synthesize(const VoiceInfo &voice, const QString &text, sound::EarlySamples *early);

} // namespace kelp::voices
