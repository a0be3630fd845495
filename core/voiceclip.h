#pragma once

#include <QString>

// Where a letter's clip is played from. A lesson may bring clips of its own in its voice folder,
// perhaps only the few a parent recorded; every other letter is spoken by the clips beside the
// program. The program and the lesson checker both go through this, so the checker says what the
// child will hear.
namespace VoiceClip {

// The clips beside the program: AppFolder's voice/ ("" before the folders are derived).
QString programFolder();

// The file the clip `name` is played from: `lessonFolder`'s own when that folder holds an entry
// of that name (even one that cannot be played: it is what the parent put there), else
// `fallbackFolder`'s. An unsafe name gives an empty path, as Module1::filePath does.
QString path(const QString &lessonFolder, const QString &fallbackFolder, const QString &name);

// Whether the clip `name` comes from `lessonFolder` rather than from the fallback.
bool isOwn(const QString &lessonFolder, const QString &name);

} // namespace VoiceClip
