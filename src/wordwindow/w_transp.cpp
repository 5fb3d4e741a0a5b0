#include "wordwindow/w_transp.h"

#include "config/data_source.h"
#include "config/profile.h"
#include "platform/fonts.h"
#include "platform/hotkeys.h"
#include "platform/window_style.h"
#include "settings/numerical.h"
#include "settings/palette.h"
#include "speech/speech.h"
#include "study/db_loaders.h"
#include "study/notebook.h"
#include "study/text_loader.h"
#include "wordwindow/placement.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QDir>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QScreen>
#include <QWindow>

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

    for (QLabel *label : {st_2, st_3, st_4})
        label->installEventFilter(this);

    model_.plawav = [this](const QString &word) { tts_.plawav(word, g_.fwav); };
    timer_.setTimerType(Qt::CoarseTimer);
    connect(&timer_, &QTimer::timeout, this, &w_transp::onTimer);
    dragWatch_.setInterval(50);
    connect(&dragWatch_, &QTimer::timeout, this, [this] {
        // The window manager moves the window; the drag ends with the button.
        if (!platform::leftButtonDown())
            endDrag();
    });
}

w_transp::~w_transp()
{
    if (g_openWindow == this)
        g_openWindow = nullptr;
}

bool w_transp::open()
{
    // The window is always a layered window; its opacity follows below.
    std::int32_t ll_ret = platform::GetWindowLongA(this, platform::gwl_exstyle);
    ll_ret = n_cst_numerical::of_bitwiseor(ll_ret, platform::ws_ex_layered);
    platform::SetWindowLongA(this, platform::gwl_exstyle, ll_ret);

    // Every file lives under the current directory.
    g_.ls_path = QDir::currentPath();
    ls_database = g_.ls_path + QStringLiteral("/kelp.mdb");
    g_.profile = g_.ls_path + QStringLiteral("/wkcfg.ini");
    const QString ztfj = g_.ls_path + QStringLiteral("/font/Kelpphone.ttf");
    meword = g_.ls_path + QStringLiteral("/data/生词本.txt");

    // Where the ODBC driver lives: used when the data source is registered.
    sys_path = platform::GetSystemDirectoryA();

    // Today, fixed for the whole run.
    g_.dqsj = QDate::currentDate();

    // The phonetic font, when it is there.
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

    // The designed size, for the layout switch.
    ii_width = design::kWindow.width;
    ii_height = design::kWindow.height;

    if (!profr())
        return false;

    // Half transparent for sftm 1, else opaque.
    platform::SetLayeredWindowAttributes(this, 0, g_.sftm == 1 ? 128 : 255, platform::lwa_alpha);

    // A configured absolute path is used as it is.
    if (g_.wbwj.startsWith(QLatin1Char('/')))
        g_.str_savename = g_.wbwj;
    else
        g_.str_savename = g_.ls_path + QStringLiteral("/data/") + g_.wbwj;

    tts_.ttsini();

    // Only the database modes connect.
    if (g_.sjms == 1 || g_.sjms == 2)
        ljsjk();

    // Placed at the saved position, above other windows (its flags).
    model_.st_2.visible = true;
    model_.st_3.visible = true;
    model_.st_4.visible = false;
    placeWindow();
    if (QScreen *screen = QGuiApplication::primaryScreen())
        model_.screenWidthUnits = units_.pixelsToX(g_.newwidth1 > 0 ? g_.newwidth1 : screen->geometry().width());

    // The buffer starts empty and is filled once; the connection lives
    // only for that.
    const bool loaded = loadMaterial();
    g_.sqlca.disconnect();
    if (!loaded)
        return false;

    // The first item, word only.
    syncWindowX();
    const bool haveRows = model_.showFirstRow();
    applyState();
    show();

    // An empty buffer leaves the timer off.
    if (haveRows)
        startCycleTimer();
    else
        timer_.stop();

    // Colours, then the hot keys last.
    ue_colo();
    regkey();

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

DataSourceSettings w_transp::dataSource() const
{
    return DataSourceSettings{g_.dns_name1, sys_path, ls_database, ls_uid, ls_pwd};
}

void w_transp::regodbc()
{
    kelp::regodbc(dataSource());
}

void w_transp::ljsjk()
{
    kelp::ljsjk(g_.sqlca, dataSource(), ini_, yreg);
}

bool w_transp::databaseError(const DbError &error)
{
    warn(QStringLiteral("database query failed (status %1): %2").arg(error.status).arg(error.text));
    QMessageBox::critical(nullptr, QStringLiteral("数据库错!cur_product"), QString::number(error.status));
    g_.sqlca.disconnect();
    return false;
}

bool w_transp::loadMaterial()
{
    switch (g_.sjms) {
    case 1:
    case 2:
        if (auto error = loadFromDatabase(g_.sqlca, g_.sjms, g_.dqsj, g_.fxd, g_.gtfz, g_.f1t2, dw_new, zxh))
            return databaseError(*error);
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
    return true;
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

void w_transp::applyState()
{
    const auto apply = [this](QLabel *label, const LabelState &s) {
        if (label->text() != s.text)
            label->setText(s.text);
        label->setGeometry(units_.xToPixels(s.x), units_.yToPixels(s.y), units_.xToPixels(s.width),
                           units_.yToPixels(s.height));
        const int pt = std::max(1, s.fontPt);
        if (label->font().pointSize() != pt) {
            QFont f = label->font();
            f.setPointSize(pt);
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
    adword();
}

void w_transp::adword()
{
    const auto line = notebookLine(dw_new, model_.rowOnDisplay());
    if (!line)
        return; // a group heading (or nothing) is on display
    const AppendResult r = appendNotebookLine(meword, *line);
    if (!r.opened) {
        warn(QStringLiteral("cannot open %1: %2").arg(meword, r.error));
        QMessageBox::information(nullptr, QStringLiteral("提示"), QStringLiteral("文件不能打开"));
    }
    if (!r.written) {
        if (r.opened)
            warn(QStringLiteral("cannot write %1: %2").arg(meword, r.error));
        QMessageBox::information(nullptr, QStringLiteral("提示"), QStringLiteral("文件写入错误"));
    }
    // A short pause that keeps the window responsive, so a held key does not
    // add the same word many times over.
    QElapsedTimer ll_cpu1;
    ll_cpu1.start();
    while (ll_cpu1.elapsed() <= 1000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
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
    savePosition();
}

void w_transp::saveOnClose()
{
    if (closed_)
        return;
    closed_ = true;
    timer_.stop();
    dragWatch_.stop();
    persist();
    releaseHotKeys();
}

void w_transp::placeWindow()
{
    QList<QRect> screens;
    for (QScreen *screen : QGuiApplication::screens())
        screens << screen->geometry();
    const QPoint saved(units_.xToPixels(winx), units_.yToPixels(winy));
    const QPoint fallback(units_.xToPixels(design::kWindow.x), units_.yToPixels(design::kWindow.y));
    const QSize size(units_.xToPixels(design::kWindow.width), units_.yToPixels(design::kWindow.height));
    const QPoint at = reachablePosition(saved, size, screens, fallback);
    if (at != saved) {
        winx = design::kWindow.x;
        winy = design::kWindow.y;
    }
    move(at);
    placedAt_ = at;
}

void w_transp::savePosition()
{
    const QPoint p = isVisible() ? platform::windowScreenPosition(this) : pos();
    // Unmoved: keep the stored values, which pixel rounding would otherwise nudge.
    if (p != placedAt_) {
        winy = units_.pixelsToY(p.y());
        winx = units_.pixelsToX(p.x());
    }
    if (ini_.writeString(ini::kOther, QStringLiteral("winx"), QString::number(winx)) != 1 ||
        ini_.writeString(ini::kOther, QStringLiteral("winy"), QString::number(winy)) != 1)
        warn(QStringLiteral("cannot save the window position to %1: %2").arg(ini_.path(), ini_.errorString()));
}

void w_transp::regkey()
{
    if (!hotkeys_) {
        hotkeys_ = new platform::HotKeys(this);
        // Queued: a command may open a message box or pause, which must not
        // run inside the native event filter.
        connect(hotkeys_, &platform::HotKeys::hotKey, this, [this](std::uint32_t id) { other(id, 0); },
                Qt::QueuedConnection);
    }
    struct Row {
        const char *name;
        std::uint32_t *id;
        unsigned modifiers;
        unsigned vk;
    };
    const Row table[] = {
        {"myatomid", &atomid, platform::mod_alt, 90},  {"myatomid1", &atomid1, platform::mod_alt, 65},
        {"myatomid3", &atomid3, platform::mod_alt, 68}, {"myatomid4", &atomid4, 0, 39},
        {"myatomid5", &atomid5, 0, 37},                 {"myatomid6", &atomid6, 0, 38},
        {"myatomid7", &atomid7, 0, 40},                 {"myatomid8", &atomid8, platform::mod_alt, 88},
    };
    for (const Row &row : table) {
        *row.id = platform::HotKeys::GlobalAddAtomA(row.name);
        hotkeys_->RegisterHotKey(*row.id, row.modifiers, row.vk);
    }
}

void w_transp::other(std::uint32_t wparam, std::intptr_t)
{
    if (wparam == 0)
        return; // never a command for an id that was not obtained
    const std::pair<std::uint32_t, const char *> order[] = {
        {atomid, "ue_hide"}, {atomid1, "ue_jy"},  {atomid3, "ue_szb"}, {atomid5, "ue_syd"},
        {atomid4, "ue_xyd"}, {atomid6, "ue_xyz"}, {atomid7, "ue_syz"}, {atomid8, "ue_pause"},
    };
    for (const auto &[id, event] : order) {
        if (id != 0 && wparam == id)
            QMetaObject::invokeMethod(this, event);
    }
}

void w_transp::releaseHotKeys()
{
    if (!hotkeys_)
        return;
    hotkeys_->UnregisterHotKey(atomid);
    hotkeys_->UnregisterHotKey(atomid1);
    hotkeys_->UnregisterHotKey(atomid3);
    // The others went with the window on the original system; grabs on the
    // root window outlive ours, so release them too.
    hotkeys_->unregisterAll();
}

void w_transp::mpop()
{
    QMenu m_new2(this);
    const auto item = [&](const QString &text, const char *event) {
        QAction *a = m_new2.addAction(text);
        if (event)
            connect(a, &QAction::triggered, this, [this, event] { QMetaObject::invokeMethod(this, event); });
        return a;
    };
    QAction *pause = item(QStringLiteral("暂停(Alt+x)"), "ue_pause");
    pause->setCheckable(true);
    pause->setChecked(model_.ypause);
    QAction *mute = item(QStringLiteral("静音(Alt+a)"), "ue_jy");
    mute->setCheckable(true);
    mute->setChecked(!model_.pfsy);
    item(QStringLiteral("隐藏(Atl+z)"), "ue_hide");
    item(QStringLiteral("上一组(向下键)"), "ue_syz");
    item(QStringLiteral("下一组(向上键)"), "ue_xyz");
    item(QStringLiteral("上一条(向左键)"), "ue_syd");
    item(QStringLiteral("下一条(向右键)"), "ue_xyd");
    item(QStringLiteral("加入我的生词本(Alt+d)"), "ue_szb");
    // The colour and settings dialogs are not built yet.
    item(QStringLiteral("颜色设置"), nullptr);
    item(QStringLiteral("其他设置"), nullptr);
    QAction *quit = item(QStringLiteral("退出"), nullptr);
    connect(quit, &QAction::triggered, this, &w_transp::exitRequested, Qt::QueuedConnection);
    m_new2.exec(QCursor::pos());
}

void w_transp::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton) {
        // Dragging: no presentation step may resize the window meanwhile.
        timer_.stop();
        pressed_ = true;
        pressOffset_ = event->globalPosition().toPoint() - frameGeometry().topLeft();
    } else if (event->button() == Qt::RightButton) {
        mpop();
    }
}

void w_transp::mouseMoveEvent(QMouseEvent *event)
{
    if (!pressed_)
        return;
    const QPoint global = event->globalPosition().toPoint();
    if (!dragging_) {
        if ((global - frameGeometry().topLeft() - pressOffset_).manhattanLength() < QApplication::startDragDistance())
            return;
        dragging_ = true;
        // Started only after the drag distance, so a plain click or a double
        // click never puts the window manager into a move.
        if (windowHandle() && windowHandle()->startSystemMove()) {
            pressed_ = false;
            dragWatch_.start();
            return;
        }
    }
    move(global - pressOffset_);
}

void w_transp::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && (pressed_ || dragging_))
        endDrag();
}

void w_transp::endDrag()
{
    dragWatch_.stop();
    pressed_ = false;
    dragging_ = false;
    if (!closed_)
        startCycleTimer(); // even while paused: its ticks then do nothing
}

void w_transp::mouseDoubleClickEvent(QMouseEvent *)
{
    toggleLayout();
}

void w_transp::toggleLayout()
{
    syncWindowX();
    QScreen *screen = QGuiApplication::primaryScreen();
    const int screenHeight = g_.newheight1 > 0 ? g_.newheight1 : (screen ? screen->geometry().height() : 0);
    model_.toggleLayout(units_.pixelsToY(screenHeight), ii_width, ii_height);
    if (!model_.autow)
        move(0, y()); // the screen-wide layout starts at the left edge
    applyState();
}

bool w_transp::eventFilter(QObject *watched, QEvent *event)
{
    auto *label = qobject_cast<QLabel *>(watched);
    if (!label || (label != st_2 && label != st_3 && label != st_4))
        return QWidget::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        auto *me = static_cast<QMouseEvent *>(event);
        // Labels do not drag; the word and meaning labels open the menu.
        if (me->button() == Qt::RightButton && label != st_3)
            mpop();
        return true;
    }
    case QEvent::MouseButtonRelease: {
        auto *me = static_cast<QMouseEvent *>(event);
        // A click on the word while paused steps by hand.
        if (label == st_2 && me->button() == Qt::LeftButton && label->rect().contains(me->position().toPoint()) &&
            model_.ypause)
            nplay();
        return true;
    }
    case QEvent::MouseButtonDblClick:
        toggleLayout();
        return true;
    case QEvent::MouseMove:
        return true;
    default:
        return QWidget::eventFilter(watched, event);
    }
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
