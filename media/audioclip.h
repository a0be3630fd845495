#pragma once

#include "media/audioformat.h"

#include <QByteArray>

// A WAV clip decoded and converted to the sound device's format, ready to be played.
class AudioClip
{
public:
    AudioClip() = default;

    // Decodes the bytes of a WAV file: any format SDL reads (PCM of 8 to 32 bits, float, IMA and
    // MS ADPCM, A-law, µ-law; any rate and channel count). A file that stops before its header
    // says plays what it holds. Anything that is not a WAV file gives a null clip.
    static AudioClip fromWav(const QByteArray &file, const AudioFormat &device);

    bool isNull() const { return m_samples.isEmpty(); }
    const QByteArray &samples() const { return m_samples; }
    qint64 frames() const { return m_frameBytes > 0 ? m_samples.size() / m_frameBytes : 0; }

private:
    QByteArray m_samples; // whole frames in the device's format
    int m_frameBytes = 0;
};
