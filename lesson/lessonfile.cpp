#include "lesson/lessonfile.h"

#include "lesson/fieldreader.h"

#include "core/contentfile.h"

#include <QBuffer>
#include <QStringDecoder>

#include <algorithm>
#include <vector>

namespace {

bool isAscii(const QByteArray &bytes)
{
    for (char c : bytes)
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    return true;
}

// Parents on Linux write UTF-8, Windows lessons are Shift-JIS. Real Shift-JIS kana is never valid
// UTF-8, so text that is valid UTF-8 and not plain ASCII can only have been meant as UTF-8.
LessonFile::Encoding guessEncoding(const std::vector<QByteArray> &fields)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    bool allAscii = true;
    for (const QByteArray &field : fields) {
        if (isAscii(field))
            continue;
        allAscii = false;
        const QString decoded = utf8(field);
        if (utf8.hasError())
            return LessonFile::Encoding::ShiftJis;
    }
    return allAscii ? LessonFile::Encoding::ShiftJis : LessonFile::Encoding::Utf8;
}

bool isShiftJisLeadByte(unsigned char c)
{
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

// Code page 932 through ICU marks a byte it cannot decode with U+001A and silently drops a lead
// byte that has no byte after it; both become U+FFFD here, so a broken letter is visible.
QString decodeShiftJis(QStringDecoder &decoder, const QByteArray &bytes)
{
    QString text = decoder(bytes);
    text.replace(QChar(0x1A), QChar::ReplacementCharacter);
    qsizetype i = 0;
    while (i < bytes.size())
        i += isShiftJisLeadByte(static_cast<unsigned char>(bytes[i])) ? 2 : 1;
    if (i > bytes.size())
        text += QChar::ReplacementCharacter;
    return text;
}

QString decode(LessonFile::Encoding encoding, const QByteArray &bytes)
{
    if (encoding == LessonFile::Encoding::Utf8) {
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        return utf8(bytes);
    }
    QStringDecoder shiftJis("CP932", QStringDecoder::Flag::Stateless);
    return decodeShiftJis(shiftJis, bytes);
}

} // namespace

QString LessonFile::decodeText(const QByteArray &bytes)
{
    static const QByteArray ByteOrderMark("\xEF\xBB\xBF");
    if (bytes.startsWith(ByteOrderMark))
        return decode(Encoding::Utf8, bytes.mid(ByteOrderMark.size()));
    return decode(guessEncoding({bytes}), bytes);
}

LessonFile LessonFile::read(const QString &path, bool lookPastLastRow)
{
    ContentFile::Contents contents
        = ContentFile::read(path, MaxFileBytes, ContentFile::Oversize::Cut);
    if (!contents.read()) {
        LessonFile result;
        result.problem = contents.problem;
        return result;
    }
    QBuffer buffer(&contents.bytes);
    buffer.open(QIODevice::ReadOnly);
    LessonFile result = read(&buffer, lookPastLastRow, contents.cut);
    if (result.problem)
        result.problem->path = path;
    return result;
}

bool LessonFile::looksUtf16(const QByteArray &start)
{
    if (start.startsWith("\xFF\xFE") || start.startsWith("\xFE\xFF"))
        return true;
    // Without a byte order mark: the commas, line ends and ASCII names of UTF-16 are pairs of one
    // NUL and one other byte, the NUL always on the same side. A run of NULs (a sparse file, a
    // damaged one) is not text at all, and is left to the reader.
    qsizetype nulFirst = 0;
    qsizetype nulSecond = 0;
    const qsizetype pairs = start.size() / 2;
    for (qsizetype i = 0; i < pairs; ++i) {
        const bool first = start[2 * i] == '\0';
        const bool second = start[2 * i + 1] == '\0';
        if (first != second)
            ++(first ? nulFirst : nulSecond);
    }
    const qsizetype more = std::max(nulFirst, nulSecond);
    return pairs >= 2 && more * 4 >= pairs && std::min(nulFirst, nulSecond) * 10 <= more;
}

LessonFile LessonFile::read(QIODevice *device, bool lookPastLastRow, bool cut)
{
    LessonFile result;
    result.cutAtMaxFileBytes = cut;
    FieldReader reader(device);
    const bool byteOrderMark = reader.skipByteOrderMark();

    // Split first, decode afterwards: the encoding is judged on every byte that is used.
    std::vector<QByteArray> fields;
    fields.reserve(MaxRows * FieldsPerRow);
    int completeRows = 0;
    bool ranOut = false;
    for (int row = 1; row <= MaxRows; ++row) {
        for (int field = 1; field <= FieldsPerRow; ++field) {
            QByteArray bytes;
            // In a file cut at MaxFileBytes, a field that runs to the cut may go on past it.
            if (!reader.readField(bytes) || (cut && reader.fieldRanToEnd())) {
                ranOut = true;
                result.missingRow = row;
                result.missingField = field;
                break;
            }
            if (reader.fieldWasCut())
                result.cutFields.append({row, field});
            fields.push_back(std::move(bytes));
        }
        if (ranOut)
            break;
        ++completeRows;
        if (row < MaxRows && reader.atEnd()) {
            if (cut) { // the next row lies past the cut
                ranOut = true;
                result.missingRow = row + 1;
                result.missingField = 1;
            }
            break;
        }
    }
    if (!ranOut && completeRows == MaxRows && lookPastLastRow)
        result.ignoredAfterLastRow = !reader.atEnd();

    result.encoding = byteOrderMark ? Encoding::Utf8 : guessEncoding(fields);
    for (size_t i = 0; i < fields.size(); ++i) {
        const QString text = decode(result.encoding, fields[i]);
        const size_t row = i / FieldsPerRow;
        if (row < size_t(completeRows)) {
            if (i % FieldsPerRow == 0)
                result.rows.append(Row{});
            result.rows.back()[i % FieldsPerRow] = text;
        } else {
            result.incompleteRow.append(text);
        }
    }

    if (!ranOut)
        result.problem.reset();
    else if (fields.empty() && !cut)
        result.problem
            = FileProblem{FileProblem::Kind::Empty, {}, QStringLiteral("欄がひとつもありません。")};
    else
        result.problem = FileProblem{FileProblem::Kind::EndsEarly, {},
            QStringLiteral("%1行目の%2番目の欄の前でファイルが終わっています。")
                .arg(result.missingRow)
                .arg(result.missingField)};
    return result;
}
