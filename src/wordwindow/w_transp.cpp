#include "wordwindow/w_transp.h"

#include "config/profile.h"
#include "platform/fonts.h"
#include "platform/window_style.h"
#include "settings/numerical.h"
#include "settings/palette.h"
#include "speech/speech.h"
#include "study/text_loader.h"

#include <QCloseEvent>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QMessageBox>
#include <QScreen>

#include <cstdio>
#include <cstdlib>

namespace kelp {
namespace {

w_transp *g_openWindow = nullptr; // for the save at process exit

QColor toQColor(long value)
{
    const Rgb c = rgbOf(value);
    return QColor(c.r, c.g, c.b);
}

QLabel *makeLabel(QWidget *parent, const char *name)
{
    auto *label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(name));
    // Word files are user data: never interpret them as rich text.
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    QFont font(QStringLiteral("Arial"));
    font.setPointSize(design::kFontPt);
    font.setWeight(QFont::Bold);
    label->setFont(font);
    label->setAutoFillBackground(true);
    return label;
}

void warn(const QString &text)
{
    std::fprintf(stderr, "kelpword: %s\n", qPrintable(text));
}

} // namespace

w_transp::w_transp(AppGlobals &g, Speech &tts, QWidget *parent)
    : QWidget(parent, platform::floatingWindowFlags()), g_(g), tts_(tts), model_(dw_new)
{
    setObjectName(QStringLiteral("w_transp"));
    setWindowTitle(QStringLiteral("Kelp Words"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::NoFocus);
    if (QScreen *screen = QGuiApplication::primaryScreen())
        units_ = platform::LayoutUnits(screen->logicalDotsPerInchX(), screen->logicalDotsPerInchY());

    // Created in this order so that the word label lies on top.
    st_4 = makeLabel(this, "st_4");
    st_3 = makeLabel(this, "st_3");
    st_2 = makeLabel(this, "st_2");
    QFont phonetic = st_3->font();
    phonetic.setFamilies({QStringLiteral("Arial"), QStringLiteral("DejaVu Sans")});
    st_3->setFont(phonetic);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, toQColor(kDefaultWindowColour));
    setPalette(pal);

    model_.plawav = [this](const QString &word) { tts_.plawav(word, g_.fwav); };
    timer_.setTimerType(Qt::CoarseTimer);
    connect(&timer_, &QTimer::timeout, this, &w_transp::onTimer);
}

w_transp::~w_transp()
{
    if (g_openWindow == this)
        g_openWindow = nullptr;
}

bool w_transp::open()
{
    // 1. The window is always a layered window; its opacity follows below.
    std::int32_t ll_ret = platform::GetWindowLongA(this, platform::gwl_exstyle);
    ll_ret = n_cst_numerical::of_bitwiseor(ll_ret, platform::ws_ex_layered);
    platform::SetWindowLongA(this, platform::gwl_exstyle, ll_ret);

    // 2-3. Every file lives under the current directory.
    g_.ls_path = QDir::currentPath();
    ls_database = g_.ls_path + QStringLiteral("/kelp.mdb");
    g_.profile = g_.ls_path + QStringLiteral("/wkcfg.ini");
    const QString ztfj = g_.ls_path + QStringLiteral("/font/Kelpphone.ttf");
    meword = g_.ls_path + QStringLiteral("/data/生词本.txt");

    // 4. Where the ODBC driver lives: used when the data source is registered.
    sys_path = QString();

    // 5.
    g_.dqsj = QDate::currentDate();

    // 6-7. The phonetic font, when it is there.
    if (QFileInfo::exists(ztfj)) {
        const int lresult = platform::AddFontResourceA(ztfj);
        g_.g_zjzt = lresult != 0;
    }
    if (g_.g_zjzt) {
        const QString ztm = QStringLiteral("HMPhone KELP");
        QFont f = st_3->font();
        f.setFamilies({ztm});
        st_3->setFont(f);
    }

    // 8.
    ii_width = design::kWindow.width;
    ii_height = design::kWindow.height;

    // 9.
    if (!profr())
        return false;

    // 10.
    platform::SetLayeredWindowAttributes(this, 0, g_.sftm == 1 ? 128 : 255, platform::lwa_alpha);

    // 11. A configured absolute path is used as it is.
    if (g_.wbwj.startsWith(QLatin1Char('/')))
        g_.str_savename = g_.wbwj;
    else
        g_.str_savename = g_.ls_path + QStringLiteral("/data/") + g_.wbwj;

    // 12.
    tts_.ttsini();

    // 13. Only the database modes connect.
    if (g_.sjms == 1 || g_.sjms == 2)
        ljsjk();

    // 14-15.
    model_.st_2.visible = true;
    model_.st_3.visible = true;
    model_.st_4.visible = false;
    move(units_.xToPixels(winx), units_.yToPixels(winy));
    if (QScreen *screen = QGuiApplication::primaryScreen())
        model_.screenWidthUnits = units_.pixelsToX(g_.newwidth1 > 0 ? g_.newwidth1 : screen->geometry().width());

    // 16-18. The buffer starts empty and is filled once.
    loadMaterial();

    // 19-22.
    syncWindowX();
    const bool haveRows = model_.showFirstRow();
    applyState();
    show();

    // 23.
    if (haveRows)
        startCycleTimer();
    else
        timer_.stop();

    // 24-25.
    ue_colo();

    g_openWindow = this;
    static bool registered = false;
    if (!registered) {
        registered = true;
        std::atexit(&w_transp::saveAtExit);
    }
    return true;
}

