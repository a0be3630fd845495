#include "media/audioclip.h"

#include <QtEndian>

#include "core/contentfile.h"
#include "media/sdlaudio.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <memory>
#include <optional>

namespace {
// SDL takes the length in a chunk's header on trust and allocates that much before it reads, so
// a damaged header could ask for 4 GiB. A chunk that runs past the end of the file is cut to what
// the file holds; SDL then decodes the whole blocks that are there.
// Returns whether a chunk was cut.
bool cutChunksToFile(QByteArray &file)
{
    constexpr qsizetype ChunkHeader = 8; // four-letter id, then a 32-bit little-endian length
    if (file.size() < 12 || !file.startsWith("RIFF") || file.mid(8, 4) != "WAVE")
        return false;
    bool cut = false;
    qsizetype position = 12;
    while (position + ChunkHeader <= file.size()) {
        const qsizetype room = file.size() - position - ChunkHeader;
        // Written only when cut: the bytes are shared with the caller's, and a copy of a clip of
        // 64 MiB costs as much again.
        if (qFromLittleEndian<quint32>(file.constData() + position + 4) > quint64(room)) {
            qToLittleEndian<quint32>(quint32(room), file.data() + position + 4);
            cut = true;
        }
        const quint32 kept = qFromLittleEndian<quint32>(file.constData() + position + 4);
        position += ChunkHeader + kept + (kept & 1); // chunks are padded to an even length
    }
    return cut;
}

// Where a WAV file's fmt chunk and the start of its data chunk are found, in all but odd files.
constexpr qint64 HeaderBytes = 64 * 1024;
constexpr int ImaAdpcm = 0x11;
constexpr int MsAdpcm = 0x02;
constexpr int Extensible = 0xFFFE;

// What the fmt and data chunks of a WAV file say, read before SDL decodes anything.
struct WavHeader
{
    int tag = 0; // for WAVE_FORMAT_EXTENSIBLE, the tag of its sub-format
    int channels = 0;
    qint64 rate = 0;
    int blockAlign = 0;
    int framesPerBlock = 0; // ADPCM only: as the header says, 0 when it says nothing
    qint64 dataBytes = -1;

    bool adpcm() const { return tag == ImaAdpcm || tag == MsAdpcm; }

    // The frames an ADPCM block of blockAlign bytes can hold, as SDL reckons them: a header of
    // 4 (IMA) or 7 (MS) bytes a channel holding 1 or 2 frames, then 4-bit samples.
    qint64 framesBlockHolds() const
    {
        const int headerBytes = (tag == ImaAdpcm ? 4 : 7) * channels;
        if (channels <= 0 || blockAlign < headerBytes)
            return 0;
        return qint64(blockAlign - headerBytes) * 8 / (4 * channels) + (tag == ImaAdpcm ? 1 : 2);
    }

    // Frames the data decodes to, going by the header.
    qint64 frames() const
    {
        if (blockAlign <= 0 || dataBytes < 0)
            return 0;
        const qint64 blocks = (dataBytes + blockAlign - 1) / blockAlign;
        return adpcm() ? blocks * framesPerBlock : dataBytes / blockAlign;
    }

