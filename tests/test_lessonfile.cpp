#include "core/module1.h"
#include "lesson/fieldreader.h"
#include "lesson/lessonfile.h"
#include "lesson/loadquestions.h"
#include "testsupport.h"

#include <QBuffer>
#include <QFile>

#include <gtest/gtest.h>

using namespace Module1;

namespace {

// Runs LoadQuestions on `bytes` as data.txt in a fresh data folder.
class LoadQuestionsTest : public ::testing::Test
{
protected:
    void SetUp() override { resetState(); }
    void TearDown() override { resetState(); }

    void load(const QByteArray &bytes)
    {
        writeFile(m_dir, QStringLiteral("data/data.txt"), bytes);
        Folders.DataFolder = m_dir.filePath(QStringLiteral("data")) + u'/';
        LoadFailed = 0;
        LoadQuestions();
    }

    QStringList row(int index) const
    {
        QStringList fields;
        for (int field = 1; field <= 9; ++field)
            fields << Questions(index, field);
        return fields;
    }

    QTemporaryDir m_dir;
};

const QByteArray Sakana = shiftJis(QStringLiteral("sakana,さ,か,な,な,さ,か,た,ま"));
const QByteArray Inu = shiftJis(QStringLiteral("inu,い,ぬ,,ぬ,か,い,し,て"));

QStringList sakanaRow()
{
    return {"sakana", "さ", "か", "な", "な", "さ", "か", "た", "ま"};
}

QByteArray rows(int count, const QByteArray &lineEnd = "\r\n")
{
    QByteArray bytes;
    for (int i = 1; i <= count; ++i)
        bytes += "w" + QByteArray::number(i) + ",a,b,c,d,e,f,g,h" + lineEnd;
    return bytes;
}

} // namespace

TEST_F(LoadQuestionsTest, LineEndsMeanNothingButTheEndOfAField)
{
    const QByteArray oneLine = Sakana + "\r\n" + Inu;
    const QByteArray cases[] = {
        oneLine,
        Sakana + "\n" + Inu + "\n",
        Sakana + "\r" + Inu + "\r",
        // the first row spread over two lines, five fields on one and four on the next
        shiftJis(QStringLiteral("sakana,さ,か,な,な\r\nさ,か,た,ま\r\n")) + Inu,
        // blank lines between words and at the end are harmless
        Sakana + "\r\n\r\n  \r\n" + Inu + "\r\n\r\n",
    };
    for (const QByteArray &bytes : cases) {
        load(bytes);
        SCOPED_TRACE(bytes.toStdString());
        EXPECT_EQ(LoadFailed, 0);
        EXPECT_EQ(QuestionCount, 2);
        EXPECT_EQ(row(1), sakanaRow());
        EXPECT_EQ(row(2), (QStringList{"inu", "い", "ぬ", "", "ぬ", "か", "い", "し", "て"}));
    }
}

TEST_F(LoadQuestionsTest, QuotesKeepCommasAndSpacesAndLeadingSpacesAreSkipped)
{
    load(shiftJis(
        QStringLiteral("\"a, b\",  さ,\" か \",\"な\"x,\t な ,\"\",,た,\"ま\r\nま\"\r\n")));
    EXPECT_EQ(LoadFailed, 0);
    EXPECT_EQ(row(1), (QStringList{"a, b", "さ", " か ", "な", "な", "", "", "た", "ま\r\nま"}));
}

TEST_F(LoadQuestionsTest, ATenFieldLineShiftsTheRowsAfterIt)
{
    load(shiftJis(QStringLiteral("sakana,さ,か,な,な,さ,か,た,ま,extra\r\n")) + rows(2));
    EXPECT_EQ(LoadFailed, 1) << "10 + 9 + 9 fields leave one field for a fourth row";
    EXPECT_EQ(QuestionCount, 3);
    EXPECT_EQ(Questions(2, 1), QStringLiteral("extra"));
    EXPECT_EQ(Questions(2, 2), QStringLiteral("w1"));
}

