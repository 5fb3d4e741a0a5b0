// The learner's commands as actions, wired once to the study session. The
// context menu and the hot keys trigger the same actions.
#pragma once

#include <QKeyCombination>
#include <QList>
#include <QObject>

#include <vector>

class QAction;

namespace kelp {

class StudySession;

class Commands : public QObject {
    Q_OBJECT
public:
    // `knowKey` and `forgotKey`: the answers' hot keys (none when empty).
    explicit Commands(StudySession &session, QKeyCombination knowKey = {}, QKeyCombination forgotKey = {},
                      QObject *parent = nullptr);

    QAction *const pause;
    QAction *const mute;
    QAction *const hide;
    QAction *const previousGroup;
    QAction *const nextGroup;
    QAction *const previousItem;
    QAction *const nextItem;
    QAction *const addToNotebook;
    // The learner's answers to the word on display: the tray menu and their
    // hot keys have them, the word window's menu keeps its fixed items.
    QAction *const know;
    QAction *const forgot;
    QAction *const colours;
    QAction *const settings;
    QAction *const quit;
    // Checked while the plain arrow keys are taken desktop-wide (the tray menu's switch).
    QAction *const arrowKeys;

    // In the menu's order.
    QList<QAction *> menuActions() const;
    // The check marks of pause and mute, from the session.
    void syncChecks();

    struct HotKey {
        QKeyCombination key;
        QAction *action;
    };
    // In the order they are taken.
    const std::vector<HotKey> &hotKeys() const { return hotKeys_; }

private:
    StudySession &session_;
    std::vector<HotKey> hotKeys_;
};

} // namespace kelp
