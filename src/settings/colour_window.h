// The colour settings: a preview of the word window with the three colour
// choices (text, label background, window background), each picked from
// the palette. Closing applies them to the word window and saves them.
#pragma once

#include "platform/layout_units.h"

#include <QWidget>

#include <functional>

class QGroupBox;
class QLabel;

namespace kelp {

class SettingsFile;
struct Settings;

class ColourWindow : public QWidget {
    Q_OBJECT
public:
    // `apply` shows the settings' colours on the word window.
    ColourWindow(Settings &settings, SettingsFile &file, std::function<void()> apply, QWidget *parent = nullptr);

    // Runs the palette for one of the three choices (what the buttons do).
    enum class Choice { Text, LabelBackground, WindowBackground };
    void choose(Choice choice);
    // The palette to run; tests put their own in its place.
    std::function<int()> runPalette;

    QLabel *sampleWord() const { return word_; }
    QGroupBox *preview() const { return preview_; }

protected:
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void showText(long colour);
    void showLabelBackground(long colour);
    void showWindowBackground(long colour);

    Settings &settings_;
    SettingsFile &file_;
    std::function<void()> apply_;
    platform::LayoutUnits units_;
    QGroupBox *preview_;
    QLabel *word_;
    QLabel *phonetic_;
    QLabel *meaning_;
};

} // namespace kelp
