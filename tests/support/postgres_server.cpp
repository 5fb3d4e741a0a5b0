#include "support/postgres_server.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QUuid>

#include <cstdlib>

namespace kelp::test {

QString PostgresServer::script()
{
    return QStringLiteral(KELP_POSTGRES_SCRIPT);
}

PostgresServer::~PostgresServer()
{
    stop();
}

bool PostgresServer::runScript(const QString &command)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("PG_OWNER_PID"), QString::number(QCoreApplication::applicationPid()));
    p.setProcessEnvironment(env);
    p.start(QStringLiteral("bash"), {script(), command, folder_});
    // Bounded: a server that never comes up fails the test instead of hanging it.
    if (!p.waitForFinished(120000)) {
        p.kill();
        p.waitForFinished();
        error_ = QStringLiteral("%1 did not finish").arg(command);
        return false;
    }
    error_ = QString::fromLocal8Bit(p.readAll());
    return p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

bool PostgresServer::start()
{
    stop();
    folder_ = QDir::tempPath() + QStringLiteral("/kelp-pg-") + QUuid::createUuid().toString(QUuid::Id128).left(12);
    if (!runScript(QStringLiteral("start"))) {
        const QString why = error_;
        stop();
        error_ = why;
        return false;
    }
    qputenv("ODBCINI", QFile::encodeName(folder_ + QStringLiteral("/odbc.ini")));
    qputenv("ODBCSYSINI", QFile::encodeName(folder_));
    return true;
}

bool PostgresServer::halt()
{
    return !folder_.isEmpty() && runScript(QStringLiteral("halt"));
}

void PostgresServer::stop()
{
    if (folder_.isEmpty())
        return;
    runScript(QStringLiteral("stop"));
    folder_.clear();
}

} // namespace kelp::test
