#include "media/audioclip.h"

#include <QtEndian>

#include "media/sdlaudio.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <memory>

namespace {
// SDL takes the length in a chunk's header on trust and allocates that much before it reads, so
// a damaged header could ask for 4 GiB. A chunk that runs past the end of the file is cut to what
// the file holds; SDL then decodes the whole blocks that are there.
void cutChunksToFile(QByteArray &file)
{
    constexpr qsizetype ChunkHeader = 8; // four-letter id, then a 32-bit little-endian length
    if (file.size() < 12 || !file.startsWith("RIFF") || file.mid(8, 4) != "WAVE")
        return;
    qsizetype position = 12;
    while (position + ChunkHeader <= file.size()) {
        char *length = file.data() + position + 4;
        const qsizetype room = file.size() - position - ChunkHeader;
        if (qFromLittleEndian<quint32>(length) > quint64(room))
            qToLittleEndian<quint32>(quint32(room), length);
        const quint32 kept = qFromLittleEndian<quint32>(length);
        position += ChunkHeader + kept + (kept & 1); // chunks are padded to an even length
    }
}

struct WavDeleter
{
    void operator()(Uint8 *samples) const { SdlAudio::get()->FreeWAV(samples); }
};
} // namespace

AudioClip AudioClip::fromWav(const QByteArray &file, const AudioFormat &device)
{
    if (file.isEmpty() || file.size() > std::numeric_limits<int>::max() || device.frameBytes <= 0)
        return {};
    const SdlAudio *sdl = SdlAudio::get();
    if (!sdl)
        return {};
    QByteArray bytes = file;
    cutChunksToFile(bytes);

    SDL_AudioSpec spec{};
    Uint8 *decoded = nullptr;
    Uint32 decodedLength = 0;
    SDL_RWops *source = sdl->RWFromConstMem(bytes.constData(), int(bytes.size()));
    if (!source || !sdl->LoadWAV_RW(source, 1, &spec, &decoded, &decodedLength))
        return {};
    const std::unique_ptr<Uint8, WavDeleter> owned(decoded);

    // One conversion of the whole clip: SDL 2.26's SDL_AudioStream loses the last tens of
    // milliseconds of a resampled clip when flushed, SDL_ConvertAudio does not.
    SDL_AudioCVT conversion;
    if (sdl->BuildAudioCVT(&conversion, spec.format, spec.channels, spec.freq,
            SDL_AudioFormat(device.sampleFormat), Uint8(device.channels), device.rate)
        < 0)
        return {};
    const qint64 room = qint64(decodedLength) * std::max(conversion.len_mult, 1);
    if (room > std::numeric_limits<int>::max())
        return {};
    AudioClip clip;
    clip.m_samples.resize(room);
    std::memcpy(clip.m_samples.data(), decoded, decodedLength);
    conversion.buf = reinterpret_cast<Uint8 *>(clip.m_samples.data());
    conversion.len = int(decodedLength);
    if (sdl->ConvertAudio(&conversion) != 0)
        return {};
    const int converted = conversion.len_cvt;
    clip.m_samples.resize(converted - converted % device.frameBytes);
    clip.m_samples.squeeze();
    clip.m_frameBytes = device.frameBytes;
    return clip;
}
