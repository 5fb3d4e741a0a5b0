// A private PostgreSQL server for one test program: started in a temporary
// folder, reached only through its Unix socket, with the data source
// "kelppg" in an odbc.ini / odbcinst.ini of its own (ODBCINI, ODBCSYSINI).
#pragma once

#include <QString>

namespace kelp::test {

inline const QString kServerDsn = QStringLiteral("kelppg");
// The port number in the socket's name (postgres_server.sh's PG_PORT).
inline constexpr int kServerPort = 54329;

class PostgresServer {
public:
    PostgresServer() = default;
    ~PostgresServer(); // always stops the server and removes its folder
    PostgresServer(const PostgresServer &) = delete;
    PostgresServer &operator=(const PostgresServer &) = delete;

    // Starts the server and points unixODBC at its files. False (with the
    // script's output in error()) when it could not be started.
    bool start();
    // Stops the server, keeping the data source: a server that is down.
    bool halt();
    void stop();
    const QString &folder() const { return folder_; }
    const QString &error() const { return error_; }

    // The script that does the work, for shell tests as well.
    static QString script();

private:
    bool runScript(const QString &command);
    QString folder_;
    QString error_;
};

} // namespace kelp::test
