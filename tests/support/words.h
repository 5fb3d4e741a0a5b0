// Word buffers for the tests, loaded from word-file text.
#pragma once

#include "study/word_buffer.h"

#include <QString>

namespace kelp::test {

WordBuffer wordsFrom(const QString &text);

} // namespace kelp::test
