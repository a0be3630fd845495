// libFuzzer target for the lesson reader: arbitrary bytes go through FieldReader and through the
// whole of LessonFile::read, and the checker looks at whatever rows come out. Besides the
// sanitizers' own findings it aborts when one of these stops holding:
//   - FieldReader: an unquoted field never holds a comma or a line end and never starts or ends
//     with a blank; no field is longer than MaxFieldBytes; atEnd() never claims the end while a
//     field is left; asking atEnd() between fields changes nothing; a device that hands out a few
//     bytes per read splits (and cuts) the same fields.
//   - LessonFile: at most 20 rows; the outcome, rows, incomplete row, the missing row and field
//     and the cut fields agree with each other and with what FieldReader finds; ASCII fields come
//     out as they went in; reading from a trickling device gives the same lesson.
//   - LessonCheck: every problem can be described, and the JSON report parses back to the rows.

#include "lesson/fieldreader.h"
#include "lesson/lessoncheck.h"
#include "lesson/lessonfile.h"

#include <QBuffer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

void require(bool condition, const char *what)
{
    if (condition)
        return;
    std::fprintf(stderr, "fuzz_fieldreader: invariant broken: %s\n", what);
    std::abort();
}

// Hands out at most `step` bytes per read, so that fields, quotes and CR LF pairs straddle the
// reader's refills the way they would on a slow or very large file.
class TrickleDevice : public QIODevice
{
public:
    TrickleDevice(const QByteArray &bytes, qint64 step)
        : m_bytes(bytes)
        , m_step(step)
    {
        open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    }
    bool isSequential() const override { return true; }

protected:
    qint64 readData(char *data, qint64 maxSize) override
    {
        const qint64 count = std::min({maxSize, m_step, qint64(m_bytes.size()) - m_position});
        std::memcpy(data, m_bytes.constData() + m_position, size_t(count));
        m_position += count;
        return count;
    }
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    QByteArray m_bytes;
    qint64 m_step;
    qint64 m_position = 0;
};

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

// Only a quoted field can hold these, and a quoted field never holds a quote.
void checkFieldShape(const QByteArray &field)
{
    const bool needsQuotes = field.contains(',') || field.contains('\r') || field.contains('\n')
        || (!field.isEmpty() && (isBlank(field.front()) || isBlank(field.back())));
    require(!needsQuotes || !field.contains('"'), "an unquoted field holds a separator or blank");
}

struct Split
{
    QList<QByteArray> fields;
    QList<qsizetype> cut; // 0-based indexes of the fields that were cut

    bool operator==(const Split &) const = default;
};

Split splitFields(QIODevice *device, bool skipMark, bool askAtEnd, qsizetype inputSize)
{
    FieldReader reader(device);
    if (skipMark)
        reader.skipByteOrderMark();
    Split split;
    QList<QByteArray> &fields = split.fields;
    for (;;) {
        const bool atEnd = askAtEnd && reader.atEnd();
        QByteArray field;
        const bool got = reader.readField(field);
        require(!(atEnd && got), "atEnd() was true but another field followed");
        if (!got)
            break;
        checkFieldShape(field);
        require(field.size() <= FieldReader::MaxFieldBytes, "a field longer than the limit");
        if (reader.fieldWasCut())
            split.cut.append(fields.size());
        fields.append(field);
        require(fields.size() <= inputSize + 1, "more fields than bytes");
    }
    return split;
}

bool isPlainAscii(const QByteArray &bytes)
{
    for (char c : bytes)
        if (c < 0x20 || c > 0x7E)
            return false;
    return true;
}

