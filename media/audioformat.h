#pragma once

#include <QtGlobal>

#include <chrono>

// The sample format of the sound device: what every clip is converted to before it is played.
struct AudioFormat
{
    int rate = 0; // frames per second
    int channels = 0;
    quint16 sampleFormat = 0; // an SDL_AudioFormat value
    int frameBytes = 0; // bytes per frame, all channels

    // How long `frames` frames last at this rate.
    std::chrono::nanoseconds duration(qint64 frames) const
    {
        return std::chrono::nanoseconds(rate > 0 ? frames * 1'000'000'000 / rate : 0);
    }
};
