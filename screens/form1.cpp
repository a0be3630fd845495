#include "screens/form1.h"

#include "core/lessonfields.h"
#include "core/lessonnames.h"
#include "core/module1.h"
#include "core/runtimeerror.h"
#include "media/picture.h"
#include "media/playvoice.h"
#include "screens/form1layout.h"
#include "screens/form3.h"
#include "screens/screens.h"
#include "screens/showquestion.h"
#include "widgets/assets.h"
#include "widgets/controlbinding.h"
#include "widgets/framebox.h"
#include "widgets/imagebox.h"
#include "widgets/inkwidgets.h"
#include "widgets/plainlabel.h"
#include "widgets/plainmessage.h"
#include "widgets/screenstyle.h"
#include "widgets/shape.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QMouseEvent>
#include <QRadioButton>
#include <QSet>
#include <QToolButton>

#include <utility>

using namespace Module1;

namespace {

const QColor WindowColour(0xC0, 0xFF, 0xFF);
const QColor LetterButtonFace(0xFF, 0xFF, 0xC0);
const QColor NextButtonFace(0xC0, 0xFF, 0xC0);
const QColor QuitButtonFace(0xFF, 0xC0, 0xC0);
const QColor PanelFill(0xFF, 0xFF, 0xC0);
const QColor PanelBorder(0x00, 0x00, 0xFF);
const QColor TitleGreen(0x00, 0xC0, 0x00);
const QColor MissedLetterRed(0xFF, 0x00, 0x00);
constexpr int PanelBorderWidth = 3; // pixels
constexpr int MatBorderWidth = 1;
constexpr QSize StarIconSize{72, 68}; // the 96 × 91 star, scaled to leave room for the caption

constexpr int Red = 255;
constexpr int Black = 0;

// Control arrays indexed by the quiz state are checked like the question table.
template <typename Array> auto element(const Array &array, int index)
{
    if (index < 0 || size_t(index) >= array.size())
        throw RuntimeError(RuntimeError::SubscriptOutOfRange);
    return array[size_t(index)];
}

// The member and the making of every control the layout table names. Option1 is made inside
// Frame1, which the table puts before it.
constexpr ControlBinding<Form1> Bindings[] = {
    control<&Form1::Shape1>("Shape1",
        [](Form1 &form) { return new Shape(PanelFill, PanelBorder, PanelBorderWidth, &form); }),
    control<&Form1::Shape2>("Shape2",
        [](Form1 &form) {
            return new Shape(
                Qt::white, form.palette().color(QPalette::WindowText), MatBorderWidth, &form);
        }),
    control<&Form1::Label1>(
        "Label1", [](Form1 &form) { return new InkLabel(QStringLiteral("あ"), &form); }),
    control<&Form1::Label2>(
        "Label2", [](Form1 &form) { return new InkLabel(QStringLiteral("あ"), &form); }),
    control<&Form1::Label4>("Label4", [](Form1 &form) { return new PlainLabel(&form); }),
    control<&Form1::Label5>("Label5", [](Form1 &form) { return new PlainLabel(&form); }),
    control<&Form1::Image1>("Image1", [](Form1 &form) { return new ImageBox(&form); }),
    control<&Form1::Image2>("Image2", [](Form1 &form) { return new ImageBox(&form); }),
    control<&Form1::Image4>("Image4", [](Form1 &form) { return new ImageBox(&form); }),
    control<&Form1::Command1>(
        "Command1", [](Form1 &form) { return new InkButton(QStringLiteral("あ"), &form); }),
    control<&Form1::Command2>("Command2", [](Form1 &form) { return new QToolButton(&form); }),
    control<&Form1::Command3>(
        "Command3", [](Form1 &form) { return new QPushButton(QStringLiteral("おわる"), &form); }),
    control<&Form1::Frame1>(
        "Frame1", [](Form1 &form) { return new FrameBox(QStringLiteral("も じ 表示"), &form); }),
    control<&Form1::Option1>("Option1", [](Form1 &form) { return new QRadioButton(form.Frame1); }),
};

} // namespace

Form1::Form1()
{
    setWindowTitle(QStringLiteral("もんだい"));
    setClientSize(Form1Layout::ClientSize); // sizable, but nothing follows a resize
    setColour(this, QPalette::Window, WindowColour);

    makeControls<Form1Layout::Controls, Bindings>(*this);
    styleLetterArea();
    styleTitleBlock();
    styleButtons();
    styleProgressRecord();
    orderTabStops();
    connectHandlers();

    placeClientArea(Form1Layout::ClientTopLeft);
}

// The letter area: six big brush-style letters on the window's own colour, the first one red.
void Form1::styleLetterArea()
{
    const QColor highlight = palette().color(QPalette::Highlight);
    const QFont letterFont = designFont("AR楷書体M", 99.75, true);
    for (int i = 0; i < Lesson::LetterCount; ++i) {
        for (QLabel *box : {Label1[i], Label2[i]}) {
            box->setFont(letterFont);
            box->setAlignment(Qt::AlignLeft | Qt::AlignTop);
            setColour(box, QPalette::Window, WindowColour);
        }
        setColour(Label2[i], QPalette::WindowText, highlight);
    }
    setLetterColour(0, Red);
}

