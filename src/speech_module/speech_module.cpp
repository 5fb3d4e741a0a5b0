// The speech module's entry point: the program finds it with dlsym.
#include "speech_module/synthesis_engine.h"

extern "C" __attribute__((visibility("default"))) kelp::SpeechEngine *kelpCreateSpeechEngine()
{
    return new kelp::SynthesisEngine();
}
