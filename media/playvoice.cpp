#include "media/playvoice.h"
#include "core/module1.h"
#include "media/voice.h"

namespace Module1 {

void PlayVoice(const QString &folder, const QString &name)
{
    Voice::play(filePath(folder, name));
}

} // namespace Module1
