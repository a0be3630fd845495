#pragma once

#include <QImage>
#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

class Form1;
class Form3;

// Watches for message boxes while it lives: records each one's title and text and presses OK,
// as a parent would, so a test can go on through a modal box.
class MessageBoxWatcher
{
public:
    MessageBoxWatcher();
    ~MessageBoxWatcher();
    MessageBoxWatcher(const MessageBoxWatcher &) = delete;
    MessageBoxWatcher &operator=(const MessageBoxWatcher &) = delete;

    struct Box
    {
        QString title;
        QString text;
        int icon;
    };
    QList<Box> boxes;

private:
    class QTimer *m_timer;
};

// A program run on a lesson of its own, in a temporary folder laid out like the program's:
// data/data.txt, pic/ (a picture per word and the two marks) and voice/. Voice clips are
// recorded by name instead of played, in the order they were asked for.
class QuizFixture : public ::testing::Test
{
protected:
    static const QColor PraiseColour; // すごい.jpg is a plain square of this colour
    static const QColor EncouragementColour; // しっかり.jpg

    void SetUp() override;
    void TearDown() override;

    // Writes data.txt (UTF-8 lines joined with CR LF, saved as Shift-JIS) and a picture for each
    // row's field 1.
    void writeLesson(const QStringList &rows);
    // The menu, as Main opens it, with the folders pointed at this fixture's lesson.
    Form3 &openMenu();
    // Opens the menu and clicks "はじめる"; returns the quiz screen.
    Form1 &startQuiz();
    Form1 &quiz();

    // Clicks, as a child would.
    void clickLetterButton(int index);
    void clickNext();

    // Clip names asked for since the last call, e.g. {"さ.wav", "か.wav"}.
    QStringList takeClips();
    // The letter-box captions, the answer boxes, the missed letters, and which marks are set.
    QStringList letters();
    QStringList answers();
    QStringList missedLetters();
    QString marks(); // one character per place: '+' praise, '-' encouragement, '.' empty
    // The quiz as the child sees it, in one line: the letters with the red one in brackets, the
    // answer boxes, the marks, the missed letters, and "*" while the celebration picture shows;
    // "さ[か]な さ|| -+ さ" after a wrong answer and a right one.
    QString screen();

    QTemporaryDir m_dir;
    QString m_folder; // ends in "/"
    QStringList m_clips;
};