// The title, "あいうえお", the credit and the version.
void Form1::styleTitleBlock()
{
    const QColor highlight = palette().color(QPalette::Highlight);
    Label1[3]->setText(QStringLiteral("ぴこもじ"));
    Label1[3]->setFont(designFont("HG丸ｺﾞｼｯｸM-PRO", 9.75));
    setColour(Label1[3], QPalette::WindowText, TitleGreen);
    Label1[4]->setText(QStringLiteral("あいうえお"));
    Label1[4]->setFont(designFont("HG丸ｺﾞｼｯｸM-PRO", 21.75, true));
    setColour(Label1[4], QPalette::WindowText, highlight);
    Label4[0]->setText(QStringLiteral("ｂｙ　ｋｕｍｏｍａｒｕ"));
    Label4[1]->setText(QStringLiteral("Ver. 2"));
    setColour(Label4[1], QPalette::WindowText, highlight);
    for (QLabel *label : Label4)
        setColour(label, QPalette::Window, WindowColour);
}

// The letter buttons, "もんだい" with its star, "おわる", the celebration picture and the options.
void Form1::styleButtons()
{
    const QFont buttonFont = designFont("AR楷書体M", 90, true);
    m_letterButtons = new QButtonGroup(this);
    for (int i = 0; i < Lesson::AnswerCount; ++i) {
        Command1[i]->setFont(buttonFont);
        makeGraphical(Command1[i], LetterButtonFace);
        m_letterButtons->addButton(Command1[i], i);
    }
    Command2->setText(QStringLiteral("もんだい"));
    Command2->setIcon(Assets::starPicture());
    Command2->setIconSize(StarIconSize);
    Command2->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    Command2->setFocusPolicy(Qt::StrongFocus);
    makeGraphical(Command2, NextButtonFace);
    makeGraphical(Command3, QuitButtonFace);

    Image4->setPicture(Assets::celebrationPicture().toImage());
    Image4->setAccessibleName(QStringLiteral("やったぁ!! つぎのもんだい くりっくだよ！"));

    // The frame and its options are transparent: the window's own colour shows through.
    Option1[0]->setText(QStringLiteral("あり"));
    Option1[1]->setText(QStringLiteral("なし"));
}

// The missed-letter list.
void Form1::styleProgressRecord()
{
    for (QLabel *box : Label5) {
        box->setFont(designFont("AR丸ゴシック体M", 18));
        setColour(box, QPalette::WindowText, MissedLetterRed);
        setColour(box, QPalette::Window, WindowColour);
    }
}

void Form1::orderTabStops()
{
    QWidget *previous = Command1[0];
    for (QWidget *next : std::initializer_list<QWidget *>{Command1[1], Command1[2], Command1[3],
             Command1[4], Command2, Option1[0], Option1[1], Command3}) {
        QWidget::setTabOrder(previous, next);
        previous = next;
    }
    Command1[0]->setFocus();
}

void Form1::connectHandlers()
{
    // The listening aids: the letter boxes and the title labels speak when touched or clicked,
    // the answer boxes when clicked, the picture when the pointer moves over it.
    for (QLabel *label : Label1) {
        label->setMouseTracking(true);
        label->installEventFilter(this);
    }
    for (QLabel *label : Label2)
        label->installEventFilter(this);
    Image1->setMouseTracking(true);
    Image1->installEventFilter(this);

    connect(m_letterButtons, &QButtonGroup::idClicked, this,
        [this](int id) { handle([this, id] { Command1_Click(id); }); });
    onClick(Command2, &Form1::Command2_Click);
    onClick(Command3, &Form1::Command3_Click);
}

Form1::~Form1() = default;

namespace {
// A touch screen has no hovering. What a finger does reaches the controls as mouse events made
// from the touch, by Qt or by the system, and a tap at a new place comes after a move that Qt
// makes up; only a pointer that really moves sends moves of its own.
bool fromTouch(const QEvent *event)
{
    const auto *mouse = static_cast<const QMouseEvent *>(event);
    const QInputDevice *device = mouse->device();
    return mouse->source() != Qt::MouseEventNotSynthesized
        || (device && device->type() == QInputDevice::DeviceType::TouchScreen);
}
} // namespace

