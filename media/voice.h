#pragma once

#include <QString>

#include <functional>

// Voice clips: WAV files played to their end before the call returns.
namespace Voice {

// Plays the WAV file at `path` and returns when it has been heard to its end. The program keeps
// painting and taking input meanwhile; the screens hold the handler calls that input asks for
// until the clip's handler has returned. A clip that is missing or not a WAV file, or a machine
// without sound, returns at once and quietly. The sound device is opened at the first clip; a
// machine without one says so in one line on standard error per run.
void play(const QString &path);

// Loads the sound libraries in the background, so that the first clip starts on time without the
// program's start waiting for it.
void prepare();

// What play() does when no replacement is set: real playback, for a replacement that records
// the clips and plays them too.
void playThrough(const QString &path);

// Replaces what play() does, so that a test can see which clips were asked for, in order,
// without waiting for them. An empty function restores real playback.
using Player = std::function<void(const QString &path)>;
void setPlayer(Player player);

} // namespace Voice
