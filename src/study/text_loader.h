// Loading study material from a "#"-separated word text file.
#pragma once

#include "study/word_buffer.h"

#include <QString>

namespace kelp {

// Largest word file accepted: what the buffer's 32-bit line offsets hold
// and half the machine's memory allow, and never less than 1 GiB. The file
// is kept whole in memory, with 16 bytes a line beside it.
qint64 maxWordFileBytes();

struct TextLoadResult {
    bool ok = true;
    QString error; // what went wrong, for the learner, when !ok
};

// Fills the (empty) buffer from the lines of `text`: title lines become
// numbered group headers, "word#meaning#transcription" lines word rows, and a
// file without titles of more than ten lines gets a "无组标题" header every
// ten words. Lines end at LF or CR LF.
void loadWordText(const QString &text, WordBuffer &buffer);
// The same from a file's bytes (UTF-8 when valid, else GB18030; UTF-16 with
// its mark), which the buffer keeps: a cell is decoded when asked for.
void loadWordBytes(const QByteArray &bytes, WordBuffer &buffer);

// Reads the file `wordFilePath` (UTF-8 when valid, else GB18030) with
// exclusive access and loads it as above. A file that cannot be opened or
// read adds no rows and reports why.
TextLoadResult loadWordFile(const QString &wordFilePath, WordBuffer &buffer);

} // namespace kelp
