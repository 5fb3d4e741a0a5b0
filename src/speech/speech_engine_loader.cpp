#include "speech/speech_engine.h"

#include "util/log.h"

#include <QFile>
#include <QFileInfo>

#include <dlfcn.h>

#ifndef KELP_SPEECH_MODULE_FROM_EXE
#define KELP_SPEECH_MODULE_FROM_EXE "../../lib/kelpword/modules"
#endif

namespace kelp {
namespace {

constexpr const char *kModuleName = "libkelpword-speech.so";

// Beside the program (a build tree), or where the package puts it relative
// to the program's own folder; KELPWORD_SPEECH_MODULE names another.
QStringList modulePlaces()
{
    const QString override = qEnvironmentVariable("KELPWORD_SPEECH_MODULE");
    if (!override.isEmpty())
        return {override};
    const QString folder = QFileInfo(QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath()).absolutePath();
    return {folder + QLatin1Char('/') + QLatin1String(kModuleName), folder + QLatin1Char('/') +
                                                                        QStringLiteral(KELP_SPEECH_MODULE_FROM_EXE) +
                                                                        QLatin1Char('/') + QLatin1String(kModuleName)};
}

} // namespace

std::unique_ptr<SpeechEngine> createSpeechEngine(QString *error)
{
    using Factory = SpeechEngine *(*)();
    static Factory factory = nullptr; // the module stays loaded for the run: its thread and voices live there
    if (!factory) {
        QStringList reasons;
        for (const QString &place : modulePlaces()) {
            if (!QFileInfo::exists(place))
                continue;
            void *module = ::dlopen(QFile::encodeName(place).constData(), RTLD_NOW | RTLD_LOCAL);
            if (!module) {
                reasons << QString::fromLocal8Bit(::dlerror());
                continue;
            }
            factory = reinterpret_cast<Factory>(::dlsym(module, "kelpCreateSpeechEngine"));
            if (factory)
                break;
            reasons << place + QStringLiteral(": not a speech module");
        }
        if (!factory) {
            *error = reasons.isEmpty() ? QStringLiteral("%1 was not found").arg(QLatin1String(kModuleName))
                                       : reasons.join(QStringLiteral("; "));
            return nullptr;
        }
    }
    try {
        return std::unique_ptr<SpeechEngine>(factory());
    } catch (const std::exception &e) {
        *error = QString::fromLocal8Bit(e.what());
        return nullptr;
    }
}

} // namespace kelp
