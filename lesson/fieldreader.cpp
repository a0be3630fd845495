#include "lesson/fieldreader.h"

#include <QIODevice>

namespace {
constexpr qint64 ChunkSize = 64 * 1024;

bool isBlank(int c) { return c == ' ' || c == '\t'; }
bool isLineEnd(int c) { return c == '\r' || c == '\n'; }
} // namespace

FieldReader::FieldReader(QIODevice *device) : m_device(device) {}

bool FieldReader::fill()
{
    if (m_deviceDone)
        return false;
    m_buffer.remove(0, m_position);
    m_position = 0;
    const QByteArray chunk = m_device->read(ChunkSize);
    if (chunk.isEmpty()) {
        m_deviceDone = true;
        return false;
    }
    m_buffer += chunk;
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

bool FieldReader::readField(QByteArray &field)
{
    field.clear();
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
        for (c = peek(); c != -1 && c != '"'; c = peek()) {
            field += char(c);
            advance();
        }
        if (c == '"')
            advance();
        for (c = peek(); c != -1 && c != ',' && !isLineEnd(c); c = peek())
            advance();
    } else {
        for (; c != -1 && c != ',' && !isLineEnd(c); c = peek()) {
            field += char(c);
            advance();
        }
        while (!field.isEmpty() && isBlank(field.back()))
            field.chop(1);
    }

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
