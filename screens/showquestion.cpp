#include "screens/showquestion.h"
#include "core/lessonfields.h"
#include "core/lessonnames.h"
#include "core/module1.h"
#include "screens/form1.h"
#include "screens/screens.h"
#include "widgets/imagebox.h"
#include "widgets/inkwidgets.h"

#include <QRadioButton>

namespace Module1 {

void ShowQuestion(const QString &folder, const Integer &row)
{
    Form1 &quiz = Screens::form1();
    quiz.Image4->setVisible(false);
    quiz.setPicture(
        quiz.Image1, filePath(folder, LessonNames::picture(Questions(row, Lesson::PictureField))));
    const bool lettersShown = quiz.Option1[0]->isChecked();
    for (int i = 0; i < Lesson::LetterCount; ++i)
        quiz.Label1[i]->setVisible(lettersShown);
    QString word;
    for (int i = 0; i < Lesson::LetterCount; ++i) {
        quiz.Label1[i]->setText(Questions(row, Lesson::letterField(i)));
        word += quiz.Label1[i]->text();
    }
    quiz.Image1->setAccessibleName(word); // what the picture says when the pointer rests on it
    for (int i = 0; i < Lesson::LetterCount; ++i)
        quiz.Label2[i]->setText(QString());
    for (int i = 0; i < Lesson::AnswerCount; ++i)
        quiz.Command1[i]->setText(Questions(row, Lesson::answerField(i)));
}

} // namespace Module1
