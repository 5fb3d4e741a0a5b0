#include "settings/settings_window.h"

#include "settings/screen_fit.h"

#include "config/review_schedule.h"
#include "config/settings.h"
#include "settings/settings_file_dialog.h"
#include "speech/speech_engine.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QGuiApplication>
#include <QKeySequenceEdit>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollArea>
#include <QSpinBox>
#include <QUrl>
#include <QVBoxLayout>

#ifndef KELP_DOC_FROM_LIBEXEC
#define KELP_DOC_FROM_LIBEXEC "../../share/doc/kelpword"
#endif

namespace kelp {
namespace {

// The program's own documentation, found from where the program is: beside
// it in a build tree, or where the package installs it; else the project's
// home page.
QString projectPage()
{
    const QString folder = QCoreApplication::applicationDirPath();
    for (const QString &candidate :
         {folder + QStringLiteral("/README.md"), folder + QStringLiteral("/" KELP_DOC_FROM_LIBEXEC "/README.md")}) {
        if (QFileInfo(candidate).isFile())
            return QUrl::fromLocalFile(QFileInfo(candidate).canonicalFilePath()).toString();
    }
    return QStringLiteral("https://github.com/kelpwords/kelpword");
}

QString hintFor(int code)
{
    switch (code) {
    case kNoSpeechEngine: return QCoreApplication::translate("kelp::settings", "您可能还未安装语音库");
    case kNoVoice: return QCoreApplication::translate("kelp::settings", "取得引擎失败");
    case kNoAudioOutput: return QCoreApplication::translate("kelp::settings", "取得音频设备失败(可能未安装声卡)");
    case kSpeechFailed: return QCoreApplication::translate("kelp::settings", "调运speak函数失败,请重新进行TTS配制。");
    default: return QString();
    }
}

} // namespace

SettingsWindow::SettingsWindow(Settings &settings, SettingsFile &file, SpeechEngine *engine,
                               const QString &programFolder, Hooks hooks, QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint), // above the word window
      settings_(settings), file_(file), engine_(engine), programFolder_(programFolder), hooks_(std::move(hooks))
{
    setObjectName(QStringLiteral("settingsWindow"));
    setWindowTitle(tr("设置"));
    setAttribute(Qt::WA_DeleteOnClose);
    if (QScreen *screen = QGuiApplication::primaryScreen())
        units_ = platform::LayoutUnits(screen->logicalDotsPerInchX(), screen->logicalDotsPerInchY());
    // Arial at 10 points, or the metric-compatible face where Arial is missing.
    QFont font(QStringLiteral("Arial"), 10);
    font.setFamilies({QStringLiteral("Arial"), QStringLiteral("Liberation Sans")});
    setFont(font);
    build();

    chooseWordFile = [this](const QString &start) {
        QFileDialog dialog(this, tr("选择文件"), start, tr("文本文件 (*.TXT *.txt);;dat Files (*.dat);;All Files (*)"));
        dialog.setWindowFlag(Qt::WindowStaysOnTopHint);
        dialog.setFileMode(QFileDialog::ExistingFile);
        return dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty() ? dialog.selectedFiles().first()
                                                                                       : QString();
    };
    chooseRecordingsFolder = [this] {
        QFileDialog dialog(this, tr("请选择以26个字母命名的文件夹的上一级文件夹"), settings_.recordingsFolder);
        dialog.setWindowFlag(Qt::WindowStaysOnTopHint);
        dialog.setFileMode(QFileDialog::Directory);
        dialog.setOption(QFileDialog::ShowDirsOnly);
        return dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty() ? dialog.selectedFiles().first()
                                                                                       : QString();
    };
    fitScreen();
}

void SettingsWindow::fitScreen()
{
    // The designed size where it fits the screen's free area, else as much
    // as fits, the form scrolling inside.
    const QRect free = freeArea();
    if (free.isEmpty())
        return;
    resize(fittedSize(content_->size() + QSize(2, 2), free));
    centreIn(*this, free);
}

void SettingsWindow::build()
{
    const auto rect = [this](int x, int y, int w, int h) {
        return QRect(units_.xToPixels(x), units_.yToPixels(y), units_.xToPixels(w), units_.yToPixels(h));
    };
    // Every control sits on a form that scrolls when the screen is too small for it.
    content_ = new QWidget;
    content_->setObjectName(QStringLiteral("settingsForm"));
    QWidget *const form = content_;
    const auto label = [&](const QString &text, QRect at) {
        auto *l = new QLabel(text, form);
        l->setGeometry(at);
        return l;
    };
    const auto spin = [&](QRect at, int min, int max) {
        auto *s = new QSpinBox(form);
        s->setRange(min, max); // what the mask and range allow is all that can be saved
        s->setGeometry(at);
        return s;
    };
    const auto button = [&](const QString &text, QRect at) {
        auto *b = new QPushButton(text, form);
        b->setGeometry(at);
        return b;
    };
    const auto edit = [&](QRect at) {
        auto *e = new QLineEdit(form);
        e->setGeometry(at);
        return e;
    };
    content_->resize(units_.xToPixels(4462), units_.yToPixels(2116));
    auto *scroll = new QScrollArea(this);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidget(content_);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(scroll);

    // The form: review cycles, data-source name, recordings folder and its test.
    auto *cycles = new QGroupBox(tr("复习周期"), form);
    cycles->setGeometry(rect(73, 48, 3182, 400));
    for (int i = 0; i < 7; ++i) {
        const int x = 95 + i * 450;
        label(tr("周期%1").arg(i + 1), rect(x, 236, 165, 72));
        cycle_[static_cast<size_t>(i)] = spin(rect(x + 165, 216, 200, 112), 0, 99999);
        label(tr("天"), rect(x + 370, 236, 50, 72));
    }
    label(tr("用户DSN"), rect(73, 520, 402, 72));
    dsn_ = edit(rect(475, 500, 1000, 112));
    // The answers' hot keys, beside the data-source name: one key each,
    // taken at the next start.
    const auto keyEdit = [&](const QRect &r) {
        auto *e = new QKeySequenceEdit(form);
        e->setGeometry(r);
        e->setClearButtonEnabled(true);
        // One combination: a second key pressed replaces the first.
        connect(e, &QKeySequenceEdit::keySequenceChanged, e, [e](const QKeySequence &keys) {
            if (keys.count() > 1)
                e->setKeySequence(QKeySequence(keys[keys.count() - 1]));
        });
        return e;
    };
    label(tr("认识键"), rect(1600, 520, 320, 72));
    knowKey_ = keyEdit(rect(1920, 500, 560, 112));
    label(tr("不认识键"), rect(2520, 520, 320, 72));
    forgotKey_ = keyEdit(rect(2840, 500, 460, 112));
    label(tr("wav路径"), rect(73, 680, 402, 72));
    recordings_ = edit(rect(475, 660, 2100, 112));
    auto *browse = button(tr("浏览"), rect(2620, 660, 402, 112));
    label(tr("测试wav文件"), rect(73, 840, 402, 72));
    testWord_ = edit(rect(475, 820, 600, 112));
    auto *testWav = button(tr("测试"), rect(1120, 820, 402, 112));

    // Speech.
    auto *tts = new QGroupBox(tr("TTS配制"), form);
    tts->setGeometry(rect(3328, 0, 987, 1056));
    label(tr("英文朗读引擎:"), rect(3378, 112, 905, 72));
    voices_ = new QComboBox(form);
    voices_->setGeometry(rect(3365, 256, 914, 112));
    label(tr("音频输出设备:"), rect(3378, 472, 896, 72));
    outputs_ = new QComboBox(form);
    outputs_->setGeometry(rect(3365, 576, 914, 112));
    label(tr("测试文本："), rect(3360, 768, 471, 72));
    speechText_ = edit(rect(3365, 872, 352, 128));
    speechText_->setText(QStringLiteral("sea"));
    auto *testSpeechButton = button(tr("测试"), rect(3803, 864, 457, 128));

    auto *transparency = new QGroupBox(tr("窗口是否透明"), form);
    transparency->setGeometry(rect(3657, 1088, 658, 256));
    transparent_ = new QRadioButton(tr("是"), form);
    transparent_->setGeometry(rect(3694, 1184, 256, 64));
    opaque_ = new QRadioButton(tr("否"), form);
    opaque_->setGeometry(rect(3986, 1184, 183, 64));
    transparent_->setChecked(true);

    // Data source.
    label(tr("数据来源类型："), rect(73, 1172, 526, 64));
    sourceMode_ = new QComboBox(form);
    sourceMode_->addItems({tr("1.按复习周期"), tr("2.分组起止"), tr("3.文本文件")});
    sourceMode_->setGeometry(rect(585, 1152, 585, 112));
    label(tr("记录号："), rect(1280, 1172, 402, 64));
    record_ = spin(rect(1646, 1152, 402, 112), 1, 99999);
    label(tr("分组起："), rect(2121, 1172, 402, 64));
    firstGroup_ = spin(rect(2414, 1152, 402, 112), 1, 32767); // group numbers are 16-bit
    label(tr("分组止："), rect(2926, 1172, 402, 64));
    lastGroup_ = spin(rect(3218, 1152, 402, 112), 1, 32767);
    label(tr("文本文件名："), rect(73, 1404, 453, 64));
    wordFile_ = edit(rect(585, 1404, 1248, 128));
    auto *pickFile = button(QStringLiteral(":"), rect(1902, 1408, 73, 96));
    label(tr("定时间隔时间："), rect(2121, 1408, 526, 64));
    interval_ = spin(rect(2615, 1404, 201, 112), 1, 65);

    const QString page = projectPage();
    auto *link = label(QString(), rect(2962, 1440, 1367, 72));
    // A long path (a deep install prefix) loses its middle, which says least, rather than its end;
    // the whole of it is the tooltip.
    link->setText(link->fontMetrics().elidedText(tr("我的博客 ") + page, Qt::ElideMiddle, link->width()));
    link->setToolTip(page);
    link->setCursor(Qt::PointingHandCursor);
    link->setTextInteractionFlags(Qt::NoTextInteraction);
    link->installEventFilter(this);
    link->setObjectName(QStringLiteral("projectLink"));

    auto *save = button(tr("保存"), rect(521, 1652, 457, 112));
    auto *saveRestart = button(tr("保存且重启"), rect(1573, 1652, 421, 112));
    auto *quit = button(tr("退出"), rect(2487, 1652, 402, 112));
    hint_ = label(tr("提示："), rect(462, 1860, 2839, 72));

    save->setObjectName(QStringLiteral("saveButton"));
    saveRestart->setObjectName(QStringLiteral("saveRestartButton"));
    quit->setObjectName(QStringLiteral("quitButton"));
    testSpeechButton->setObjectName(QStringLiteral("testSpeechButton"));
    pickFile->setObjectName(QStringLiteral("pickFileButton"));

    // Tab order by the designed tab numbers (equal numbers in the order the
    // controls are listed): save 10, the form 20, voice 30, output and speech
    // test 40, test text 50, mode and 退出 60, record and 保存且重启 70,
    // interval 80, first group 90, last group and transparency 100, word
    // file 110, its button 120.
    const QList<QWidget *> order{save,         cycle_[0], cycle_[1],   cycle_[2],        cycle_[3],   cycle_[4],
                                 cycle_[5],    cycle_[6], dsn_,        recordings_,      browse,      testWord_,
                                 testWav,      voices_,   outputs_,    testSpeechButton, speechText_, sourceMode_,
                                 quit,         record_,   saveRestart, interval_,        firstGroup_, lastGroup_,
                                 transparent_, opaque_,   wordFile_,   pickFile};
    for (qsizetype i = 1; i < order.size(); ++i)
        setTabOrder(order[i - 1], order[i]);

    connect(sourceMode_, &QComboBox::activated, this, [this](int index) {
        settings_.sourceMode = SourceMode(index + 1);
        showRecordOfMode();
    });
    connect(voices_, &QComboBox::activated, this, [this](int index) { chooseVoice(index + 1); });
    connect(outputs_, &QComboBox::activated, this, [this](int index) { chooseOutput(index + 1); });
    connect(testSpeechButton, &QPushButton::clicked, this, &SettingsWindow::testSpeech);
    connect(pickFile, &QPushButton::clicked, this, &SettingsWindow::pickWordFile);
    connect(browse, &QPushButton::clicked, this, &SettingsWindow::pickRecordingsFolder);
    connect(testWav, &QPushButton::clicked, this, &SettingsWindow::testRecording);
    connect(save, &QPushButton::clicked, this, &SettingsWindow::save);
    connect(saveRestart, &QPushButton::clicked, this, &SettingsWindow::saveAndRestart);
    connect(quit, &QPushButton::clicked, this, &QWidget::close);
    // The data-source name may never become empty: checked at every keystroke.
    connect(dsn_, &QLineEdit::textEdited, this, [this](const QString &text) {
        if (text.isEmpty()) {
            dsn_->setText(lastDataSource_);
            dsn_->setFocus();
            QMessageBox::information(this, tr("提示信息"), tr("用户数据源名称不能为空!"));
        } else {
            lastDataSource_ = text;
        }
    });
}

bool SettingsWindow::eventFilter(QObject *watched, QEvent *event)
{
    // The link line: a click opens the project's page in the desktop's browser.
    if (watched->objectName() == QLatin1String("projectLink") && event->type() == QEvent::MouseButtonRelease) {
        QDesktopServices::openUrl(QUrl(projectPage()));
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void SettingsWindow::fillForm()
{
    // The day counts in use, not a new parse of the text: a saved 0 shows as 0.
    for (size_t i = 0; i < 7; ++i)
        cycle_[i]->setValue(settings_.reviewDays[i + 1]);
    dsn_->setText(settings_.dataSourceName);
    lastDataSource_ = settings_.dataSourceName;
    recordings_->setText(settings_.recordingsFolder);
    for (const auto &[edit, key] : {std::pair{knowKey_, &keys::knowKey}, std::pair{forgotKey_, &keys::forgotKey}})
        edit->setKeySequence(QKeySequence::fromString(file_.read(*key), QKeySequence::PortableText));
    testWord_->setText(QStringLiteral("sea"));
    cycle_[0]->setFocus();
}

bool SettingsWindow::open()
{
    fillForm();
    if (!QFileInfo(file_.path()).isFile()) {
        const std::optional<QString> chosen = askForSettingsFile(programFolder_);
        if (!chosen) {
            sayNoSettingsFile();
            return false;
        }
        file_.setPath(*chosen);
    }
    oldDataSource_ = settings_.dataSourceName;
    const qsizetype dash = settings_.groupRange.indexOf(QLatin1Char('-'));
    firstGroup_->setValue(textToInt(settings_.groupRange.left(dash < 0 ? 0 : dash)));
    lastGroup_->setValue(textToInt(settings_.groupRange.mid(dash + 1)));
    transparent_->setChecked(settings_.halfTransparent == 1);
    opaque_->setChecked(settings_.halfTransparent != 1);
    wordFile_->setText(settings_.wordFile);
    interval_->setValue(settings_.interval);
    const int mode = static_cast<int>(settings_.sourceMode);
    sourceMode_->setCurrentIndex(mode >= 1 && mode <= 3 ? mode - 1 : -1);
    showRecordOfMode();

    const QString hint = hintFor(settings_.voice);
    hint_->setText(hint);
    hint_->setVisible(!hint.isEmpty());
    if (settings_.voice >= kNoAudioOutput && settings_.voice <= kNoSpeechEngine)
        return true; // no engine, voice or output: the lists stay empty
    if (engine_) {
        for (int i = 0; i < engine_->voiceCount(); ++i)
            voices_->addItem(engine_->voice(i).description);
        voices_->setCurrentIndex(settings_.voice >= 1 && settings_.voice <= voices_->count() ? settings_.voice - 1
                                                                                             : -1);
        for (int i = 0; i < engine_->audioOutputCount(); ++i)
            outputs_->addItem(engine_->audioOutput(i).description);
        outputs_->setCurrentIndex(
            settings_.audioOutput >= 1 && settings_.audioOutput <= outputs_->count() ? settings_.audioOutput - 1 : -1);
    }
    return true;
}

} // namespace kelp