bool w_transp::profr()
{
    if (!QFileInfo(g_.profile).isFile()) {
        QFileDialog dialog(nullptr, QStringLiteral("打开文件"), g_.ls_path, QStringLiteral("初始化文件 (*.ini)"));
        dialog.setDefaultSuffix(QStringLiteral("ini"));
        dialog.setFileMode(QFileDialog::ExistingFile);
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()) {
            g_.profile = dialog.selectedFiles().constFirst();
        } else {
            QMessageBox::information(nullptr, QStringLiteral("提示"), QStringLiteral("无法打开初始化文件"));
            return false;
        }
    }
    ini_.setPath(g_.profile);
    TranspSettings w;
    w.reci = model_.reci;
    readProfile(ini_, g_, w, [this] { regodbc(); });
    winx = w.winx;
    winy = w.winy;
    ls_uid = w.ls_uid;
    ls_pwd = w.ls_pwd;
    model_.reci = w.reci;
    return true;
}

void w_transp::regodbc()
{
    // The study database is not wired in yet; nothing to register.
}

void w_transp::ljsjk()
{
    // The study database is not wired in yet; there is nothing to connect to.
}

void w_transp::loadMaterial()
{
    switch (g_.sjms) {
    case 1:
    case 2:
        // Database modes: loaders arrive with the study database.
        break;
    case 3:
        if (QFileInfo::exists(g_.str_savename)) {
            const TextLoadResult r = txtload(g_.str_savename, dw_new);
            if (!r.ok) {
                warn(r.error);
                QMessageBox::warning(nullptr, QStringLiteral("错误提示"), r.error);
            }
        } else {
            QMessageBox::warning(nullptr, QStringLiteral("错误提示"),
                                 QStringLiteral("找不到文件:") + g_.str_savename +
                                     QStringLiteral("。请正确配制后重新启动本程序"));
        }
        break;
    default:
        break;
    }
}

void w_transp::startCycleTimer()
{
    timer_.start(timerIntervalMs(g_.jg));
}

void w_transp::syncWindowX()
{
    model_.win.x = units_.pixelsToX(x());
    model_.win.y = units_.pixelsToY(y());
}

void w_transp::onTimer()
{
    syncWindowX();
    model_.tick();
    applyState();
}

void w_transp::nplay()
{
    syncWindowX();
    model_.nplay();
    applyState();
}

void w_transp::autowidth()
{
    syncWindowX();
    model_.autowidth();
    applyState();
}

void w_transp::applyState()
{
    const auto apply = [this](QLabel *label, const LabelState &s) {
        if (label->text() != s.text)
            label->setText(s.text);
        label->setGeometry(units_.xToPixels(s.x), units_.yToPixels(s.y), units_.xToPixels(s.width),
                           units_.yToPixels(s.height));
        if (label->font().pointSize() != s.fontPt) {
            QFont f = label->font();
            f.setPointSize(s.fontPt);
            label->setFont(f);
        }
        label->setVisible(s.visible);
    };
    apply(st_2, model_.st_2);
    apply(st_3, model_.st_3);
    apply(st_4, model_.st_4);
    resize(std::max(1, units_.xToPixels(model_.win.width)), std::max(1, units_.yToPixels(model_.win.height)));
}

void w_transp::ue_pause()
{
    if (model_.ypause) {
        model_.ypause = false;
        startCycleTimer();
    } else {
        model_.ypause = true;
        timer_.stop();
    }
}

void w_transp::ue_hide()
{
    if (!isVisible()) {
        show();
        startCycleTimer();
    } else {
        timer_.stop();
        hide();
    }
}

void w_transp::ue_jy()
{
    model_.pfsy = !model_.pfsy;
}

void w_transp::ue_szb()
{
}

void w_transp::ue_xyd()
{
    syncWindowX();
    model_.nextItem();
    applyState();
}

void w_transp::ue_syd()
{
    syncWindowX();
    model_.previousItem();
    applyState();
}

void w_transp::ue_xyz()
{
    syncWindowX();
    model_.nextGroup(g_.sjms == 1 || g_.sjms == 2, zxh);
    applyState();
}

void w_transp::ue_syz()
{
    syncWindowX();
    model_.previousGroup(g_.sjms == 1 || g_.sjms == 2, zxh);
    applyState();
}

void w_transp::ue_colo()
{
    const long text = colov(g_.c1) != -1 ? colov(g_.c1) : kDefaultTextColour;
    const long face = colov(g_.c2) != -1 ? colov(g_.c2) : kDefaultLabelColour;
    const long back = colov(g_.c3) != -1 ? colov(g_.c3) : kDefaultWindowColour;
    for (QLabel *label : {st_2, st_3, st_4}) {
        QPalette pal = label->palette();
        pal.setColor(QPalette::WindowText, toQColor(text));
        pal.setColor(QPalette::Window, toQColor(face));
        label->setPalette(pal);
    }
    QPalette pal = palette();
    pal.setColor(QPalette::Window, toQColor(back));
    setPalette(pal);
}

void w_transp::persist()
{
    if (ini_.path().isEmpty())
        return;
    if (!writeResumeRow(ini_, g_, model_.reci))
        warn(QStringLiteral("cannot save the resume row to %1: %2").arg(ini_.path(), ini_.errorString()));
}

void w_transp::saveOnClose()
{
    if (closed_)
        return;
    closed_ = true;
    timer_.stop();
    persist();
}

void w_transp::closeEvent(QCloseEvent *event)
{
    saveOnClose();
    event->accept();
}

void w_transp::saveAtExit()
{
    // The X connection can vanish with the desktop session; Qt then exits the
    // process without closing windows. Keep the resume row all the same.
    if (g_openWindow)
        g_openWindow->saveOnClose();
}

} // namespace kelp
