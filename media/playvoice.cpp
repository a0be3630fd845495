#include "media/playvoice.h"
#include "core/module1.h"
#include "core/voiceclip.h"
#include "media/voice.h"

namespace Module1 {

void PlayVoice(const QString &folder, const QString &name)
{
    Voice::play(VoiceClip::path(folder, VoiceClip::programFolder(), name));
}

} // namespace Module1
