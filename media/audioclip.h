#pragma once

#include "media/audioformat.h"

#include <QByteArray>
#include <QString>

// A WAV clip decoded and converted to the sound device's format, ready to be played.
class AudioClip
{
public:
    // What a clip may be. A voice clip is a second or two; these bound the time and memory that
    // reading, decoding and playing one can take, whatever a lesson's file says.
    static constexpr qint64 LargestFileBytes = 64 * 1024 * 1024;
    static constexpr int LowestRate = 4000; // frames per second
    static constexpr int HighestRate = 192000;
    static constexpr int MostChannels = 8;
    static constexpr int LongestSeconds = 10;
    static constexpr qint64 LargestDecodedBytes = 64 * 1024 * 1024;

    AudioClip() = default;

    // Reads the WAV file at `path` for fromWav(): only a regular file of at most LargestFileBytes
    // inside its folder (ContentFile). Empty when it cannot be read, or when its header alone
    // says fromWav() would refuse it (then the rest of the file is not read), with the reason in
    // `problem` if given. An empty path (what an unsafe name gives) names no file.
    static QByteArray readFile(const QString &path, QString *problem = nullptr);

    // Decodes the bytes of a WAV file: any format SDL reads (PCM of 8 to 32 bits, float, IMA and
    // MS ADPCM, A-law, µ-law) at LowestRate to HighestRate with 1 to MostChannels channels, of at
    // most LongestSeconds and LargestDecodedBytes; the header is judged before anything is
    // decoded. A file that stops before its header says plays what it holds. Anything else gives
    // a null clip. `problem`, if given, says in Japanese why a clip is null, or that a clip that
    // plays was cut short; it is left empty otherwise.
    static AudioClip fromWav(
        const QByteArray &file, const AudioFormat &device, QString *problem = nullptr);

    bool isNull() const { return m_samples.isEmpty(); }
    const QByteArray &samples() const { return m_samples; }
    qint64 frames() const { return m_frameBytes > 0 ? m_samples.size() / m_frameBytes : 0; }

private:
    QByteArray m_samples; // whole frames in the device's format
    int m_frameBytes = 0;
};
