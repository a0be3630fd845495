// libFuzzer target for the lesson reader: arbitrary bytes through FieldReader, LessonFile::read and
// the checker. Besides the sanitizers' findings it aborts when a field is over the limit or follows
// atEnd(); when the lesson (at most 20 rows, its outcome, the row and field it ran out before, its
// cut and ASCII fields) disagrees with the fields; or when a trickling device reads otherwise.

#include "lesson/fieldreader.h"
#include "lesson/lessoncheck.h"

#include <QBuffer>

#include <algorithm>
#include <cstdint>
#include <tuple>

namespace {

void require(bool condition, const char *what)
{
    if (!condition)
        qFatal("fuzz_fieldreader: invariant broken: %s", what); // aborts: libFuzzer keeps the input
}

constexpr qsizetype PerRow = LessonFile::FieldsPerRow;
constexpr qsizetype MostFields = LessonFile::MaxRows * PerRow;

// Hands out at most `step` bytes per read, so that fields, quotes and CR LF pairs straddle the
// reader's refills the way they would on a slow or very large file.
class TrickleDevice : public QIODevice
{
public:
    TrickleDevice(QByteArrayView bytes, qint64 step)
        : m_rest(bytes)
        , m_step(step)
    {
        open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    }
    bool isSequential() const override { return true; }

protected:
    qint64 readData(char *data, qint64 maxSize) override
    {
        const qint64 count = std::min({maxSize, m_step, m_rest.size()});
        std::copy_n(m_rest.data(), count, data);
        m_rest = m_rest.sliced(count);
        return count;
    }
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    QByteArrayView m_rest; // what is still to be read
    qint64 m_step;
};

// The fields in order, and the 1-based row and field of each one that was cut.
using Split = std::pair<QList<QByteArray>, QList<std::pair<int, int>>>;

Split splitFields(QIODevice *device, bool skipMark, bool askAtEnd)
{
    FieldReader reader(device);
    if (skipMark)
        reader.skipByteOrderMark();
    Split split;
    bool atEnd = askAtEnd && reader.atEnd();
    for (QByteArray field; reader.readField(field); atEnd = askAtEnd && reader.atEnd()) {
        require(!atEnd, "atEnd() was true but another field followed");
        require(field.size() <= FieldReader::MaxFieldBytes, "a field longer than the limit");
        const int index = int(split.first.size());
        if (reader.fieldWasCut() && index < MostFields)
            split.second.append({index / PerRow + 1, index % PerRow + 1});
        split.first.append(field);
    }
    return split;
}

void checkLesson(const LessonFile &lesson, const Split &split)
{
    using enum FileProblem::Kind;
    const qsizetype count = split.first.size();
    const bool whole = count > 0 && (count >= MostFields || count % PerRow == 0);
    require(whole ? lesson.loaded()
                  : !lesson.loaded() && lesson.problem->kind == (count == 0 ? Empty : EndsEarly),
        "outcome");
    require(lesson.rows.size() == std::min(count, MostFields) / PerRow, "over 20 or wrong rows");
    require(lesson.incompleteRow.size() == (whole ? 0 : count % PerRow), "wrong part row");
    require(lesson.missingRow == (whole ? 0 : lesson.rows.size() + 1)
            && lesson.missingField == (whole ? 0 : lesson.incompleteRow.size() + 1),
        "ran out at the wrong row or field");
    require(lesson.ignoredAfterLastRow == (count > MostFields), "ignored rows misjudged");
    require(lesson.cutFields == split.second, "cut fields misreported");
    for (qsizetype i = 0; i < lesson.rows.size() * PerRow; ++i) {
        const QByteArray &field = split.first[i];
        if (std::all_of(field.begin(), field.end(), [](char c) { return c >= 0x20 && c < 0x7F; }))
            require(lesson.rows[i / PerRow][i % PerRow] == QLatin1StringView(field),
                "an ASCII field changed in decoding");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    // 1 to 7 bytes per read for short inputs, longer steps for long ones: a refill costs 64 KB.
    const qint64 step = 1 + qint64(size % 7) + qint64(size / 32);
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    const LessonFile lesson = LessonFile::read(&buffer, true);
    buffer.seek(0);
    checkLesson(lesson, splitFields(&buffer, true, true));

    // A trickle cannot see a byte order mark; otherwise its pace and atEnd() calls change nothing.
    buffer.seek(0);
    TrickleDevice trickle(bytes, step);
    require(splitFields(&trickle, false, true) == splitFields(&buffer, false, false),
        "a trickling device split the fields differently");
    auto comparable = [](const LessonFile &l) {
        return std::tie(l.problem, l.encoding, l.rows, l.incompleteRow, l.missingRow,
            l.missingField, l.ignoredAfterLastRow, l.cutFields);
    };
    TrickleDevice again(bytes, step);
    require(bytes.startsWith('\xEF')
            || comparable(LessonFile::read(&again, true)) == comparable(lesson),
        "a trickling device read a different lesson");

    // No folders: the file checks are skipped, the row checks and their wording are not.
    LessonCheck::jsonReport(lesson, LessonCheck::check(lesson, {}, {}));
    return 0;
}
