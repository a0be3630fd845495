#include "screens/form5.h"

#include "core/module1.h"
#include "screens/form3.h"
#include "screens/screens.h"
#include "widgets/controlbinding.h"
#include "widgets/plainlabel.h"
#include "widgets/plainmessage.h"

#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <limits>

using namespace Module1;

namespace {

constexpr QSize ClientSize{359, 253};
constexpr QPoint ClientTopLeft{253, 225};

constexpr ControlGeometry Layout[] = {
    {"Label1", -1, 24, 8, 105, 17},
    {"Text1", -1, 24, 32, 177, 25},
    {"Label2", -1, 32, 64, 41, 17},
    {"Text2", -1, 24, 88, 177, 25},
    {"Label3", -1, 16, 120, 41, 17},
    {"Text3", -1, 24, 144, 177, 25},
    {"Command2", -1, 224, 88, 65, 33},
    {"Command1", -1, 224, 136, 65, 33},
    // Added below the boxes, where the screen was empty, so nothing above moves.
    {"Command3", -1, 24, 184, 177, 33},
};

// The member and the making of every control the layout table names.
constexpr ControlBinding<Form5> Bindings[] = {
    control<&Form5::Label1>(
        "Label1", [](Form5 &form) { return new PlainLabel(QStringLiteral("音声"), &form); }),
    control<&Form5::Text1>("Text1", [](Form5 &form) { return new QLineEdit(&form); }),
    control<&Form5::Label2>(
        "Label2", [](Form5 &form) { return new PlainLabel(QStringLiteral("画像"), &form); }),
    control<&Form5::Text2>("Text2", [](Form5 &form) { return new QLineEdit(&form); }),
    control<&Form5::Label3>(
        "Label3", [](Form5 &form) { return new PlainLabel(QStringLiteral("データ"), &form); }),
    control<&Form5::Text3>("Text3", [](Form5 &form) { return new QLineEdit(&form); }),
    control<&Form5::Command2>("Command2",
        [](Form5 &form) { return new QPushButton(QStringLiteral("キャンセル"), &form); }),
    control<&Form5::Command1>(
        "Command1", [](Form5 &form) { return new QPushButton(QStringLiteral("設定"), &form); }),
    control<&Form5::Command3>("Command3",
        [](Form5 &form) { return new QPushButton(QStringLiteral("レッスンをえらぶ…"), &form); }),
};

} // namespace

Form5::Form5()
{
    setWindowTitle(QStringLiteral("データファイル設定"));
    setClientSize(ClientSize); // sizable, but nothing follows a resize

    makeControls<Layout, Bindings>(*this);
    for (QLineEdit *box : {Text1, Text2, Text3})
        box->setMaxLength(std::numeric_limits<int>::max()); // a folder is stored however long
    // A screen reader names each box by the label above it.
    Text1->setAccessibleName(Label1->text());
    Text2->setAccessibleName(Label2->text());
    Text3->setAccessibleName(Label3->text());

    // Neither button is the default: Return presses the focused one, whichever it is (the screen
    // does that for every screen), and Esc presses none.
    Command1->setAutoDefault(false);
    Command2->setAutoDefault(false);
    Command3->setAutoDefault(false);
    setTabOrder(Command2, Command1);
    setTabOrder(Command1, Text3);
    setTabOrder(Text3, Text2);
    setTabOrder(Text2, Text1);
    setTabOrder(Text1, Command3);
    Command2->setFocus();

    onClick(Command1, &Form5::Command1_Click);
    onClick(Command2, &Form5::Command2_Click);
    onClick(Command3, &Form5::Command3_Click);

    placeClientArea(ClientTopLeft);
    Form_Load();
}

void Form5::Form_Load()
{
    Text2->setText(Folders.PicFolder);
    Text1->setText(Folders.VoiceFolder);
    Text3->setText(Folders.DataFolder);
}

void Form5::Command1_Click()
{
    Folders.PicFolder = Text2->text();
    Folders.VoiceFolder = Text1->text();
    Folders.DataFolder = Text3->text();
    hide();
    Screens::form3().show();
}

void Form5::Command2_Click()
{
    hide();
    Screens::form3().show();
}

void Form5::Command3_Click()
{
    // The chooser opens where the lesson in the boxes lies, so a parent's other lessons are near.
    const QDir shown = QDir(Text3->text()).absoluteFilePath(QStringLiteral("../.."));
    const QString chosen = QFileDialog::getExistingDirectory(this,
        QStringLiteral("レッスンのフォルダをえらんでください"),
        shown.exists() ? shown.absolutePath() : QDir::homePath());
    if (chosen.isEmpty())
        return; // the chooser was cancelled
    const LessonFolders folders = lessonFolders(chosen);
    if (!folders.problem.isEmpty()) {
        PlainMessage::warning(this, QStringLiteral("エラーメッセージ"), folders.problem);
        return;
    }
    // Only the boxes: "設定" stores them, "キャンセル" leaves the folders as they were.
    Text1->setText(folders.voice);
    Text2->setText(folders.pic);
    Text3->setText(folders.data);
}