    // Why the header cannot be trusted to count the frames: an ADPCM header whose frames per
    // block are missing (SDL would then take what the block holds) or more than its blocks hold.
    // Empty when it can.
    QString disagreement() const
    {
        if (!adpcm() || (framesPerBlock > 0 && framesPerBlock <= framesBlockHolds()))
            return {};
        return QStringLiteral(
            "ヘッダーがこわれています（ADPCM のブロックに %1 フレームとありますが、"
            "%2 バイトのブロックには %3 フレームまでです）。")
            .arg(framesPerBlock)
            .arg(blockAlign)
            .arg(framesBlockHolds());
    }
};

// The header of a file whose chunks have been cut to it, or of the first bytes of a file of
// `fileSize` bytes; nullopt for no WAV file, or when the first bytes do not hold the header.
std::optional<WavHeader> wavHeader(const QByteArray &file, qint64 fileSize)
{
    if (file.size() < 12 || !file.startsWith("RIFF") || file.mid(8, 4) != "WAVE")
        return std::nullopt;
    const auto *data = reinterpret_cast<const uchar *>(file.constData());
    WavHeader header;
    bool format = false;
    for (qsizetype position = 12; position + 8 <= file.size();) {
        const QByteArrayView id(file.constData() + position, 4);
        const quint32 length = qFromLittleEndian<quint32>(data + position + 4);
        const uchar *body = data + position + 8;
        if (id == "fmt " && length >= 16 && !format) {
            format = true;
            header.tag = qFromLittleEndian<quint16>(body);
            header.channels = qFromLittleEndian<quint16>(body + 2);
            header.rate = qFromLittleEndian<quint32>(body + 4);
            header.blockAlign = qFromLittleEndian<quint16>(body + 12);
            const int extraBytes = length >= 18 ? qFromLittleEndian<quint16>(body + 16) : 0;
            // The extensible header's sub-format GUID starts with the tag it stands for.
            if (header.tag == Extensible && length >= 40 && extraBytes >= 22)
                header.tag = qFromLittleEndian<quint16>(body + 24);
            // Frames per block follow the extra size, in the extensible header too.
            if (length >= 20 && extraBytes >= 2)
                header.framesPerBlock = qFromLittleEndian<quint16>(body + 18);
        } else if (id == "data" && header.dataBytes < 0) {
            header.dataBytes = std::min<qint64>(length, fileSize - (position + 8));
        }
        position += 8 + qsizetype(length) + (length & 1);
    }
    if (!format)
        return std::nullopt;
    return header;
}

using Kind = FileProblem::Kind;

FileProblem tooCostly(const QString &why)
{
    return {Kind::TooCostly, {}, why};
}

// Why a clip of this rate, channel count and length cannot be played; nothing when it can.
std::optional<FileProblem> outOfBounds(
    qint64 rate, int channels, qint64 frames, qint64 decodedBytes)
{
    if (rate < AudioClip::LowestRate || rate > AudioClip::HighestRate)
        return tooCostly(
            QStringLiteral("サンプリング周波数が %1 Hz です。%2〜%3 Hz の音だけを鳴らします。")
                .arg(rate)
                .arg(AudioClip::LowestRate)
                .arg(AudioClip::HighestRate));
    if (channels < 1 || channels > AudioClip::MostChannels)
        return tooCostly(
            QStringLiteral("チャンネルが %1 あります。1〜%2 チャンネルの音だけを鳴らします。")
                .arg(channels)
                .arg(AudioClip::MostChannels));
    if (frames > rate * AudioClip::LongestSeconds)
        return tooCostly(QStringLiteral("長すぎます (%1 秒)。%2 秒までの音だけを鳴らします。")
                             .arg(double(frames) / double(rate), 0, 'f', 1)
                             .arg(AudioClip::LongestSeconds));
    if (decodedBytes > AudioClip::LargestDecodedBytes)
        return tooCostly(QStringLiteral("音のデータが大きすぎます。"));
    return std::nullopt;
}

// Why the clip a header describes is not played, judged before anything is decoded: a 16 Hz
// clip or one of ten minutes takes seconds and a gigabyte to convert, and would hold the child's
// clicks for as long as it plays. Nothing when it may be decoded.
std::optional<FileProblem> headerProblem(const WavHeader &header)
{
    if (const QString disagreement = header.disagreement(); !disagreement.isEmpty())
        return FileProblem{Kind::BadHeader, {}, disagreement};
    return outOfBounds(header.rate, header.channels, header.frames(),
        header.frames() * header.channels * 4); // SDL decodes to at most 32 bits a sample
}

ContentFile::Contents refusedFile(const QString &path, Kind kind, const QString &why)
{
    ContentFile::Contents refused;
    refused.problem = FileProblem{kind, path, why};
    return refused;
}

// The bytes of the WAV file at `path` for AudioClip::fromWav(), or why there are none.
ContentFile::Contents readFile(const QString &path)
{
    if (path.isEmpty())
        return refusedFile(path, Kind::UnsafeName,
            QStringLiteral(
                "文字に使えない文字（/、\\、見えない文字）があるか、文字が . か .. です。"));
    const ContentFile::Opened opened = ContentFile::open(path);
    if (!opened.opened())
        return refusedFile(path, opened.problem->kind, opened.problem->why);
    if (opened.size == 0)
        return refusedFile(path, Kind::Empty, QStringLiteral("ファイルが空です（0 バイト）。"));
    if (opened.size > AudioClip::LargestFileBytes)
        return refusedFile(path, Kind::TooBig,
            QStringLiteral("ファイルが大きすぎます（%1 バイト）。").arg(opened.size));
    // A clip its header refuses is refused before the rest is read: it costs no memory.
    const std::optional<WavHeader> header = wavHeader(opened.file->peek(HeaderBytes), opened.size);
    if (header && header->dataBytes >= 0)
        if (const std::optional<FileProblem> refused = headerProblem(*header))
            return refusedFile(path, refused->kind, refused->why);
    ContentFile::Contents contents;
    contents.size = opened.size;
    // Exactly the size the file had when it was opened: asking for the largest size allowed would
    // reserve that much memory for every clip, on the interface thread, as a letter is clicked.
    contents.bytes = opened.file->read(opened.size);
    // A file may have grown since it was opened.
    if (contents.bytes.size() != opened.size || !opened.file->atEnd())
        return refusedFile(path, Kind::TooBig, QStringLiteral("ファイルが大きすぎます。"));
    return contents;
}

struct WavDeleter
{
    void operator()(Uint8 *samples) const { SdlAudio::get()->FreeWAV(samples); }
};
} // namespace

