// The application-wide settings variables, filled from the INI file at
// start-up and shared by every window for the whole run.
#pragma once

#include "platform/odbc.h"

#include <QDate>
#include <QString>

#include <array>

namespace kelp {

struct AppGlobals {
    QString profile;      // full path of the INI file
    QString ls_path;      // program folder: the current directory when the word window opens
    int newwidth1 = 0;    // screen size in pixels
    int newheight1 = 0;

    QString dns_name1;    // ODBC data-source name
    QString xxts1;        // review cycle text, "1t2t4t7t15t"
    std::array<int, 8> fxd{}; // review-day counts, elements 1..7 (0 unused)

    int index1 = 1;       // voice number, or a speech failure code -1..-4
    int index2 = 1;       // audio output number
    int sjms = 1;         // data-source mode: 1 review, 2 group range, 3 text file
    long reci1 = 1, reci2 = 2, reci3 = 3; // resume rows per mode
    QString gtfz;         // group range "first-last"
    QString wbwj;         // word text file
    QDate lssj;           // last day of study in review mode (invalid when unreadable)
    QString fwav;         // root folder of recordings; empty means <program>/wav/
    int jg = 3;           // seconds between two presentation steps
    int sftm = 1;         // 1: half-transparent word window
    int c1 = 3, c2 = 21, c3 = 2; // colour settings (palette numbers)

    bool f1t2 = false;    // review mode found nothing due and fell back to the range
    bool g_zjzt = false;  // the phonetic font was registered
    QDate dqsj;           // today, fixed at start-up
    QString str_savename; // full path of the word text file

    platform::OdbcConnection sqlca; // connected only while the buffer is filled
};

} // namespace kelp
