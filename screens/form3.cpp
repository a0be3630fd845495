#include "screens/form3.h"

#include "core/module1.h"
#include "lesson/loadquestions.h"
#include "screens/form1.h"
#include "screens/form5.h"
#include "screens/screens.h"
#include "screens/showquestion.h"
#include "widgets/controlbinding.h"
#include "widgets/plainlabel.h"
#include "widgets/plainmessage.h"
#include "widgets/screenstyle.h"
#include "widgets/shape.h"

#include <QCoreApplication>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

using namespace Module1;

namespace {

constexpr QSize ClientSize{372, 242};

constexpr ControlGeometry Layout[] = {
    {"Shape1", -1, 18, 21, 329, 100},
    {"Label1", 0, 39, 32, 148, 24},
    {"Label1", 1, 56, 56, 163, 31},
    {"Label1", 2, 216, 72, 59, 17},
    {"Label2", -1, 232, 96, 89, 17},
    {"Command1", -1, 39, 132, 121, 41},
    {"Command2", -1, 224, 184, 89, 41},
    {"Command3", -1, 40, 184, 121, 41},
};

// The member and the making of every control the layout table names.
constexpr ControlBinding<Form3> Bindings[] = {
    control<&Form3::Shape1>("Shape1",
        [](Form3 &form) {
            return new Shape(QColor(0xFF, 0xE0, 0xC0), QColor(0xFF, 0x80, 0x80), 1, &form);
        }),
    control<&Form3::Label1>("Label1", [](Form3 &form) { return new PlainLabel(&form); }),
    control<&Form3::Label2>("Label2", [](Form3 &form) { return new PlainLabel(&form); }),
    control<&Form3::Command1>(
        "Command1", [](Form3 &form) { return new QPushButton(QStringLiteral("はじめる"), &form); }),
    control<&Form3::Command2>(
        "Command2", [](Form3 &form) { return new QPushButton(QStringLiteral("設定"), &form); }),
    control<&Form3::Command3>(
        "Command3", [](Form3 &form) { return new QPushButton(QStringLiteral("おわる"), &form); }),
};

void setLabel(QLabel *label, const QString &text, const QFont &font, const QColor &colour)
{
    label->setText(text);
    label->setFont(font);
    setColour(label, QPalette::WindowText, colour);
}

} // namespace

Form3::Form3()
{
    setWindowTitle(QStringLiteral("memu"));
    setClientSize(ClientSize); // sizable, but nothing follows a resize
    setColour(this, QPalette::Window, QColor(0xFF, 0xFF, 0xC0));
    setFont(designFont("AR丸ゴシック体M", 18));

    makeControls<Layout, Bindings>(*this);
    setLabel(Label1[0], QStringLiteral("ぴこもじ"), designFont("HG丸ｺﾞｼｯｸM-PRO", 12),
        QColor(0x00, 0xC0, 0x00));
    setLabel(Label1[1], QStringLiteral("あいうえお"), designFont("HG丸ｺﾞｼｯｸM-PRO", 21.75, true),
        palette().color(QPalette::Highlight));
    setLabel(Label1[2], QStringLiteral("Ver.2"), designFont("HG丸ｺﾞｼｯｸM-PRO", 9, true),
        QColor(0x80, 0x80, 0xFF));
    setLabel(Label2, QStringLiteral("By kumomaru"), designFont("AR丸ゴシック体M", 12),
        palette().color(QPalette::WindowText));
    makeGraphical(Command1, QColor(0xC0, 0xC0, 0xFF));
    makeGraphical(Command2, QColor(0xFF, 0xC0, 0xFF));

    setTabOrder(Command1, Command2);
    setTabOrder(Command2, Command3);
    Command1->setFocus();

    onClick(Command1, &Form3::Command1_Click);
    onClick(Command2, &Form3::Command2_Click);
    onClick(Command3, &Form3::Command3_Click);

    Form_Load();
}

void Form3::Form_Load()
{
    // From the program's folder, unless a lesson named on the command line came first.
    deriveFoldersOnce();
}

void Form3::Command1_Click()
{
    LoadQuestions();
    if (LoadFailed == 1) {
        PlainMessage::warning(
            this, QStringLiteral("エラーメッセージ"), QStringLiteral("ファイルがロードできません"));
        LoadFailed = 0;
        return;
    }

    Form1 &quiz = Screens::form1();
    quiz.startQuiz();
    ShowQuestion(Folders.PicFolder, CurrentQuestion);
    quiz.show();
    hide();
}

void Form3::Command2_Click()
{
    Screens::form5().show();
    hide();
}

void Form3::Command3_Click()
{
    hide();
    QCoreApplication::exit(0);
}