TEST_F(LoadQuestionsTest, ReadsAtMostTwentyRows)
{
    load(rows(25));
    EXPECT_EQ(LoadFailed, 0);
    EXPECT_EQ(QuestionCount, 20);
    EXPECT_EQ(Questions(20, 1), QStringLiteral("w20"));
    EXPECT_TRUE(Questions(20, 10).isEmpty());

    load(rows(20) + "w21,a,b");
    EXPECT_EQ(LoadFailed, 0) << "an incomplete 21st row is never read";
    EXPECT_EQ(QuestionCount, 20);
}

TEST_F(LoadQuestionsTest, EveryFailureSetsLoadFailedAndLeavesTheTableAsRead)
{
    load(rows(12));
    ASSERT_EQ(QuestionCount, 12);

    load(rows(2) + "w3,a,b,c,d,e,f,g\r\n"); // the last row has eight fields
    EXPECT_EQ(LoadFailed, 1);
    EXPECT_EQ(QuestionCount, 2);

    load(QByteArray());
    EXPECT_EQ(LoadFailed, 1);
    EXPECT_EQ(QuestionCount, 0);

    load("\r\n  \r\n");
    EXPECT_EQ(LoadFailed, 1);

    QFile::remove(m_dir.filePath(QStringLiteral("data/data.txt")));
    const Integer before = QuestionCount;
    LoadFailed = 0;
    LoadQuestions();
    EXPECT_EQ(LoadFailed, 1) << "missing data.txt";
    EXPECT_EQ(QuestionCount, before) << "a file that cannot be opened leaves the count alone";

    Folders.DataFolder = m_dir.filePath(QStringLiteral("no such folder/"));
    LoadFailed = 0;
    LoadQuestions();
    EXPECT_EQ(LoadFailed, 1);
}

TEST_F(LoadQuestionsTest, AShorterLessonLeavesTheRowsAboveItsCount)
{
    load(rows(12));
    load(shiftJis(QStringLiteral("x,a,b,c,d,e,f,g,h\r\n")).repeated(5));
    EXPECT_EQ(QuestionCount, 5);
    EXPECT_EQ(Questions(5, 1), QStringLiteral("x"));
    EXPECT_EQ(Questions(6, 1), QStringLiteral("w6"));
}

TEST_F(LoadQuestionsTest, Utf8LessonsWithAndWithoutByteOrderMark)
{
    const QByteArray utf8 = QStringLiteral("sakana,さ,か,な,な,さ,か,た,ま\n").toUtf8();
    load(utf8);
    EXPECT_EQ(row(1), sakanaRow());
    load("\xEF\xBB\xBF" + utf8);
    EXPECT_EQ(row(1), sakanaRow()) << "the mark is not part of the first field";
    load("\xEF\xBB\xBF"
         "a,b,c,d,e,f,g,h,i");
    EXPECT_EQ(Questions(1, 1), QStringLiteral("a"));
    load("\xEF\xBB\xBF"
         "a\x82,b,c,d,e,f,g,h,i");
    EXPECT_EQ(Questions(1, 1), QStringLiteral("a\uFFFD"))
        << "after the mark, UTF-8 whatever follows";
}

TEST_F(LoadQuestionsTest, ShiftJisThatLooksLikeNothingElseAndBrokenBytesDoNotCrash)
{
    // Katakana, kanji and half-width kana in Shift-JIS never form valid UTF-8.
    const QString text = QStringLiteral("ｻｶﾅ,魚,ソ,表,ー,ン,ｱ,～,①");
    load(shiftJis(text));
    EXPECT_EQ(row(1).join(u','), text);

    load(QByteArray("\x82,\xFF\xFE,a,b,c,d,e,f,g"));
    EXPECT_EQ(LoadFailed, 0);
    EXPECT_EQ(Questions(1, 1), QString(QChar::ReplacementCharacter))
        << "a lead byte with no letter after it";
    EXPECT_EQ(Questions(1, 2), QString(2, QChar::ReplacementCharacter));
}
