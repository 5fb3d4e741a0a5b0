#include "wordwindow/commands.h"

#include "config/settings.h"
#include "session/study_session.h"
#include "util/log.h"

#include <QAction>
#include <QKeySequence>

#include <iterator>

namespace kelp {
namespace {

QAction *makeAction(QObject *parent, const char *name, const QString &text)
{
    auto *action = new QAction(text, parent);
    action->setObjectName(QLatin1String(name));
    return action;
}

} // namespace

Commands::Commands(StudySession &session, QKeyCombination knowKey, QKeyCombination forgotKey, QObject *parent)
    : QObject(parent), pause(makeAction(this, "pause", tr("暂停(Alt+x)"))),
      mute(makeAction(this, "mute", tr("静音(Alt+a)"))), hide(makeAction(this, "hide", tr("隐藏(Atl+z)"))),
      previousGroup(makeAction(this, "previousGroup", tr("上一组(向下键)"))),
      nextGroup(makeAction(this, "nextGroup", tr("下一组(向上键)"))),
      previousItem(makeAction(this, "previousItem", tr("上一条(向左键)"))),
      nextItem(makeAction(this, "nextItem", tr("下一条(向右键)"))),
      addToNotebook(makeAction(this, "addToNotebook", tr("加入我的生词本(Alt+d)"))),
      know(makeAction(this, "know", tr("认识"))), forgot(makeAction(this, "forgot", tr("不认识"))),
      colours(makeAction(this, "colours", tr("颜色设置"))), settings(makeAction(this, "settings", tr("其他设置"))),
      quit(makeAction(this, "quit", tr("退出"))), arrowKeys(makeAction(this, "arrowKeys", tr("方向键热键"))),
      session_(session)
{
    pause->setCheckable(true);
    mute->setCheckable(true);
    arrowKeys->setCheckable(true);
    arrowKeys->setChecked(true);
    connect(pause, &QAction::triggered, &session, &StudySession::togglePause);
    connect(mute, &QAction::triggered, &session, &StudySession::toggleMute);
    connect(hide, &QAction::triggered, &session, &StudySession::toggleHidden);
    connect(previousGroup, &QAction::triggered, &session, &StudySession::previousGroup);
    connect(nextGroup, &QAction::triggered, &session, &StudySession::nextGroup);
    connect(previousItem, &QAction::triggered, &session, &StudySession::previousItem);
    connect(nextItem, &QAction::triggered, &session, &StudySession::nextItem);
    connect(addToNotebook, &QAction::triggered, &session, &StudySession::addToNotebook);
    connect(know, &QAction::triggered, &session, [&session] { session.answer(true); });
    connect(forgot, &QAction::triggered, &session, [&session] { session.answer(false); });
    // The colour and settings windows are not built yet.

    // Lets a test (or a curious learner) follow the commands once they ran.
    QList<QAction *> logged = menuActions();
    logged << know << forgot;
    for (QAction *action : logged)
        connect(action, &QAction::triggered, this,
                [action] { qCDebug(lcWordWindow) << "command" << action->objectName(); });

    QAction *const fixed[] = {hide, mute, addToNotebook, nextItem, previousItem, nextGroup, previousGroup, pause};
    static_assert(std::size(fixed) == std::size(keys::commandHotKeys));
    for (size_t i = 0; i < std::size(fixed); ++i)
        hotKeys_.push_back(
            {QKeySequence::fromString(QLatin1String(keys::commandHotKeys[i]), QKeySequence::PortableText)[0],
             fixed[i]});
    const auto shown = [](QKeyCombination key) { return QKeySequence(key).toString(QKeySequence::NativeText); };
    if (knowKey.key() != Qt::Key_unknown) {
        hotKeys_.push_back({knowKey, know});
        know->setText(tr("认识(%1)").arg(shown(knowKey)));
    }
    if (forgotKey.key() != Qt::Key_unknown) {
        hotKeys_.push_back({forgotKey, forgot});
        forgot->setText(tr("不认识(%1)").arg(shown(forgotKey)));
    }
    syncChecks();
}

QList<QAction *> Commands::menuActions() const
{
    return {pause,    mute,          hide,    previousGroup, nextGroup, previousItem,
            nextItem, addToNotebook, colours, settings,      quit};
}

void Commands::syncChecks()
{
    pause->setChecked(session_.presentation().paused);
    mute->setChecked(!session_.presentation().speaking);
}

} // namespace kelp
