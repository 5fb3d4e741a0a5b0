// The word window: a small borderless top-most window that shows one study
// item at a time and steps through the word buffer on a timer.
#pragma once

#include "config/app_globals.h"
#include "config/data_source.h"
#include "config/ini_file.h"
#include "platform/layout_units.h"
#include "study/db_loaders.h"
#include "study/word_buffer.h"
#include "wordwindow/presentation.h"

#include <QPoint>
#include <QTimer>
#include <QWidget>

#include <cstdint>
#include <vector>

class QLabel;
class QMenu;

namespace kelp {

class Speech;
namespace platform {
class HotKeys;
}

class w_transp : public QWidget {
    Q_OBJECT
public:
    w_transp(AppGlobals &g, Speech &tts, QWidget *parent = nullptr);
    ~w_transp() override;

    // The window's start-up, in its fixed order. Returns false when the
    // program has to end (no configuration file could be found).
    bool open();

    // One presentation step (the cycle's state lives in `state()`).
    void nplay();

    const Presentation &state() const { return model_; }
    const WordBuffer &buffer() const { return dw_new; }
    bool timerRunning() const { return timer_.isActive(); }

    // Writes what a close keeps (resume row, position) without closing;
    // used when the desktop session asks the program to save its state.
    void persist();

    // Context menu at the mouse pointer; returns when it is dismissed.
    void mpop();

signals:
    // "退出" was chosen: the program should end.
    void exitRequested();

public slots:
    // Learner commands, always triggered by name.
    void ue_pause();
    void ue_hide();
    void ue_jy();
    void ue_szb();
    void ue_xyd();
    void ue_syd();
    void ue_xyz();
    void ue_syz();
    void ue_colo();

protected:
    void closeEvent(QCloseEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void regkey();
    void other(std::uint32_t wparam, std::intptr_t lparam);
    void adword();
    void toggleLayout();
    void endDrag();
    void placeWindow();
    void savePosition();
    void releaseHotKeys();
    bool profr();
    void regodbc();
    void ljsjk();
    bool loadMaterial();
    bool databaseError(const DbError &error);
    DataSourceSettings dataSource() const;
    void onTimer();
    void startCycleTimer();
    void applyState();
    void syncWindowX();
    void saveOnClose();
    static void saveAtExit();

    AppGlobals &g_;
    Speech &tts_;
    IniFile ini_;
    platform::LayoutUnits units_;

    // Window variables.
    QString ls_database;
    QString meword;
    QString sys_path;
    int ii_width = 0;
    int ii_height = 0;
    int winx = 0;
    int winy = 0;
    QString ls_uid;
    QString ls_pwd;
    bool yreg = false;
    WordBuffer dw_new;
    std::vector<int> zxh;

    Presentation model_;
    QTimer timer_;
    QLabel *st_4 = nullptr;
    QLabel *st_3 = nullptr;
    QLabel *st_2 = nullptr;
    bool closed_ = false;

    // Hot keys: one id per key (there is no atomid2).
    platform::HotKeys *hotkeys_ = nullptr;
    std::uint32_t atomid = 0, atomid1 = 0, atomid3 = 0, atomid4 = 0, atomid5 = 0, atomid6 = 0, atomid7 = 0,
                  atomid8 = 0;

    // Dragging by the background.
    bool pressed_ = false;
    bool dragging_ = false;
    QPoint pressOffset_;
    QTimer dragWatch_;
    QPoint placedAt_; // where start-up put the window, in pixels
};

} // namespace kelp
