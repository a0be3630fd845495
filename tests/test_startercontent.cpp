// The starter lesson in content/ is generated (tools/makecontent, tools/makevoices.sh) and then
// committed, so nothing at build time notices a hand edit that breaks it, or a regeneration that
// went wrong. These tests read it as the program and a child would meet it.

#include "lesson/lessoncheck.h"
#include "lesson/lessonfile.h"

#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QSet>
#include <QStringDecoder>
#include <QtEndian>

#include <gtest/gtest.h>

namespace {

const QString Content = QStringLiteral(PIKOMOJI_CONTENT_DIR);
const QString PicFolder = Content + QStringLiteral("/pic/");
const QString VoiceFolder = Content + QStringLiteral("/voice/");

LessonFile starterLesson()
{
    return LessonFile::read(Content + QStringLiteral("/data/data.txt"));
}

QStringList wordLetters(const LessonFile::Row &row)
{
    QStringList letters;
    for (int field = 1; field <= 3; ++field)
        if (!row[field].isEmpty())
            letters << row[field];
    return letters;
}

QStringList answers(const LessonFile::Row &row)
{
    return {row.begin() + 4, row.end()};
}

struct WavFormat
{
    quint16 encoding = 0; // 1 is integer PCM
    quint16 channels = 0;
    quint32 sampleRate = 0; // Hz
    quint16 bitsPerSample = 0;
    QByteArray samples;
};

// The fmt and data chunks of a RIFF WAVE file; an empty result when they are not there.
WavFormat readWav(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = file.readAll();
    if (bytes.size() < 12 || !bytes.startsWith("RIFF") || bytes.mid(8, 4) != "WAVE")
        return {};
    WavFormat wav;
    for (qsizetype at = 12; at + 8 <= bytes.size();) {
        const QByteArray id = bytes.mid(at, 4);
        const quint32 size = qFromLittleEndian<quint32>(bytes.constData() + at + 4);
        const char *body = bytes.constData() + at + 8;
        if (id == "fmt " && size >= 16) {
            wav.encoding = qFromLittleEndian<quint16>(body);
            wav.channels = qFromLittleEndian<quint16>(body + 2);
            wav.sampleRate = qFromLittleEndian<quint32>(body + 4);
            wav.bitsPerSample = qFromLittleEndian<quint16>(body + 14);
        } else if (id == "data") {
            wav.samples = bytes.mid(at + 8, size);
        }
        at += 8 + size + (size & 1);
    }
    return wav;
}

} // namespace

