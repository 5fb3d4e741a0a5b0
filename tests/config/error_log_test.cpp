// The system error log: each record byte for byte, appended, never truncated.
#include "config/codec.h"
#include "config/error_log.h"
#include "support/files.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace kelp;

TEST(ErrorLog, TwoErrorsGiveTwoRecordsInTheSameFile)
{
    QTemporaryDir dir;
    const QString log = dir.filePath("system_error.log");
    ASSERT_TRUE(test::writeAll(log, "earlier\r\n"));
    const ErrorReport speak{35,
                            QStringLiteral("Speak: no audio output"),
                            QStringLiteral("WordWindow"),
                            QStringLiteral("SpeechEngine"),
                            QStringLiteral("pronounce"),
                            0};
    const ErrorReport other{2, QStringLiteral("坏了"), QStringLiteral("WordWindow"), QString(), QString(), 17};
    const QDateTime first(QDate(2026, 12, 7), QTime(9, 5, 3));
    const QDateTime second(QDate(2027, 1, 1), QTime(23, 59, 59));
    EXPECT_TRUE(appendErrorRecord(log, speak, first).written);
    EXPECT_TRUE(appendErrorRecord(log, other, second).written);

    const QString dashes(64, QLatin1Char('-'));
    const QString expected = QStringLiteral("earlier\r\n") + QStringLiteral("\r\n") + dashes +
                             QStringLiteral("\r\n\r\n") +
                             QStringLiteral(" 出错时间 : 2026/12/07 09:05:03\r\n"
                                            " 错误代码 : 35\r\n"
                                            " 错误信息 : Speak: no audio output\r\n"
                                            " 窗口/菜单: WordWindow\r\n"
                                            " 出错控件 : SpeechEngine\r\n"
                                            " 出错事件 : pronounce\r\n"
                                            " 出错行数 : 0\r\n") +
                             QStringLiteral("\r\n") + dashes + QStringLiteral("\r\n\r\n") +
                             QStringLiteral(" 出错时间 : 2027/01/01 23:59:59\r\n"
                                            " 错误代码 : 2\r\n"
                                            " 错误信息 : 坏了\r\n"
                                            " 窗口/菜单: WordWindow\r\n"
                                            " 出错控件 : \r\n"
                                            " 出错事件 : \r\n"
                                            " 出错行数 : 17\r\n");
    EXPECT_EQ(test::readAll(log), codec::toGb18030(expected));
}

TEST(ErrorLog, ALogThatCannotBeOpenedIsSaid)
{
    QTemporaryDir dir;
    const AppendResult r = appendErrorRecord(dir.path(), ErrorReport{}, QDateTime::currentDateTime());
    EXPECT_FALSE(r.opened);
    EXPECT_FALSE(r.written);
}
