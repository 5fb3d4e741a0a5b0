#include "wordwindow/word_window.h"

#include "config/colours.h"
#include "platform/desktop.h"
#include "platform/window_style.h"
#include "session/study_session.h"
#include "util/log.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QMessageBox>
#include <QMouseEvent>
#include <QScreen>
#include <QShowEvent>
#include <QTimer>
#include <QWindow>

#include <algorithm>

namespace kelp {
namespace {

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

// Every line break a word file may hold (CR LF, CR, form feed) is drawn as
// one, as the window's height already allows for.
QString displayText(const QString &text)
{
    if (!text.contains(QLatin1Char('\r')) && !text.contains(QLatin1Char('\f')))
        return text;
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    shown.replace(QLatin1Char('\f'), QLatin1Char('\n'));
    return shown;
}

void setWindowColour(QWidget &widget, QPalette::ColorRole role, long value)
{
    QPalette pal = widget.palette();
    pal.setColor(role, toQColor(value));
    widget.setPalette(pal);
}

} // namespace

WordWindow::WordWindow(StudySession &session, const platform::Desktop &desktop, QWidget *parent)
    : QWidget(parent, platform::floatingWindowFlags()), session_(session), desktop_(desktop),
      // Created in this order so that the word label lies on top.
      meaningLabel_(makeLabel(this, "meaningLabel")), phoneticLabel_(makeLabel(this, "phoneticLabel")),
      wordLabel_(makeLabel(this, "wordLabel")), answerMark_(makeLabel(this, "answerMark"))
{
    setObjectName(QStringLiteral("wordWindow"));
    setWindowTitle(QStringLiteral("Kelp Words"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::NoFocus);
    if (QScreen *screen = QGuiApplication::primaryScreen())
        units_ = platform::LayoutUnits(screen->logicalDotsPerInchX(), screen->logicalDotsPerInchY());

    QFont phonetic = phoneticLabel_->font();
    phonetic.setFamilies({QStringLiteral("Arial"), QStringLiteral("DejaVu Sans")});
    phoneticLabel_->setFont(phonetic);
    setAutoFillBackground(true);
    setWindowColour(*this, QPalette::Window, kDefaultWindowColour);
    for (QLabel *label : {wordLabel_, phoneticLabel_, meaningLabel_})
        label->installEventFilter(this);

    session_.setWindowPositionSource([this] { return QPoint(units_.pixelsToX(x()), units_.pixelsToY(y())); });
    connect(&session_, &StudySession::changed, this, &WordWindow::showState);
    connect(&session_, &StudySession::hiddenChanged, this, [this](bool hidden) { setVisible(!hidden); });
    connect(&session_, &StudySession::notebookFailed, this, &WordWindow::showNotebookFailure);
    connect(&session_, &StudySession::answered, this,
            [this](const QString &, const QDate &, int, bool known) { markAnswer(known); });
    answerMark_->hide();
    answerMarkTimer_.setSingleShot(true);
    answerMarkTimer_.setInterval(1500);
    connect(&answerMarkTimer_, &QTimer::timeout, answerMark_, &QLabel::hide);

    dragWatch_.setInterval(50);
    connect(&dragWatch_, &QTimer::timeout, this, [this] {
        // The window manager moves the window; the drag ends with the button.
        if (!desktop_.isLeftButtonDown())
            endDrag();
    });
    showState();
}

void WordWindow::usePhoneticFont(const QString &family)
{
    QFont f = phoneticLabel_->font();
    f.setFamilies({family});
    phoneticLabel_->setFont(f);
}

void WordWindow::applyColours(int text, int label, int window)
{
    const long textColour = paletteColour(text) != -1 ? paletteColour(text) : kDefaultTextColour;
    const long face = paletteColour(label) != -1 ? paletteColour(label) : kDefaultLabelColour;
    const long back = paletteColour(window) != -1 ? paletteColour(window) : kDefaultWindowColour;
    for (QLabel *l : {wordLabel_, phoneticLabel_, meaningLabel_}) {
        setWindowColour(*l, QPalette::WindowText, textColour);
        setWindowColour(*l, QPalette::Window, face);
    }
    setWindowColour(*this, QPalette::Window, back);
}

QPoint WordWindow::screenPosition() const
{
    return isVisible() ? desktop_.windowPosition(*this) : pos();
}

void WordWindow::showState()
{
    const Presentation &p = session_.presentation();
    const auto apply = [this](QLabel *label, const LabelState &s) {
        const QString text = displayText(s.text);
        if (label->text() != text)
            label->setText(text);
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
    apply(wordLabel_, p.wordLabel);
    apply(phoneticLabel_, p.phoneticLabel);
    apply(meaningLabel_, p.meaningLabel);
    resize(std::max(1, units_.xToPixels(p.win.width)), std::max(1, units_.yToPixels(p.win.height)));
}

void WordWindow::showNotebookFailure(bool openFailed, const QString &why)
{
    // The fixed texts, and below them why (another user's file, a lock, a full disk).
    const auto tell = [&why](const QString &text) {
        QMessageBox box(QMessageBox::Information, tr("提示"), text);
        box.setInformativeText(why);
        box.exec();
    };
    if (openFailed)
        tell(tr("文件不能打开"));
    tell(tr("文件写入错误"));
}

void WordWindow::markAnswer(bool known)
{
    answerMark_->setText(known ? QStringLiteral("✓") : QStringLiteral("✗"));
    answerMark_->setStyleSheet(known ? QStringLiteral("color: #2e7d32") : QStringLiteral("color: #c62828"));
    answerMark_->adjustSize();
    answerMark_->move(width() - answerMark_->width() - 4, 2);
    answerMark_->raise();
    answerMark_->show();
    answerMarkTimer_.start();
    qCDebug(lcWordWindow) << "answer marked:" << (known ? "known" : "not known");
}

void WordWindow::toggleLayout()
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    const int screenHeight = screen ? screen->geometry().height() : 0;
    session_.toggleLayout(units_.pixelsToY(screenHeight));
    if (!session_.presentation().fitted)
        move(0, y()); // the screen-wide layout starts at the left edge
    emit positionChosen(screenPosition());
}

void WordWindow::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton) {
        // Dragging: no presentation step may resize the window meanwhile.
        session_.holdTimer();
        pressed_ = true;
        pressOffset_ = event->globalPosition().toPoint() - frameGeometry().topLeft();
    } else if (event->button() == Qt::RightButton) {
        // A chord: the menu takes the left button's release, so the drag ends here.
        if (pressed_ || dragging_)
            endDrag();
        emit contextMenuRequested(event->globalPosition().toPoint());
    } else if (pressed_ || dragging_) {
        endDrag();
    }
}

