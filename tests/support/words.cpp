#include "support/words.h"

#include "study/text_loader.h"

namespace kelp::test {

WordBuffer wordsFrom(const QString &text)
{
    WordBuffer words;
    loadWordText(text, words);
    return words;
}

} // namespace kelp::test
