#include "app/error_handler.h"

#include "speech/speech_engine.h"
#include "util/log.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QMessageBox>

namespace kelp {

ErrorReport reportFor(const std::exception_ptr &error)
{
    ErrorReport report;
    report.window = QStringLiteral("WordWindow");
    try {
        std::rethrow_exception(error);
    } catch (const SpeechError &e) {
        // The speech object's calls: a method that failed, or a property.
        report.code = e.kind() == SpeechError::Kind::Method ? 35 : 39;
        report.text = e.member() + QStringLiteral(": ") + e.text();
        report.object = QStringLiteral("SpeechEngine");
        report.event = QStringLiteral("pronounce");
    } catch (const std::exception &e) {
        report.code = 2;
        report.text = QString::fromLocal8Bit(e.what());
    } catch (...) {
        report.code = 2;
        report.text = QStringLiteral("unknown error");
    }
    return report;
}

ErrorReport reportFor(const std::exception_ptr &error, const std::optional<ErrorSite> &site)
{
    ErrorReport report = reportFor(error);
    if (site) {
        report.window = site->window;
        report.object = site->object;
        report.event = site->event;
    }
    return report;
}

ErrorHandler::ErrorHandler(QString logPath, Reactions reactions)
    : logPath_(std::move(logPath)), reactions_(std::move(reactions))
{
}

void ErrorHandler::handle(const ErrorReport &report)
{
    qCWarning(lcApp).noquote() << "run-time error" << report.code << ":" << report.text;
    const AppendResult logged = appendErrorRecord(logPath_, report, QDateTime::currentDateTime());
    if (showing_)
        return; // one report on screen at a time; the log has them all
    showing_ = true;
    if (!logged.opened)
        QMessageBox::warning(nullptr, QCoreApplication::translate("kelpword-gui", "出错信息"),
                             QCoreApplication::translate("kelpword-gui", "不能打开系统出错日志文件！"));
    else if (!logged.written)
        QMessageBox::warning(nullptr, QCoreApplication::translate("kelpword-gui", "出错信息"),
                             QCoreApplication::translate("kelpword-gui", "写系统出错日志文件出错！"));
    switch (report.code) {
    case 35: {
        // Speech goes off before the message waits, so the words that come
        // meanwhile take the recording path instead of failing again.
        const int voice = reactions_.voice();
        reactions_.speechOff(true);
        QMessageBox::information(
            nullptr, QCoreApplication::translate("kelpword-gui", "系统消息 "),
            QCoreApplication::translate("kelpword-gui", "您选择了声音") + QString::number(voice) +
                QCoreApplication::translate("kelpword-gui",
                                            "。无法播放此声音。请选择其他声音或选择不同的音频输出设备。 "));
        break;
    }
    case 39:
        reactions_.speechOff(false);
        QMessageBox::information(nullptr, QCoreApplication::translate("kelpword-gui", "系统消息 "),
                                 QCoreApplication::translate("kelpword-gui", "出错后请重新进行TTS配制。错误信息:") +
                                     report.text);
        break;
    default:
        QMessageBox::information(nullptr, QCoreApplication::translate("kelpword-gui", "其他出错 "),
                                 QCoreApplication::translate("kelpword-gui", "内容详见安装文件夹下system_error.log"));
        showing_ = false;
        reactions_.restart();
        return;
    }
    showing_ = false;
}

bool KelpApplication::notify(QObject *receiver, QEvent *event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        if (!onError)
            throw;
        onError(std::current_exception());
        return false;
    }
}

} // namespace kelp
