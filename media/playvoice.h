#pragma once

#include <QString>

// The procedure of Module1 that every screen speaks through.
namespace Module1 {

// Plays the clip `name` from `folder`, or from the program's own voice folder when `folder` lacks
// it (VoiceClip::path), and returns when it has been heard to its end.
void PlayVoice(const QString &folder, const QString &name);

} // namespace Module1
