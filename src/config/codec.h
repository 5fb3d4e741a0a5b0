// Text encodings of the files shared with Windows installations.
//
// Inside the program all text is Unicode (QString). Files written for the
// Windows world use GB18030, which is byte-identical to GBK (code page 936)
// for every GBK character and loses nothing else. Files are read as UTF-8
// when they are valid UTF-8, otherwise as GB18030.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringConverter>

#include <optional>

namespace kelp::codec {

enum class Encoding { Utf8, Gb18030 };

// True when the bytes form valid UTF-8 (an empty array is valid).
bool isValidUtf8(const QByteArray &bytes);

// Picks the encoding a whole file's bytes were most likely written in:
// UTF-8 when valid (or marked so), except where the same bytes read as
// Chinese in GBK and only as odd letters in UTF-8; GB18030 otherwise.
Encoding detect(const QByteArray &bytes);

// The UTF-16 byte order a file's byte-order mark names, if it has one.
std::optional<QStringConverter::Encoding> utf16Of(const QByteArray &bytes);

// Decodes GB18030; bytes that are not valid GB18030 become U+FFFD.
QString fromGb18030(const QByteArray &bytes);
QByteArray toGb18030(const QString &text);

QString decode(const QByteArray &bytes, Encoding encoding);
QByteArray encode(const QString &text, Encoding encoding);

// Decodes file contents by the rule above; a file with a UTF-16 byte-order
// mark as UTF-16. Byte-order marks are dropped.
QString decodeFile(const QByteArray &bytes);

// Length of the text in GBK bytes (a Chinese character counts 2), the unit in
// which the word window measures its texts.
int gbkLength(const QString &text);

} // namespace kelp::codec
