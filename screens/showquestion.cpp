#include "screens/showquestion.h"
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
    quiz.setPicture(quiz.Image1, filePath(folder, Questions(row, 1) + QStringLiteral(".jpg")));
    const bool lettersShown = quiz.Option1[0]->isChecked();
    for (int i = 0; i < 3; ++i)
        quiz.Label1[i]->setVisible(lettersShown);
    for (int i = 0; i < 3; ++i)
        quiz.Label1[i]->setText(Questions(row, 2 + i));
    for (int i = 0; i < 3; ++i)
        quiz.Label2[i]->setText(QString());
    for (int i = 0; i < 5; ++i)
        quiz.Command1[i]->setText(Questions(row, 5 + i));
}

} // namespace Module1
