// The palette: 21 colour swatches; it returns the number of the last one
// clicked (0 when none was).
#pragma once

#include "platform/layout_units.h"

#include <QDialog>

class QRadioButton;

namespace kelp {

class PaletteWindow : public QDialog {
    Q_OBJECT
public:
    explicit PaletteWindow(QWidget *parent = nullptr);

    // The swatch of palette entry `number` (1..21).
    QRadioButton *swatch(int number) const;
    // The number of the last swatch clicked, 0 when none was.
    int chosen() const { return chosen_; }
    // The window's answer as its opener reads it: the number as decimal text.
    QString returnedText() const { return QString::number(chosen_); }

    // Swatch positions in layout units: (column, row) of the palette table.
    static QPoint swatchPosition(int number);

    void reject() override;

private:
    platform::LayoutUnits units_;
    QRadioButton *swatches_[22] = {};
    int chosen_ = 0;
};

} // namespace kelp
