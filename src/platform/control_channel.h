// The control channel: another process of the same user sends the running
// copy one command a line ("next", "hide", …) over a local socket in the
// private runtime folder, which only that user can open.
#pragma once

#include <QObject>
#include <QString>

#include <functional>

class QLocalServer;

namespace kelp::platform {

QString controlSocketPath();

// The longest command line taken; anything longer is refused.
inline constexpr int kMaxControlLine = 64;

class ControlServer : public QObject {
    Q_OBJECT
public:
    // `run` carries a command out; false for a command it does not know.
    ControlServer(std::function<bool(const QString &)> run, QObject *parent = nullptr);
    ~ControlServer() override;

    // Listens at controlSocketPath(), replacing a socket a dead copy left
    // (the caller holds the single-copy lock). False when it cannot.
    bool listen();

private:
    void accept();
    std::function<bool(const QString &)> run_;
    QLocalServer *server_;
};

// Sends one command to the running copy. 0 when it was carried out, 1 when
// no copy runs (or its socket is not this user's own), 2 when the copy
// refused it; `message` says what happened.
int sendControlCommand(const QString &command, QString *message);

} // namespace kelp::platform
