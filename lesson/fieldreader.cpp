#include "lesson/fieldreader.h"

#include <QIODevice>

#include <algorithm>

namespace {
constexpr qint64 ChunkSize = 64 * 1024;

bool isBlank(int c)
{
    return c == ' ' || c == '\t';
}
bool isLineEnd(int c)
{
    return c == '\r' || c == '\n';
}
} // namespace

FieldReader::FieldReader(QIODevice *device)
    : m_device(device)
{ }

bool FieldReader::fill()
{
    if (m_deviceDone)
        return false;
    m_buffer.remove(0, m_position);
    m_position = 0;
    const qsizetype kept = m_buffer.size();
    m_buffer.resize(kept + ChunkSize);
    const qint64 count = m_device->read(m_buffer.data() + kept, ChunkSize);
    m_buffer.resize(kept + std::max<qint64>(count, 0));
    if (count <= 0) {
        m_deviceDone = true;
        return false;
    }
    return true;
}

int FieldReader::peek()
{
    if (m_position >= m_buffer.size() && !fill())
        return -1;
    return static_cast<unsigned char>(m_buffer[m_position]);
}

void FieldReader::skipBlanks(bool lineEndsToo)
{
    for (int c = peek(); isBlank(c) || (lineEndsToo && isLineEnd(c)); c = peek())
        advance();
}

bool FieldReader::skipByteOrderMark()
{
    if (peek() != 0xEF)
        return false;
    // The buffer holds the whole first chunk, so all three bytes are there if the file has them.
    if (m_buffer.mid(m_position, 3) != QByteArray("\xEF\xBB\xBF"))
        return false;
    m_position += 3;
    return true;
}

bool FieldReader::atEnd()
{
    if (m_afterComma)
        return false;
    skipBlanks(true);
    return peek() == -1;
}

// Moves on to the first byte for which stop() holds and returns it (-1 at the end of the file),
// appending the bytes passed over to `field` while it has room. Scans whole chunks at a time, so
// passing over a field of megabytes costs milliseconds.
template <typename Stop> int FieldReader::take(QByteArray &field, Stop stop)
{
    for (;;) {
        if (m_position >= m_buffer.size() && !fill())
            return -1;
        const char *begin = m_buffer.constData() + m_position;
        const char *end = m_buffer.constData() + m_buffer.size();
        const char *found
            = std::find_if(begin, end, [&](char c) { return stop(static_cast<unsigned char>(c)); });
        const qsizetype room = std::max<qsizetype>(MaxFieldBytes - field.size(), 0);
        if (found - begin > room)
            m_fieldCut = true;
        field.append(begin, std::min<qsizetype>(found - begin, room));
        m_position += found - begin;
        if (found != end)
            return static_cast<unsigned char>(*found);
    }
}

bool FieldReader::readField(QByteArray &field)
{
    field.clear();
    m_fieldCut = false;
    skipBlanks(!m_afterComma);
    int c = peek();
    if (c == -1) {
        // "a,b," at the very end still holds an empty last field.
        const bool emptyFieldAfterComma = m_afterComma;
        m_afterComma = false;
        return emptyFieldAfterComma;
    }

    if (c == '"') {
        advance();
        c = take(field, [](int next) { return next == '"'; });
        if (c == '"')
            advance();
        QByteArray dropped; // between the closing quote and the next comma
        const bool cut = m_fieldCut;
        c = take(dropped, [](int next) { return next == ',' || isLineEnd(next); });
        m_fieldCut = cut;
    } else {
        c = take(field, [](int next) { return next == ',' || isLineEnd(next); });
        while (!field.isEmpty() && isBlank(field.back()))
            field.chop(1);
    }

    m_fieldRanToEnd = (c == -1);
    m_afterComma = (c == ',');
    if (c == ',' || c == '\n') {
        advance();
    } else if (c == '\r') {
        advance();
        if (peek() == '\n')
            advance();
    }
    return true;
}
