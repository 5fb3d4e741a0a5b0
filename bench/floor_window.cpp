// The toolkit's floor for the first word: a bare Qt window with three labels
// in the word window's font, one of them Chinese (so the CJK font is loaded
// too), top-most and borderless like the word window, and nothing else.
// Built a second time as the speaking floor (KELP_FLOOR_SPEAKS): once shown,
// it says its word with flite's slt voice on the sound server and prints
// "spoken" -- the least a window that speaks can hold.
// Built a third time as the reading floor (KELP_FLOOR_READS): before it shows,
// it reads the first word of the first group from the data source "kelp1"
// (KELP_FLOOR_DSN names another) through the ODBC driver manager -- the least
// a window that takes its word from the study database can hold.
#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>
#include <QWidget>

#ifdef KELP_FLOOR_SPEAKS
#include <QTimer>
#include <flite/flite.h>
#include <pulse/simple.h>

#include <cstdio>

extern "C" cst_voice *register_cmu_us_slt(const char *voxdir);

namespace {
void speak(const char *text)
{
    flite_init();
    cst_voice *voice = register_cmu_us_slt(nullptr);
    cst_wave *wave = flite_text_to_wave(text, voice);
    const pa_sample_spec format{PA_SAMPLE_S16LE, static_cast<uint32_t>(wave->sample_rate),
                                static_cast<uint8_t>(wave->num_channels)};
    if (pa_simple *stream =
            pa_simple_new(nullptr, "floor", PA_STREAM_PLAYBACK, nullptr, "word", &format, nullptr, nullptr, nullptr)) {
        pa_simple_write(stream, wave->samples, sizeof(short) * wave->num_samples * wave->num_channels, nullptr);
        pa_simple_drain(stream, nullptr);
        pa_simple_free(stream);
    }
    delete_wave(wave);
    std::printf("spoken\n");
    std::fflush(stdout);
}
} // namespace
#endif

#ifdef KELP_FLOOR_READS
#include <cstdio>
#include <sql.h>
#include <sqlext.h>

#include <string>

namespace {
// The first group's first word and its meaning; empty when the data source
// cannot be read.
std::pair<QString, QString> readFirstWord()
{
    std::pair<QString, QString> word;
    const QByteArray dsn =
        qEnvironmentVariableIsEmpty("KELP_FLOOR_DSN") ? QByteArray("kelp1") : qgetenv("KELP_FLOOR_DSN");
    const std::string connect = "DSN=" + dsn.toStdString();
    SQLHENV env = SQL_NULL_HENV;
    SQLHDBC dbc = SQL_NULL_HDBC;
    SQLHSTMT st = SQL_NULL_HSTMT;
    SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env);
    SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    SQLAllocHandle(SQL_HANDLE_DBC, env, &dbc);
    if (SQL_SUCCEEDED(SQLDriverConnect(dbc, nullptr, reinterpret_cast<SQLCHAR *>(const_cast<char *>(connect.c_str())),
                                       SQL_NTS, nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT))) {
        SQLAllocHandle(SQL_HANDLE_STMT, dbc, &st);
        char sql[] = "select da, lx2 from fb order by xh, xh1";
        if (SQL_SUCCEEDED(SQLExecDirect(st, reinterpret_cast<SQLCHAR *>(sql), SQL_NTS)) &&
            SQL_SUCCEEDED(SQLFetch(st))) {
            char text[1024];
            SQLLEN length = 0;
            if (SQL_SUCCEEDED(SQLGetData(st, 1, SQL_C_CHAR, text, sizeof text, &length)) && length >= 0)
                word.first = QString::fromUtf8(text);
            if (SQL_SUCCEEDED(SQLGetData(st, 2, SQL_C_CHAR, text, sizeof text, &length)) && length >= 0)
                word.second = QString::fromUtf8(text);
        }
        SQLFreeHandle(SQL_HANDLE_STMT, st);
        SQLDisconnect(dbc);
    }
    SQLFreeHandle(SQL_HANDLE_DBC, dbc);
    SQLFreeHandle(SQL_HANDLE_ENV, env);
    return word;
}
} // namespace
#endif

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
#ifdef KELP_FLOOR_READS
    const auto [read, itsMeaning] = readFirstWord();
    if (read.isEmpty()) {
        std::fprintf(stderr, "kelp_reading_floor: no word from the data source\n");
        return 1;
    }
    word->setText(read);
    phonetic->clear();
    meaning->setText(itsMeaning);
#endif
    window.resize(360, 62);
    window.show();
#ifdef KELP_FLOOR_SPEAKS
    QTimer::singleShot(0, [] { speak("sea"); });
#endif
    return QApplication::exec();
}
