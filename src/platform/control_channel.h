// The control channel: another process of the same user sends the running
// copy one command a line ("next", "hide", …) over a local socket in the
// private runtime folder, which only that user can open. A plain Unix
// socket watched by the event loop: nothing of Qt's network module is loaded.
#pragma once

#include "runtime/control_client.h"

#include <QObject>
#include <QString>

#include <functional>

class QSocketNotifier;

namespace kelp::platform {

class ControlServer : public QObject {
    Q_OBJECT
public:
    // `knows` tells whether a command is one it takes; `run` carries it out,
    // after the sender has had its answer.
    ControlServer(std::function<bool(const QString &)> knows, std::function<void(const QString &)> run,
                  QObject *parent = nullptr);
    ~ControlServer() override;

    // Listens at controlSocketPath(), replacing a socket a dead copy left
    // (the caller holds the single-copy lock). False when it cannot.
    bool listen();

private:
    void accept();
    void answer(int client, const QByteArray &line, bool complete);
    std::function<bool(const QString &)> knows_;
    std::function<void(const QString &)> run_;
    int fd_ = -1;
    QByteArray path_;
    QSocketNotifier *notifier_ = nullptr;
};

} // namespace kelp::platform