void checkLesson(const LessonFile &lesson, const Split &split)
{
    const QList<QByteArray> &fields = split.fields;
    using Outcome = LessonFile::Outcome;
    constexpr qsizetype PerRow = LessonFile::FieldsPerRow;
    constexpr qsizetype MostFields = LessonFile::MaxRows * PerRow;
    const qsizetype count = fields.size();

    require(lesson.rows.size() <= LessonFile::MaxRows, "more than 20 rows");
    require(lesson.outcome != Outcome::CannotOpen, "an open device cannot fail to open");
    if (count == 0) {
        require(lesson.outcome == Outcome::Empty, "no field but not empty");
        require(lesson.rows.isEmpty() && lesson.incompleteRow.isEmpty(), "rows from no field");
        require(
            lesson.missingRow == 1 && lesson.missingField == 1, "empty file runs out elsewhere");
    } else if (count >= MostFields || count % PerRow == 0) {
        require(lesson.loaded(), "whole rows but not loaded");
        require(lesson.rows.size() == std::min(count, MostFields) / PerRow, "wrong row count");
        require(lesson.incompleteRow.isEmpty(), "incomplete row in a loaded lesson");
        require(lesson.missingRow == 0 && lesson.missingField == 0, "loaded but ran out");
        require(lesson.ignoredAfterLastRow == (count > MostFields), "ignored rows misjudged");
    } else {
        require(lesson.outcome == Outcome::EndsInsideRow, "a part row but not ends-inside-row");
        require(lesson.rows.size() == count / PerRow, "wrong row count before the part row");
        require(lesson.incompleteRow.size() == count % PerRow, "wrong part row");
        require(lesson.missingRow == lesson.rows.size() + 1, "ran out in the wrong row");
        require(
            lesson.missingField == lesson.incompleteRow.size() + 1, "ran out at the wrong field");
        require(!lesson.ignoredAfterLastRow, "ignored rows after a failed read");
    }

    QList<std::pair<int, int>> cut;
    for (qsizetype index : split.cut)
        if (index < MostFields)
            cut.append({int(index / PerRow) + 1, int(index % PerRow) + 1});
    require(lesson.cutFields == cut, "cut fields misreported");

    for (qsizetype i = 0; i < std::min(count, lesson.rows.size() * PerRow); ++i) {
        const QString &text = lesson.rows[i / PerRow][i % PerRow];
        require(fields[i].isEmpty() == text.isEmpty(), "an empty field decoded to text or back");
        if (isPlainAscii(fields[i]))
            require(text == QLatin1StringView(fields[i]), "an ASCII field changed in decoding");
    }
}

bool sameLesson(const LessonFile &a, const LessonFile &b)
{
    return a.outcome == b.outcome && a.encoding == b.encoding && a.rows == b.rows
        && a.incompleteRow == b.incompleteRow && a.missingRow == b.missingRow
        && a.missingField == b.missingField && a.ignoredAfterLastRow == b.ignoredAfterLastRow
        && a.cutFields == b.cutFields;
}

void checkReports(const LessonFile &lesson)
{
    // No folder: the file checks are skipped, the row checks and the wording are not.
    const QList<LessonCheck::Problem> problems = LessonCheck::check(lesson, QString(), QString());
    for (const LessonCheck::Problem &problem : problems)
        require(!LessonCheck::describe(problem).isEmpty(), "a problem without words");
    const QJsonObject report
        = QJsonDocument::fromJson(LessonCheck::jsonReport(lesson, problems)).object();
    require(report[u"problems"].toArray().size() == problems.size(), "JSON lost problems");
    const QJsonArray rows = report[u"rows"].toArray();
    require(rows.size() == (lesson.loaded() ? lesson.rows.size() : 0), "JSON lost rows");
    for (qsizetype i = 0; i < rows.size(); ++i)
        for (int field = 0; field < LessonFile::FieldsPerRow; ++field)
            require(rows[i][field].toString() == lesson.rows[i][field], "JSON changed a field");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    // 1 to 7 bytes per read for short inputs; longer ones in proportionally longer steps, since
    // every refill of the reader costs a fresh 64 KB buffer.
    const qint64 step = 1 + qint64(size % 7) + qint64(size / 32);

    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    const Split fields = splitFields(&buffer, true, true, bytes.size());

    // Without the mark, which a trickle of single bytes cannot recognise: the splitting itself
    // must not depend on how the device hands out its bytes or on atEnd() being asked.
    buffer.seek(0);
    const Split unmarked = splitFields(&buffer, false, false, bytes.size());
    TrickleDevice trickle(bytes, step);
    require(splitFields(&trickle, false, true, bytes.size()) == unmarked,
        "a trickling device split the fields differently");

    buffer.seek(0);
    const LessonFile lesson = LessonFile::read(&buffer, true);
    checkLesson(lesson, fields);
    if (!bytes.startsWith('\xEF')) {
        TrickleDevice again(bytes, step);
        require(sameLesson(LessonFile::read(&again, true), lesson),
            "a trickling device read a different lesson");
    }
    checkReports(lesson);
    return 0;
}
