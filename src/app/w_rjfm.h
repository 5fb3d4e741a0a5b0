// The splash window shown while the word window starts.
#pragma once

#include <QWidget>

class QLabel;

namespace kelp {

class w_rjfm : public QWidget {
    Q_OBJECT
public:
    explicit w_rjfm(QWidget *parent = nullptr);
    void open();

private:
    QLabel *p_1 = nullptr;
    QLabel *st_1 = nullptr;
};

} // namespace kelp
