#pragma once

#include "core/lessonfields.h"
#include "widgets/screenwindow.h"

#include <array>

class FrameBox;
class ImageBox;
class InkLabel;
class InkButton;
class QButtonGroup;
class QLabel;
class QPushButton;
class QToolButton;
class QRadioButton;
class Shape;

// The quiz screen: a word's picture and letters, five letter buttons, and the progress record.
class Form1 : public ScreenWindow
{
    Q_OBJECT

public:
    Form1();
    ~Form1() override;

    // Controls by their design names; arrays are indexed as the design numbers them.
    std::array<InkLabel *, Lesson::LetterCount + 2>
        Label1{}; // the letters, the title, "あいうえお"
    std::array<InkLabel *, Lesson::LetterCount> Label2{}; // the answer boxes under the letters
    std::array<InkButton *, Lesson::AnswerCount> Command1{}; // the letter buttons
    QToolButton *Command2 = nullptr; // もんだい, with the star above its caption
    QPushButton *Command3 = nullptr; // おわる
    ImageBox *Image1 = nullptr; // the word's picture
    std::array<ImageBox *, Progress::MarkPlaces> Image2{}; // the marks row
    ImageBox *Image4 = nullptr; // the celebration picture
    FrameBox *Frame1 = nullptr;
    std::array<QRadioButton *, 2> Option1{}; // あり, なし
    std::array<QLabel *, 2> Label4{}; // the credit and the version
    std::array<QLabel *, Progress::MissedLetterPlaces> Label5{}; // the missed letters
    Shape *Shape1 = nullptr; // the panel behind the marks
    Shape *Shape2 = nullptr; // the white mat behind the picture

    void Command1_Click(int Index);
    void Command2_Click();
    void Command3_Click();
    void Label1_Click(int Index);
    void Label1_MouseMove(int Index);
    void Label2_Click(int Index);
    void Image1_MouseMove();

    // A new word: nothing answered yet, the first letter asked (red), the others black.
    void startWord();
    // A new quiz: a new word, the letters shown, no marks and no missed letters, question 1.
    void startQuiz();

    // The logic's colour numbers for the letter boxes: 255 red, 0 black.
    void setLetterColour(int index, int colourNumber);
    int letterColour(int index) const;

    // Loads a picture into an image control. A file that cannot be loaded is named in a message
    // box (once per file per run) and leaves the control empty; the caller carries on, so nothing
    // the child has earned is lost.
    void setPicture(ImageBox *control, const QString &path);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // The constructor's steps, in order.
    void styleLetterArea();
    void styleTitleBlock();
    void styleButtons();
    void styleProgressRecord();
    void orderTabStops();
    void connectHandlers();

    // Speaks the current question's letters, one clip after another.
    void speakWord();

    // Puts the mark picture "すごい" or "しっかり" into the next free place, MarkCount.
    void placeMark(const QString &mark);

    QButtonGroup *m_letterButtons = nullptr;
    const QObject *m_doubleClicked = nullptr; // the label whose next release ends a double click
};
