// The program's icon, set on the application when the first window that shows
// it opens (a dialog's frame), or once the first word is up, for the tray. The
// frameless word window shows none, so its first word does not wait for the
// PNG reader.
#pragma once

#include <QObject>

class QApplication;

namespace kelp {

class ProgramIcon : public QObject {
public:
    explicit ProgramIcon(QApplication &app);

    // Sets it now, unless it is set already.
    void set();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool done_ = false;
};

} // namespace kelp
