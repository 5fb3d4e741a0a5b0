// Pronunciation of the words on display: from a recording when one exists,
// otherwise by the speech engine.
#pragma once

#include <QString>

namespace kelp {

struct Settings;

class Pronouncer {
public:
    // `settings` holds the voice (or a speech failure code) and the
    // recordings folder; both may change while the program runs.
    Pronouncer(Settings &settings, const QString &programFolder);

    // Creates and primes the speech engine, recording its outcome in the voice setting.
    void initialise();

    // Says `word`; returns when it has been said.
    void pronounce(const QString &word);

private:
    Settings &settings_;
    QString programFolder_;
};

} // namespace kelp
