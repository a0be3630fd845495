#include "app/module1.h"
#include "app/runtimeerror.h"

#include <gtest/gtest.h>

using namespace Module1;

TEST(Module1Arithmetic, AddsWithinSixteenBitsAndRaisesOverflowBeyond)
{
    EXPECT_EQ(add(32766, 1), 32767);
    EXPECT_EQ(add(-32767, -1), -32768);
    EXPECT_EQ(add(20, -21), -1);

    for (auto [a, b] : {std::pair<Integer, Integer>{32767, 1}, {-32768, -1}, {20000, 20000}}) {
        try {
            (void)add(a, b);
            ADD_FAILURE() << a << " + " << b << " did not overflow";
        } catch (const RuntimeError &error) {
            EXPECT_EQ(error.number(), RuntimeError::Overflow);
        }
    }

    Integer counter = 32767;
    EXPECT_THROW(increment(counter), RuntimeError);
    EXPECT_EQ(counter, 32767) << "a failed increment must leave the counter as it was";
}

TEST(Module1Questions, TableHoldsRowsAndFieldsZeroToTwentyAndRejectsTheRest)
{
    resetState();
    Questions(20, 20) = QStringLiteral("端");
    Questions(0, 0) = QStringLiteral("角");
    EXPECT_EQ(Questions(20, 20), QStringLiteral("端"));
    EXPECT_EQ(Questions(0, 0), QStringLiteral("角"));
    EXPECT_TRUE(Questions(1, 1).isEmpty());

    for (auto [row, field] : {std::pair{21, 0}, {0, 21}, {-1, 5}, {5, -1}}) {
        try {
            (void)Questions(row, field);
            ADD_FAILURE() << row << ", " << field << " was accepted";
        } catch (const RuntimeError &error) {
            EXPECT_EQ(error.number(), RuntimeError::SubscriptOutOfRange);
            EXPECT_TRUE(error.message().contains(QStringLiteral("'9'")));
        }
    }
    resetState();
    EXPECT_TRUE(Questions(20, 20).isEmpty());
}

TEST(Module1Folders, DerivedFromTheProgramFolderWithOneSeparator)
{
    deriveFolders(QStringLiteral("/opt/かな"));
    EXPECT_EQ(AppFolder, QStringLiteral("/opt/かな/"));
    EXPECT_EQ(PicFolder, QStringLiteral("/opt/かな/pic/"));
    EXPECT_EQ(VoiceFolder, QStringLiteral("/opt/かな/voice/"));
    EXPECT_EQ(DataFolder, QStringLiteral("/opt/かな/data/"));

    deriveFolders(QStringLiteral("/"));
    EXPECT_EQ(AppFolder, QStringLiteral("/"));
    EXPECT_EQ(PicFolder, QStringLiteral("/pic/"));
    resetState();
}

TEST(Module1Folders, FileNamesJoinWithExactlyOneSeparator)
{
    EXPECT_EQ(filePath(QStringLiteral("/home/kana/lesson/"), QStringLiteral("data.txt")),
              QStringLiteral("/home/kana/lesson/data.txt"));
    EXPECT_EQ(filePath(QStringLiteral("/home/kana/lesson"), QStringLiteral("data.txt")),
              QStringLiteral("/home/kana/lesson/data.txt"));
    EXPECT_EQ(filePath(QString(), QStringLiteral("あ.wav")), QStringLiteral("あ.wav"));
    EXPECT_EQ(filePath(QStringLiteral("voice/"), QStringLiteral(".wav")), QStringLiteral("voice/.wav"));
}