AudioClip AudioClip::refused(FileProblem::Kind kind, const QString &why)
{
    AudioClip clip;
    clip.m_problem = FileProblem{kind, {}, why};
    return clip;
}

AudioClip AudioClip::read(const QString &path, const AudioFormat &device)
{
    const ContentFile::Contents file = readFile(path);
    if (!file.read()) {
        AudioClip clip;
        clip.m_problem = file.problem;
        return clip;
    }
    AudioClip clip = fromWav(file.bytes, device);
    if (clip.m_problem)
        clip.m_problem->path = path;
    return clip;
}

AudioClip AudioClip::fromWav(const QByteArray &file, const AudioFormat &device)
{
    if (file.isEmpty())
        return refused(Kind::Empty, QStringLiteral("ファイルが空です（0 バイト）。"));
    if (file.size() > LargestFileBytes || device.frameBytes <= 0)
        return refused(Kind::TooBig, QStringLiteral("ファイルが大きすぎます。"));
    QByteArray bytes = file;
    const bool cut = cutChunksToFile(bytes);
    const std::optional<WavHeader> header = wavHeader(bytes, bytes.size());
    if (!header)
        return refused(Kind::WrongFormat, QStringLiteral("WAV ファイルではありません。"));
    if (const std::optional<FileProblem> problem = headerProblem(*header))
        return refused(problem->kind, problem->why);
    const SdlAudio *sdl = SdlAudio::get();
    if (!sdl)
        return refused(
            Kind::Undecodable, QStringLiteral("音のライブラリ (SDL2) を読みこめません。"));

    SDL_AudioSpec spec{};
    Uint8 *decoded = nullptr;
    Uint32 decodedLength = 0;
    SDL_RWops *source = sdl->RWFromConstMem(bytes.constData(), int(bytes.size()));
    if (!source || !sdl->LoadWAV_RW(source, 1, &spec, &decoded, &decodedLength))
        return refused(Kind::Undecodable,
            QStringLiteral("この WAV ファイルは鳴らせません（%1）。")
                .arg(QString::fromUtf8(sdl->GetError())));
    const std::unique_ptr<Uint8, WavDeleter> owned(decoded);
    const int sampleBytes = SDL_AUDIO_BITSIZE(spec.format) / 8;
    if (const std::optional<FileProblem> problem = outOfBounds(spec.freq, spec.channels,
            sampleBytes > 0 && spec.channels > 0 ? decodedLength / (sampleBytes * spec.channels)
                                                 : 0,
            decodedLength))
        return refused(problem->kind, problem->why);

    // One conversion of the whole clip: SDL 2.26's SDL_AudioStream loses the last tens of
    // milliseconds of a resampled clip when flushed, SDL_ConvertAudio does not.
    SDL_AudioCVT conversion;
    if (sdl->BuildAudioCVT(&conversion, spec.format, spec.channels, spec.freq,
            SDL_AudioFormat(device.sampleFormat), Uint8(device.channels), device.rate)
        < 0)
        return refused(Kind::WrongFormat, QStringLiteral("この音の形式は鳴らせません。"));
    const qint64 room = qint64(decodedLength) * std::max(conversion.len_mult, 1);
    if (room > std::numeric_limits<int>::max())
        return refused(Kind::TooCostly, QStringLiteral("音のデータが大きすぎます。"));
    AudioClip clip;
    clip.m_samples.resize(room);
    std::memcpy(clip.m_samples.data(), decoded, decodedLength);
    conversion.buf = reinterpret_cast<Uint8 *>(clip.m_samples.data());
    conversion.len = int(decodedLength);
    if (sdl->ConvertAudio(&conversion) != 0)
        return refused(Kind::WrongFormat, QStringLiteral("この音の形式は鳴らせません。"));
    const int converted = conversion.len_cvt;
    clip.m_samples.resize(converted - converted % device.frameBytes);
    clip.m_samples.squeeze();
    clip.m_frameBytes = device.frameBytes;
    if (clip.isNull())
        return refused(Kind::Empty, QStringLiteral("音が入っていません。"));
    if (cut)
        clip.m_problem = FileProblem{Kind::EndsEarly, {},
            QStringLiteral("ファイルが途中で切れています。あるところまでだけ鳴ります。")};
    return clip;
}
