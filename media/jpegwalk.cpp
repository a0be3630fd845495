#include "media/jpegwalk.h"

#include <QScopeGuard>

#include <algorithm>
#include <cstring>

namespace {
// Bytes read from the file at a time; a marker segment is at most 64 KiB.
constexpr qsizetype Chunk = 256 * 1024;

// The file as read so far and not yet used.
class Source
{
public:
    explicit Source(QIODevice &device)
        : m_device(device)
    { }

    // Whether `count` bytes are there to be looked at (the file may end first).
    bool ensure(qsizetype count)
    {
        while (m_buffer.size() - m_at < count) {
            m_buffer.remove(0, m_at);
            m_at = 0;
            const qsizetype had = m_buffer.size();
            m_buffer.resize(had + Chunk);
            const qint64 got = m_device.read(m_buffer.data() + had, Chunk);
            m_buffer.resize(had + std::max<qint64>(got, 0));
            if (got <= 0)
                return false;
        }
        return true;
    }
    uchar operator[](qsizetype i) const { return uchar(m_buffer[m_at + i]); }
    const uchar *data() const
    {
        return reinterpret_cast<const uchar *>(m_buffer.constData()) + m_at;
    }
    qsizetype available() const { return m_buffer.size() - m_at; }
    void copy(qsizetype count, QByteArray &to)
    {
        to.append(m_buffer.constData() + m_at, count);
        m_at += count;
    }
    void skip(qsizetype count) { m_at += count; }

private:
    QIODevice &m_device;
    QByteArray m_buffer;
    qsizetype m_at = 0;
};

struct Component
{
    int id = 0;
    qint64 blocks = 0;
};

int big16(const uchar *at)
{
    return at[0] << 8 | at[1];
}

bool isFrame(uchar marker) // SOF0 to SOF15, but DHT (C4), JPG (C8) and DAC (CC)
{
    return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

// The metadata the decoder needs: Exif (orientation) and Adobe (colour transform); JFIF is a
// few bytes. Only the first of each.
bool keepApp(uchar marker, const uchar *body, int length, int (&seen)[16])
{
    const int n = marker - 0xE0;
    auto startsWith = [&](const char *tag, int size) {
        return length >= size && std::memcmp(body, tag, size) == 0;
    };
    const bool wanted = (n == 0 && startsWith("JFIF", 5)) || (n == 1 && startsWith("Exif\0", 6))
        || (n == 14 && startsWith("Adobe", 5));
    return wanted && seen[n]++ == 0;
}
} // namespace

JpegWalk JpegWalk::read(QIODevice &device)
{
    JpegWalk walk;
    Source in(device);
    if (!in.ensure(2) || in[0] != 0xFF || in[1] != 0xD8)
        return walk;
    const qint64 size = device.size();
    walk.kept.reserve(size > 0 ? size : Chunk); // untouched pages cost no memory
    in.copy(2, walk.kept);
    QList<Component> components;
    int seenApp[16] = {};
    for (;;) {
        if (!in.ensure(2) || in[0] != 0xFF)
            return walk;
        while (in.ensure(2) && in[1] == 0xFF) // a marker may be preceded by fill bytes
            in.skip(1);
        if (!in.ensure(2))
            return walk;
        const uchar marker = in[1];
        if (marker == 0xD9) {
            in.copy(2, walk.kept);
            walk.whole = true;
            return walk;
        }
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) { // no segment follows
            in.copy(2, walk.kept);
            continue;
        }
        if (!in.ensure(4))
            return walk;
        const int length = big16(in.data() + 2); // includes its own two bytes
        if (length < 2 || !in.ensure(2 + length))
            return walk;
        const uchar *body = in.data() + 4;
        const int bodyLength = length - 2;
        if (marker == 0xFE || (marker >= 0xE0 && marker <= 0xEF)) {
            if (marker == 0xFE || !keepApp(marker, body, bodyLength, seenApp)) {
                in.skip(2 + length);
                continue;
            }
        } else if (isFrame(marker) && walk.width == 0 && bodyLength >= 6) {
            walk.height = big16(body + 1);
            walk.width = big16(body + 3);
            walk.arithmetic = marker >= 0xC9;
            walk.precision = body[0];
            walk.lossless = (marker & 0x03) == 0x03;
            const int count = std::min<int>(body[5], (bodyLength - 6) / 3);
            int hMax = 1, vMax = 1;
            for (int i = 0; i < count; ++i) {
                hMax = std::max(hMax, body[7 + 3 * i] >> 4);
                vMax = std::max(vMax, body[7 + 3 * i] & 15);
            }
            // Whole MCUs, as the decoder allocates them.
            const qint64 mcuColumns = (walk.width + 8 * hMax - 1) / (8 * hMax);
            const qint64 mcuRows = (walk.height + 8 * vMax - 1) / (8 * vMax);
            for (int i = 0; i < count; ++i) {
                const uchar sampling = body[7 + 3 * i];
                const qint64 blocks = mcuColumns * (sampling >> 4) * mcuRows * (sampling & 15);
                components.append({body[6 + 3 * i], blocks});
                walk.blocks += blocks;
            }
        } else if (marker == 0xDA && bodyLength >= 1) {
            ++walk.scans;
            const int count = std::min<int>(body[0], (bodyLength - 1) / 2);
            for (int i = 0; i < count; ++i)
                for (const Component &component : std::as_const(components))
                    if (component.id == body[1 + 2 * i])
                        walk.scannedBlocks += component.blocks;
        }
        in.copy(2 + length, walk.kept);
        if (marker != 0xDA)
            continue;
        const qsizetype dataStart = walk.kept.size();
        const auto counted = qScopeGuard([&] { walk.codedBytes += walk.kept.size() - dataStart; });
        // The coded data runs to the next 0xFF that starts a marker: not a stuffed 0xFF 0x00,
        // not a restart marker, not a fill byte.
        for (;;) {
            if (!in.ensure(2))
                return walk;
            const void *found = std::memchr(in.data(), 0xFF, size_t(in.available()));
            if (!found) {
                in.copy(in.available(), walk.kept);
                continue;
            }
            in.copy(static_cast<const uchar *>(found) - in.data(), walk.kept);
            if (!in.ensure(2))
                return walk;
            const uchar next = in[1];
            if (next == 0x00 || (next >= 0xD0 && next <= 0xD7))
                in.copy(2, walk.kept);
            else if (next == 0xFF)
                in.copy(1, walk.kept);
            else
                break;
        }
    }
}
