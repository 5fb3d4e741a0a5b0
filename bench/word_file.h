// The word file the load benchmarks read: realistic lines in GBK (GB18030
// for the phonetic letters), a title line every 20 lines.
#pragma once

#include "config/codec.h"

#include <QString>

#include <fstream>
#include <string>

inline void writeWordFile(const std::string &path, int lines)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    QString text;
    for (int i = 0; i < lines; ++i) {
        if (i % 20 == 0)
            text += QStringLiteral("Unit %1 日常用语\r\n").arg(i / 20 + 1);
        else
            text += QStringLiteral("word%1#n. 单词；词语%1#'wɜːd%1\r\n").arg(i);
        if (text.size() > (1 << 20) || i + 1 == lines) {
            const QByteArray bytes = kelp::codec::toGb18030(text);
            out.write(bytes.constData(), bytes.size());
            text.clear();
        }
    }
}
