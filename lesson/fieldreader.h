#pragma once

#include <QByteArray>

class QIODevice;

// Splits a lesson file into its comma-separated fields, as raw bytes. Works on bytes so that it
// serves Shift-JIS and UTF-8 alike: every byte it looks for (comma, quote, space, tab, CR, LF)
// is below 0x40, which never occurs inside a Shift-JIS or UTF-8 multi-byte letter.
//
// The rules: spaces and tabs in front of a field are skipped; a field in double quotes keeps its
// commas and spaces, and anything between the closing quote and the next comma is dropped; an
// unquoted field ends at a comma or a line end and loses its trailing spaces and tabs. Line ends
// are CR LF, LF or CR, and mean nothing but the end of a field. Blank lines between fields that
// start a line are skipped, so a blank line between two words, or at the end, is harmless; a
// comma followed by a line end is an empty field.
//
// It reads the device in small chunks and never further than the field it is asked for.
//
// A field keeps at most MaxFieldBytes bytes; the rest of it is passed over to its end. A letter is
// a few bytes and a file name at most 255, so only a damaged or hostile file gets there, and a
// field of megabytes would otherwise go onto a button whole.
class FieldReader
{
public:
    static constexpr qsizetype MaxFieldBytes = 1024;

    explicit FieldReader(QIODevice *device);
    FieldReader(const FieldReader &) = delete;
    FieldReader &operator=(const FieldReader &) = delete;

    // Reads the next field into `field`. Returns false when the file holds no further field.
    bool readField(QByteArray &field);
    // Whether the field last read was longer than MaxFieldBytes and so was cut.
    bool fieldWasCut() const { return m_fieldCut; }
    // Whether the field last read ran on to the end of the device rather than to a comma or a
    // line end. When the device holds only the start of a file, such a field may be incomplete.
    bool fieldRanToEnd() const { return m_fieldRanToEnd; }

    // True when nothing but spaces, tabs and line ends is left. Only meaningful between fields.
    bool atEnd();

    // Drops a UTF-8 byte-order mark at the very start; returns whether there was one.
    bool skipByteOrderMark();

private:
    int peek();
    void advance() { ++m_position; }
    bool fill();
    void skipBlanks(bool lineEndsToo);
    template <typename Stop> int take(QByteArray &field, Stop stop);

    QIODevice *m_device;
    QByteArray m_buffer;
    qsizetype m_position = 0;
    bool m_afterComma = false;
    bool m_deviceDone = false;
    bool m_fieldCut = false;
    bool m_fieldRanToEnd = false;
};
