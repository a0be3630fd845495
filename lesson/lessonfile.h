#pragma once

#include "core/fileproblem.h"
#include "core/lessonfields.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <array>
#include <optional>
#include <utility>

class QIODevice;

// What reading a lesson file found. The program and the lesson checker both read through here.
struct LessonFile
{
    static constexpr int FieldsPerRow = Lesson::FieldsPerRow;
    static constexpr int MaxRows = Lesson::MaxQuestions;
    // Twenty rows of nine fields fit in a few kilobytes; no more than this is ever read of a file,
    // so a file of gigabytes costs no more than a lesson.
    static constexpr qint64 MaxFileBytes = 1024 * 1024;
    using Row = std::array<QString, FieldsPerRow>;

    enum class Encoding { ShiftJis, Utf8 };

    Encoding encoding = Encoding::ShiftJis;
    QList<Row> rows; // the complete rows, at most MaxRows
    QStringList incompleteRow; // the fields of the row the file ran out in
    int missingRow = 0; // 1-based row and field that the file ran out before; 0 when loaded
    int missingField = 0;
    bool ignoredAfterLastRow = false; // something follows row MaxRows (only when asked to look)
    bool cutAtMaxFileBytes = false; // the file is larger than MaxFileBytes
    // 1-based row and field of every field that was too long to be a letter or a file name and
    // was cut to its first FieldReader::MaxFieldBytes bytes.
    QList<std::pair<int, int>> cutFields;
    // Why the file gives no lesson: what ContentFile says when it could not be read; Empty when
    // it holds no field at all; EndsEarly when the last row has fewer than nine fields, or when
    // the file is larger than MaxFileBytes and its first MaxFileBytes do not hold MaxRows rows
    // (what is not complete by then is missing). A lesson file not read yet is missing.
    std::optional<FileProblem> problem = FileProblem{FileProblem::Kind::Missing, {}, {}};

    bool loaded() const { return !problem; }
    // Whether the file was read, though it may hold no whole lesson.
    bool opened() const
    {
        return loaded() || problem->kind == FileProblem::Kind::Empty
            || problem->kind == FileProblem::Kind::EndsEarly;
    }

    // Reads at most MaxRows rows from `path`, and at most its first MaxFileBytes bytes; only a
    // regular file is read (ContentFile). With `lookPastLastRow`, it also checks whether
    // anything follows the last row it may read, for the checker's report; the program never
    // needs to know.
    static LessonFile read(const QString &path, bool lookPastLastRow = false);

    // The same from a device that is already open for reading. It reads no further than the
    // rows need (plus the look past the last row), so the device may hold more. `cut` says that
    // the device holds only the start of the file: a field that runs to its end may be
    // incomplete, and fewer than MaxRows rows mean the file ends inside a row.
    static LessonFile read(QIODevice *device, bool lookPastLastRow = false, bool cut = false);

    // Whether `start`, the first bytes of a text file, is UTF-16, as Windows Notepad saves
    // "Unicode": a byte order mark, or every other byte of its ASCII a NUL. Read as Shift-JIS it
    // would give only garbled fields.
    static bool looksUtf16(const QByteArray &start);

    // Other text a parent writes beside a lesson (the lesson maker's word list), decoded as a
    // lesson file is: UTF-8 after a byte order mark or when valid, else Shift-JIS; a byte that
    // cannot be decoded becomes U+FFFD.
    static QString decodeText(const QByteArray &bytes);
};
