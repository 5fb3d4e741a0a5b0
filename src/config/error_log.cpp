#include "config/error_log.h"

#include "config/codec.h"

#include <exception>
#include <utility>

namespace kelp {
namespace {

std::optional<ErrorSite> g_errorSite; // one thread: the user-interface thread

} // namespace

ErrorSiteScope::ErrorSiteScope(QString window, QString object, QString event)
    : site_{std::move(window), std::move(object), std::move(event)}, exceptions_(std::uncaught_exceptions())
{
}

ErrorSiteScope::~ErrorSiteScope()
{
    // Unwinding: the innermost scope left is the first to get here.
    if (std::uncaught_exceptions() > exceptions_ && !g_errorSite)
        g_errorSite = std::move(site_);
}

std::optional<ErrorSite> takeErrorSite()
{
    return std::exchange(g_errorSite, std::nullopt);
}

QByteArray errorRecord(const ErrorReport &report, const QDateTime &when)
{
    const QString crlf = QStringLiteral("\r\n");
    const QString text = crlf + QString(64, QLatin1Char('-')) + crlf + crlf + QStringLiteral(" 出错时间 : ") +
                         when.toString(QStringLiteral("yyyy/MM/dd hh:mm:ss")) + crlf + QStringLiteral(" 错误代码 : ") +
                         QString::number(report.code) + crlf + QStringLiteral(" 错误信息 : ") + report.text + crlf +
                         QStringLiteral(" 窗口/菜单: ") + report.window + crlf + QStringLiteral(" 出错控件 : ") +
                         report.object + crlf + QStringLiteral(" 出错事件 : ") + report.event + crlf +
                         QStringLiteral(" 出错行数 : ") + QString::number(report.line) + crlf;
    return codec::toGb18030(text);
}

AppendResult appendErrorRecord(const QString &logPath, const ErrorReport &report, const QDateTime &when)
{
    QByteArray record = errorRecord(report, when);
    return appendToFile(logPath, 1000, [&record](int) { return record; });
}

} // namespace kelp
