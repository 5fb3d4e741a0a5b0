// flite's voices and espeak-ng, opened when first used: every flite voice is
// a library of its own of about a megabyte, resident as soon as it is
// mapped, and a learner hears one voice. Each function the engine calls is
// defined here under its own name and forwards to its library; a library
// that cannot be opened makes its functions fail, and the engine reports the
// voice as one that cannot be loaded.
#include <espeak-ng/espeak_ng.h>
#include <espeak-ng/speak_lib.h>
#include <flite/flite.h>

#include "util/lazy_library.h"

#include <dlfcn.h>

namespace {

void *open(const char *name)
{
    return ::dlopen(name, RTLD_NOW | RTLD_LOCAL);
}

#define KELP_LIBRARY(function, soname)                                                                                 \
    void *function()                                                                                                   \
    {                                                                                                                  \
        static void *const handle = open(soname);                                                                      \
        return handle;                                                                                                 \
    }

KELP_LIBRARY(flite, "libflite.so.1")
KELP_LIBRARY(slt, "libflite_cmu_us_slt.so.1")
KELP_LIBRARY(rms, "libflite_cmu_us_rms.so.1")
KELP_LIBRARY(awb, "libflite_cmu_us_awb.so.1")
KELP_LIBRARY(kal16, "libflite_cmu_us_kal16.so.1")
KELP_LIBRARY(kal, "libflite_cmu_us_kal.so.1")
KELP_LIBRARY(espeak, "libespeak-ng.so.1")

} // namespace

KELP_LAZY_FORWARD(flite, -1, int, flite_init, (void), ())
KELP_LAZY_FORWARD(flite, nullptr, cst_wave *, flite_text_to_wave, (const char *text, cst_voice *voice), (text, voice))
KELP_LAZY_FORWARD_VOID(flite, delete_wave, (cst_wave * wave), (wave), (void)wave)
KELP_LAZY_FORWARD(flite, nullptr, cst_audio_streaming_info *, new_audio_streaming_info, (void), ())
KELP_LAZY_FORWARD(flite, nullptr, cst_val *, audio_streaming_info_val, (const cst_audio_streaming_info *info), (info))
KELP_LAZY_FORWARD_VOID(flite, feat_set, (cst_features * features, const char *name, const cst_val *value),
                       (features, name, value), ((void)features, (void)name, (void)value))
KELP_LAZY_FORWARD(slt, nullptr, cst_voice *, register_cmu_us_slt, (const char *voxdir), (voxdir))
KELP_LAZY_FORWARD(rms, nullptr, cst_voice *, register_cmu_us_rms, (const char *voxdir), (voxdir))
KELP_LAZY_FORWARD(awb, nullptr, cst_voice *, register_cmu_us_awb, (const char *voxdir), (voxdir))
KELP_LAZY_FORWARD(kal16, nullptr, cst_voice *, register_cmu_us_kal16, (const char *voxdir), (voxdir))
KELP_LAZY_FORWARD(kal, nullptr, cst_voice *, register_cmu_us_kal, (const char *voxdir), (voxdir))

KELP_LAZY_FORWARD_VOID(espeak, espeak_ng_InitializePath, (const char *path), (path), (void)path)
KELP_LAZY_FORWARD(espeak, -1, int, espeak_Initialize,
                  (espeak_AUDIO_OUTPUT output, int length, const char *path, int options),
                  (output, length, path, options))
KELP_LAZY_FORWARD_VOID(espeak, espeak_SetSynthCallback, (t_espeak_callback * callback), (callback), (void)callback)
KELP_LAZY_FORWARD(espeak, nullptr, const espeak_VOICE **, espeak_ListVoices, (espeak_VOICE * wanted), (wanted))
KELP_LAZY_FORWARD(espeak, EE_INTERNAL_ERROR, espeak_ERROR, espeak_SetVoiceByName, (const char *name), (name))
KELP_LAZY_FORWARD(espeak, EE_INTERNAL_ERROR, espeak_ERROR, espeak_Synth,
                  (const void *text, size_t size, unsigned int position, espeak_POSITION_TYPE type, unsigned int end,
                   unsigned int flags, unsigned int *identifier, void *userData),
                  (text, size, position, type, end, flags, identifier, userData))
KELP_LAZY_FORWARD(espeak, EE_INTERNAL_ERROR, espeak_ERROR, espeak_Synchronize, (void), ())
