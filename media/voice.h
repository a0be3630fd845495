#pragma once

#include <QString>

#include <functional>

// Voice clips: WAV files played to their end before the call returns.
namespace Voice {

// Plays the WAV file at `path` and returns when it has been heard to its end. The program keeps
// painting meanwhile, but handles no click, key or pointer movement until the clip is over; such
// input is handled afterwards, in order. A clip that is missing or not a WAV file, or a machine
// without sound, returns at once and quietly.
// Pointer movements made during a clip count as one, where the pointer came to rest, so a control
// that speaks when the pointer moves over it speaks once more at most. The sound device is opened
// at the first clip; a machine without one says so in one line on standard error per run.
void play(const QString &path);

// Loads the sound library in the background, so that the first clip starts on time without the
// program's start waiting for it.
void prepare();

// Replaces what play() does, so that a test can see which clips were asked for, in order,
// without waiting for them. An empty function restores real playback.
using Player = std::function<void(const QString &path)>;
void setPlayer(Player player);

} // namespace Voice
