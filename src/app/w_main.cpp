#include "app/w_main.h"

#include "app/w_rjfm.h"
#include "wordwindow/w_transp.h"

#include <QMessageBox>

namespace kelp {

w_main::w_main(AppGlobals &g, Speech &tts, w_rjfm &splash) : g_(g), tts_(tts), splash_(splash)
{
    setObjectName(QStringLiteral("w_main"));
    setWindowTitle(QStringLiteral("主窗口"));
}

w_main::~w_main() = default;

w_main::OpenResult w_main::open()
{
    if (!guard_.acquire()) {
        QMessageBox::information(nullptr, QStringLiteral("提示"),
                                 QStringLiteral("本程序已经运行!按Alt+z键能显示隐藏的窗口。按确定退出本次运行的程序。"));
        return OpenResult::AlreadyRunning;
    }
    transp_ = std::make_unique<w_transp>(g_, tts_);
    const bool opened = transp_->open();
    splash_.close();
    return opened ? OpenResult::Running : OpenResult::Ended;
}

} // namespace kelp
