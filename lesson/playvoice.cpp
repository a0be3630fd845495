#include "app/module1.h"
#include "lesson/voice.h"

namespace Module1 {

void PlayVoice(const QString &folder, const QString &name)
{
    Voice::play(filePath(folder, name));
}

} // namespace Module1