void WordWindow::mouseMoveEvent(QMouseEvent *event)
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

void WordWindow::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && (pressed_ || dragging_))
        endDrag();
}

void WordWindow::endDrag()
{
    dragWatch_.stop();
    const bool moved = dragging_;
    pressed_ = false;
    dragging_ = false;
    session_.releaseTimer();
    if (moved)
        emit positionChosen(screenPosition());
}

void WordWindow::mouseDoubleClickEvent(QMouseEvent *)
{
    toggleLayout();
}

bool WordWindow::isOwnLabel(QObject *object) const
{
    return object == wordLabel_ || object == phoneticLabel_ || object == meaningLabel_;
}

bool WordWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (!isOwnLabel(watched))
        return QWidget::eventFilter(watched, event);
    auto *label = static_cast<QLabel *>(watched);
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        auto *me = static_cast<QMouseEvent *>(event);
        // Labels do not drag; the word and meaning labels open the menu.
        if (me->button() == Qt::RightButton && label != phoneticLabel_)
            emit contextMenuRequested(me->globalPosition().toPoint());
        return true;
    }
    case QEvent::MouseButtonRelease: {
        auto *me = static_cast<QMouseEvent *>(event);
        // A click on the word while paused steps by hand.
        if (label == wordLabel_ && me->button() == Qt::LeftButton && label->rect().contains(me->position().toPoint()) &&
            session_.presentation().paused)
            session_.stepByHand();
        return true;
    }
    case QEvent::MouseButtonDblClick: toggleLayout(); return true;
    case QEvent::MouseMove: return true;
    default: return QWidget::eventFilter(watched, event);
    }
}

void WordWindow::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    // A window placed where nothing of it can be seen is never painted: what
    // waits for the first paint must not wait for ever.
    QTimer::singleShot(kFirstPaintWaitMs, this, [this] {
        if (!painted_) {
            painted_ = true;
            emit firstPainted();
        }
    });
}

void WordWindow::paintEvent(QPaintEvent *event)
{
    QWidget::paintEvent(event);
    if (!painted_) {
        painted_ = true;
        QTimer::singleShot(0, this, &WordWindow::firstPainted); // once this paint has reached the screen
    }
}

void WordWindow::closeEvent(QCloseEvent *event)
{
    dragWatch_.stop();
    emit closeRequested();
    event->accept();
}

} // namespace kelp
