#include "screens/form3.h"

#include "core/module1.h"
#include "lesson/loadquestions.h"
#include "screens/form1.h"
#include "screens/form5.h"
#include "screens/screens.h"
#include "screens/showquestion.h"
#include "widgets/geometry.h"
#include "widgets/plainlabel.h"
#include "widgets/plainmessage.h"
#include "widgets/screenstyle.h"
#include "widgets/shape.h"

#include <QCoreApplication>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

#include <string_view>

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

QLabel *label(const QString &text, const QFont &font, const QColor &colour, QWidget *parent)
{
    auto *label = new PlainLabel(text, parent);
    label->setFont(font);
    setColour(label, QPalette::WindowText, colour);
    return label;
}

// The table's rows stand in the order of the controls placed from it below.
static_assert(namesInOrder(Layout,
    {"Shape1", "Label1", "Label1", "Label1", "Label2", "Command1", "Command2", "Command3"}));

} // namespace

Form3::Form3()
{
    setWindowTitle(QStringLiteral("memu"));
    setClientSize(ClientSize); // sizable, but nothing follows a resize
    setColour(this, QPalette::Window, QColor(0xFF, 0xFF, 0xC0));
    setFont(designFont("AR丸ゴシック体M", 18));

    Shape1 = new Shape(QColor(0xFF, 0xE0, 0xC0), QColor(0xFF, 0x80, 0x80), 1, this);
    Label1[0] = label(QStringLiteral("ぴこもじ"), designFont("HG丸ｺﾞｼｯｸM-PRO", 12),
        QColor(0x00, 0xC0, 0x00), this);
    Label1[1] = label(QStringLiteral("あいうえお"), designFont("HG丸ｺﾞｼｯｸM-PRO", 21.75, true),
        palette().color(QPalette::Highlight), this);
    Label1[2] = label(QStringLiteral("Ver.2"), designFont("HG丸ｺﾞｼｯｸM-PRO", 9, true),
        QColor(0x80, 0x80, 0xFF), this);
    Label2 = label(QStringLiteral("By kumomaru"), designFont("AR丸ゴシック体M", 12),
        palette().color(QPalette::WindowText), this);
    Command1 = new QPushButton(QStringLiteral("はじめる"), this);
    Command2 = new QPushButton(QStringLiteral("設定"), this);
    Command3 = new QPushButton(QStringLiteral("おわる"), this);
    makeGraphical(Command1, QColor(0xC0, 0xC0, 0xFF));
    makeGraphical(Command2, QColor(0xFF, 0xC0, 0xFF));

    QWidget *const controls[]
        = {Shape1, Label1[0], Label1[1], Label1[2], Label2, Command1, Command2, Command3};
    for (size_t i = 0; i < std::size(Layout); ++i)
        place(controls[i], Layout[i]);

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
