#include "media/mediajudges.h"

#include "media/audioclip.h"
#include "media/picture.h"

#include <SDL_audio.h>

namespace {
// About the size the quiz shows a word's picture at; only the decoding's cost depends on it.
constexpr QSize ShownSize(160, 160);
// A sound device's usual format: every clip is converted to it, as the program converts it.
const AudioFormat TypicalDevice{48000, 2, AUDIO_F32SYS, 8};
} // namespace

LessonCheck::FileJudges mediaJudges()
{
    return {
        .picture = [](const QString &path) { return Picture::load(path, ShownSize).problem; },
        .clip = [](const QString &path) { return AudioClip::read(path, TypicalDevice).problem(); },
    };
}
