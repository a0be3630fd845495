#include "core/module1.h"
#include "core/runtimeerror.h"
#include "testsupport.h"

#include <gtest/gtest.h>

using namespace Module1;

namespace {
template <typename Call> RuntimeError::Number raised(Call call)
{
    try {
        call();
    } catch (const RuntimeError &error) {
        return error.number();
    }
    return RuntimeError::Number(0);
}
} // namespace

TEST(Module1, SixteenBitArithmeticRaisesOverflowAndLeavesTheValue)
{
    EXPECT_EQ(add(32766, 1), 32767);
    EXPECT_EQ(add(-32767, -1), -32768);
    EXPECT_EQ(raised([] { (void)add(32767, 1); }), RuntimeError::Overflow);
    EXPECT_EQ(raised([] { (void)add(-32768, -1); }), RuntimeError::Overflow);
    Integer counter = 32767;
    EXPECT_EQ(raised([&] { increment(counter); }), RuntimeError::Overflow);
    EXPECT_EQ(counter, 32767);
}

TEST(Module1, QuestionTableChecksBothIndexesFromZeroToTwenty)
{
    resetState();
    Questions(20, 20) = QStringLiteral("端");
    EXPECT_EQ(Questions(20, 20), QStringLiteral("端"));
    for (auto [row, field] : {std::pair{21, 0}, {0, 21}, {-1, 5}, {5, -1}})
        EXPECT_EQ(raised([&] { (void)Questions(row, field); }), RuntimeError::SubscriptOutOfRange)
            << row << ", " << field;
    resetState();
}

TEST(Module1, FoldersJoinNamesWithOneSeparator)
{
    deriveFolders(QStringLiteral("/"));
    EXPECT_EQ(Folders.PicFolder, QStringLiteral("/pic/")) << "no second separator after the root";
    resetState();

    // A folder typed without its final "/" still reaches its files; an empty one adds nothing.
    EXPECT_EQ(filePath(QStringLiteral("/home/kana/lesson"), QStringLiteral("data.txt")),
        QStringLiteral("/home/kana/lesson/data.txt"));
    EXPECT_EQ(filePath(QStringLiteral("/home/kana/lesson/"), QStringLiteral("data.txt")),
        QStringLiteral("/home/kana/lesson/data.txt"));
    EXPECT_EQ(filePath(QString(), QStringLiteral("あ.wav")), QStringLiteral("あ.wav"));
}

// A name from a lesson stays in its folder: anything that could lead out of it, or be cut short
// by the system's file calls, names no file at all.
TEST(FilePath, ANameThatLeadsOutOfItsFolderNamesNoFile)
{
    const std::pair<QString, bool> names[] = {
        {QStringLiteral("さ.wav"), true},
        {QStringLiteral(".wav"), true}, // an empty letter's clip
        {QStringLiteral("..."), true},
        {QStringLiteral("../outside/x.wav"), false},
        {QStringLiteral("/etc/passwd"), false},
        {QStringLiteral("..\\x.jpg"), false},
        {QString::fromUtf8("さ\0.wav", 8), false}, // the system would open "さ"
        {QStringLiteral("\x1B[2J.wav"), false},
        {QStringLiteral("."), false},
        {QStringLiteral(".."), false},
    };
    for (const auto &[name, safe] : names) {
        SCOPED_TRACE(name.toStdString());
        EXPECT_EQ(isSafeName(name), safe);
        EXPECT_EQ(filePath(QStringLiteral("/kana/voice/"), name).isEmpty(), !safe);
    }
}
