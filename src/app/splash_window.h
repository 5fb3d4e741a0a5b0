// The picture shown while the word window starts.
#pragma once

#include <QWidget>

class QLabel;

namespace kelp {

class SplashWindow : public QWidget {
    Q_OBJECT
public:
    explicit SplashWindow(QWidget *parent = nullptr);
    // Shows the picture centred on the screen.
    void open();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QLabel *picture_;
    QLabel *loading_;
};

} // namespace kelp
