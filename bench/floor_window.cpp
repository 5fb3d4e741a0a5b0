// The toolkit's floor for the first word: a bare Qt window with three labels
// in the word window's font, one of them Chinese (so the CJK font is loaded
// too), top-most and borderless like the word window, and nothing else.
#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>
#include <QWidget>

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication app(argc, argv);
    QWidget window(nullptr, Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::Tool);
    window.setWindowTitle(QStringLiteral("Kelp Words"));
    QFont font(QStringLiteral("Arial"));
    font.setPointSize(12);
    font.setWeight(QFont::Bold);
    auto *word = new QLabel(QStringLiteral("sea"));
    auto *phonetic = new QLabel(QStringLiteral("/ siː/"));
    auto *meaning = new QLabel(QStringLiteral("n. 海"));
    auto *rows = new QVBoxLayout(&window);
    auto *top = new QHBoxLayout;
    for (QLabel *label : {word, phonetic, meaning})
        label->setFont(font);
    top->addWidget(word);
    top->addWidget(phonetic);
    rows->addLayout(top);
    rows->addWidget(meaning);
    window.resize(360, 62);
    window.show();
    return QApplication::exec();
}