bool Form1::eventFilter(QObject *watched, QEvent *event)
{
    const auto isClick = [event, watched] {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        return mouse->button() == Qt::LeftButton
            && static_cast<QWidget *>(watched)->rect().contains(mouse->position().toPoint());
    };
    const auto indexIn = [watched](const auto &controls) {
        for (int i = 0; i < int(controls.size()); ++i)
            if (watched == controls[i])
                return i;
        return -1;
    };

    switch (event->type()) {
    case QEvent::MouseMove: {
        if (fromTouch(event))
            return true;
        if (watched == Image1) {
            handleMove([this] { Image1_MouseMove(); });
            return true;
        }
        if (const int i = indexIn(Label1); i >= 0) {
            handleMove([this, i] { Label1_MouseMove(i); });
            return true;
        }
        break;
    }
    case QEvent::MouseButtonDblClick:
        // The second press of a double click. Its release is no click: a label speaks once.
        m_doubleClicked = watched;
        return true;
    case QEvent::MouseButtonRelease: {
        if (std::exchange(m_doubleClicked, nullptr) == watched || !isClick())
            break;
        if (const int i = indexIn(Label1); i >= 0) {
            handle([this, i] { Label1_Click(i); });
            return true;
        }
        if (const int i = indexIn(Label2); i >= 0) {
            handle([this, i] { Label2_Click(i); });
            return true;
        }
        // A tap is what a finger has instead of resting on the picture.
        if (watched == Image1 && fromTouch(event)) {
            handle([this] { Image1_MouseMove(); });
            return true;
        }
        break;
    }
    default:
        break;
    }
    return ScreenWindow::eventFilter(watched, event);
}

void Form1::setLetterColour(int index, int colourNumber)
{
    setColour(element(Label1, index), QPalette::WindowText, colourFromNumber(colourNumber));
}

int Form1::letterColour(int index) const
{
    const QColor colour = element(Label1, index)->palette().color(QPalette::WindowText);
    return colour.red() | colour.green() << 8 | colour.blue() << 16;
}

void Form1::setPicture(ImageBox *control, const QString &path)
{
    const Picture::Result result = control->load(path);
    if (result.ok())
        return;
    // One message per file per run: a child should not meet the same box at every answer.
    static QSet<QString> reported;
    if (reported.contains(path))
        return;
    reported.insert(path);
    PlainMessage::warning(this, QStringLiteral("エラーメッセージ"),
        QStringLiteral("画像ファイルが読み込めません。\n%1").arg(result.problem->text()));
}

void Form1::placeMark(const QString &mark)
{
    ImageBox *place = element(Image2, MarkCount);
    setPicture(place, filePath(Folders.PicFolder, LessonNames::picture(mark)));
    place->setAccessibleName(mark);
}

void Form1::Command1_Click(int Index)
{
    const QString clip = LessonNames::clip(
        Questions(CurrentQuestion, add(Integer(Index), Lesson::FirstAnswerField)));
    if (WordDone == True) {
        PlayVoice(Folders.VoiceFolder, clip);
        return;
    }

    const QString asked = element(Label1, TargetPos)->text();
    const QString answer = element(Command1, Index)->text();
    if (answer == asked) {
        element(Label2, TargetPos)->setText(answer);
        PlayVoice(Folders.VoiceFolder, clip);
        if (MarkCount <= Progress::MarkPlaces - 1) {
            placeMark(LessonNames::rightMark());
            increment(MarkCount);
        }
        setLetterColour(TargetPos, Black);
        if (TargetPos >= Lesson::LetterCount - 1
            || element(Label1, add(TargetPos, 1))->text().isEmpty()) {
            // The word is complete.
            Image4->setVisible(true);
            WordDone = True;
        } else {
            increment(TargetPos);
            setLetterColour(TargetPos, Red);
        }
    } else {
        PlayVoice(Folders.VoiceFolder, clip);
        if (MarkCount <= Progress::MarkPlaces - 1) {
            placeMark(LessonNames::wrongMark());
            increment(MarkCount);
            if (MissCount <= Progress::MissedLetterPlaces - 1) {
                element(Label5, MissCount)->setText(asked);
                increment(MissCount);
            }
        }
    }
}

void Form1::startWord()
{
    WordDone = False;
    TargetPos = 0;
    for (int i = 0; i < Lesson::LetterCount; ++i)
        setLetterColour(i, i == 0 ? Red : Black);
}

void Form1::startQuiz()
{
    startWord();
    Option1[0]->setChecked(true);
    Option1[1]->setChecked(false);
    MissCount = 0;
    MarkCount = 0;
    CurrentQuestion = 1;
}

void Form1::speakWord()
{
    for (int field = Lesson::FirstLetterField; field <= Lesson::LastLetterField; ++field)
        PlayVoice(Folders.VoiceFolder, LessonNames::clip(Questions(CurrentQuestion, field)));
}

void Form1::Command2_Click()
{
    startWord();
    if (CurrentQuestion < QuestionCount)
        increment(CurrentQuestion);
    else
        CurrentQuestion = 1;
    ShowQuestion(Folders.PicFolder, CurrentQuestion);
    speakWord();
}

void Form1::Command3_Click()
{
    Screens::form3().show();
    hide();
    Screens::unloadForm1();
}

void Form1::Label1_Click(int Index)
{
    PlayVoice(Folders.VoiceFolder,
        LessonNames::clip(
            Questions(CurrentQuestion, add(Integer(Index), Lesson::FirstLetterField))));
}

void Form1::Label1_MouseMove(int Index)
{
    Label1_Click(Index);
}

void Form1::Label2_Click(int Index)
{
    PlayVoice(Folders.VoiceFolder, LessonNames::clip(element(Label2, Index)->text()));
}

void Form1::Image1_MouseMove()
{
    speakWord();
}