TEST(StarterContent, LoadsAsAFullShiftJisLessonWithNothingForTheCheckerToFix)
{
    const LessonFile lesson = starterLesson();
    ASSERT_TRUE(lesson.loaded());
    EXPECT_EQ(lesson.encoding, LessonFile::Encoding::ShiftJis);
    EXPECT_EQ(lesson.rows.size(), LessonFile::MaxRows);

    // Missing pictures, marks and clips, and letters that are on no button.
    const QList<LessonCheck::Problem> problems = LessonCheck::check(lesson, PicFolder, VoiceFolder);
    for (const LessonCheck::Problem &problem : problems)
        ADD_FAILURE() << LessonCheck::describe(problem).toStdString();

    // One question a line, CR LF after every line, and nothing the Windows code page lacks.
    QFile file(Content + QStringLiteral("/data/data.txt"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    EXPECT_EQ(bytes.count("\r\n"), LessonFile::MaxRows);
    EXPECT_EQ(bytes.count('\n'), bytes.count("\r\n"));
    EXPECT_TRUE(bytes.endsWith("\r\n"));
    QStringDecoder decoder("CP932");
    const QString text = decoder(bytes);
    EXPECT_FALSE(decoder.hasError());
    EXPECT_EQ(text.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts).size(), LessonFile::MaxRows);
}

TEST(StarterContent, WordsAreShortPlainHiraganaAmongFiveDifferentAnswers)
{
    const LessonFile lesson = starterLesson();
    ASSERT_TRUE(lesson.loaded());
    const QString small = QStringLiteral("ぁぃぅぇぉっゃゅょゎ");
    QSet<int> lengths;
    QSet<qsizetype> firstLetterButtons;
    for (const LessonFile::Row &row : lesson.rows) {
        SCOPED_TRACE(row[0].toStdString());
        const QStringList letters = wordLetters(row);
        ASSERT_FALSE(letters.isEmpty());
        lengths.insert(int(letters.size()));
        // Letters fill the boxes from the left, with no gap.
        EXPECT_EQ(QStringList({row[1], row[2], row[3]}).mid(0, letters.size()), letters);

        const QStringList buttons = answers(row);
        EXPECT_EQ(QSet<QString>(buttons.begin(), buttons.end()).size(), 5) << "an answer repeats";
        for (const QString &letter : letters + buttons) {
            ASSERT_EQ(letter.size(), 1) << letter.toStdString();
            const QChar c = letter[0];
            EXPECT_TRUE(c >= u'あ' && c <= u'ん' && !small.contains(c)) << letter.toStdString();
        }
        firstLetterButtons.insert(buttons.indexOf(letters.first()));
    }
    EXPECT_EQ(lengths, QSet<int>({1, 2, 3}));
    // A child must look for the letter, not learn a place.
    EXPECT_GE(firstLetterButtons.size(), 4);
}

TEST(StarterContent, PicturesAreSquareJpegsLargeEnoughForThePictureBox)
{
    const LessonFile lesson = starterLesson();
    ASSERT_TRUE(lesson.loaded());
    QStringList names{QStringLiteral("すごい"), QStringLiteral("しっかり")};
    for (const LessonFile::Row &row : lesson.rows)
        names << row[0];
    for (const QString &name : names) {
        SCOPED_TRACE(name.toStdString());
        QImageReader reader(PicFolder + name + QStringLiteral(".jpg"));
        EXPECT_EQ(reader.format(), "jpeg");
        const QImage image = reader.read();
        ASSERT_FALSE(image.isNull()) << reader.errorString().toStdString();
        EXPECT_EQ(image.width(), image.height());
        // The word picture is shown 153 px wide; it should never be blown up.
        EXPECT_GE(image.width(), 153);
    }
}

TEST(StarterContent, EveryClipIsAShortAudibleMonoPcmWavAndNoneIsLeftOver)
{
    const LessonFile lesson = starterLesson();
    ASSERT_TRUE(lesson.loaded());
    QSet<QString> letters;
    for (const LessonFile::Row &row : lesson.rows)
        for (int field = 1; field < LessonFile::FieldsPerRow; ++field)
            if (!row[field].isEmpty())
                letters.insert(row[field]);

    QSet<QString> clips;
    for (const QString &file : QDir(VoiceFolder).entryList({QStringLiteral("*.wav")}, QDir::Files))
        clips.insert(file.chopped(4));
    auto sorted = [](const QSet<QString> &set) {
        QStringList list(set.begin(), set.end());
        list.sort();
        return list.join(u' ').toStdString();
    };
    EXPECT_EQ(sorted(clips), sorted(letters));

    for (const QString &letter : letters) {
        SCOPED_TRACE(letter.toStdString());
        const WavFormat wav = readWav(VoiceFolder + letter + QStringLiteral(".wav"));
        EXPECT_EQ(wav.encoding, 1);
        EXPECT_EQ(wav.channels, 1);
        EXPECT_EQ(wav.bitsPerSample, 16);
        EXPECT_TRUE(wav.sampleRate == 22050 || wav.sampleRate == 16000) << wav.sampleRate;
        ASSERT_GT(wav.sampleRate, 0u);
        const qsizetype count = wav.samples.size() / 2;
        const double seconds = double(count) / wav.sampleRate;
        EXPECT_GT(seconds, 0.1);
        EXPECT_LT(seconds, 0.8);
        int peak = 0;
        for (qsizetype i = 0; i < count; ++i)
            peak = std::max(
                peak, std::abs(int(qFromLittleEndian<qint16>(wav.samples.constData() + 2 * i))));
        // Levelled to a peak between -12 and -1 dBFS: loud enough to hear, not clipped.
        EXPECT_GT(peak, 8200);
        EXPECT_LT(peak, 32700);
    }
}
