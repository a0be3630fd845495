#pragma once

#include "core/fileproblem.h"
#include "media/audioformat.h"

#include <QByteArray>
#include <QString>

#include <optional>

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

    // Reads the WAV file at `path` and decodes it as fromWav() does. Only a regular file of at
    // most LargestFileBytes inside its folder is read (ContentFile): a FIFO or a device named by a
    // lesson would otherwise hold the screen for good. A file whose header alone says fromWav()
    // would refuse it is not read further. An empty path (what an unsafe name gives) names no
    // file.
    static AudioClip read(const QString &path, const AudioFormat &device);

    // Decodes the bytes of a WAV file: any format SDL reads (PCM of 8 to 32 bits, float, IMA and
    // MS ADPCM, A-law, µ-law) at LowestRate to HighestRate with 1 to MostChannels channels, of at
    // most LongestSeconds and LargestDecodedBytes; the header is judged before anything is
    // decoded. A file that stops before its header says plays what it holds. Anything else gives
    // a null clip.
    static AudioClip fromWav(const QByteArray &file, const AudioFormat &device);

    bool isNull() const { return m_samples.isEmpty(); }
    const QByteArray &samples() const { return m_samples; }
    qint64 frames() const { return m_frameBytes > 0 ? m_samples.size() / m_frameBytes : 0; }
    // Why the clip is null, or that a clip that plays was cut short (EndsEarly); nothing
    // otherwise. Its path is empty for a clip from fromWav().
    const std::optional<FileProblem> &problem() const { return m_problem; }

private:
    static AudioClip refused(FileProblem::Kind kind, const QString &why);

    QByteArray m_samples; // whole frames in the device's format
    int m_frameBytes = 0;
    std::optional<FileProblem> m_problem;
};
