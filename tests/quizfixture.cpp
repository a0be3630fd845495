#include "quizfixture.h"

#include "core/module1.h"
#include "media/voice.h"
#include "screens/form1.h"
#include "screens/form3.h"
#include "screens/screens.h"
#include "testsupport.h"
#include "widgets/imagebox.h"
#include "widgets/inkwidgets.h"

#include <QApplication>
#include <QBuffer>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>

using namespace Module1;

const QColor QuizFixture::PraiseColour(255, 200, 0);
const QColor QuizFixture::EncouragementColour(0, 160, 0);

namespace {
QByteArray jpeg(const QColor &colour)
{
    QImage image(32, 32, QImage::Format_RGB32);
    image.fill(colour);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPEG", 95);
    return bytes;
}

bool near(const QColor &a, const QColor &b)
{
    return qAbs(a.red() - b.red()) < 24 && qAbs(a.green() - b.green()) < 24
        && qAbs(a.blue() - b.blue()) < 24;
}
} // namespace

MessageBoxWatcher::MessageBoxWatcher()
{
    m_timer = new QTimer;
    QObject::connect(m_timer, &QTimer::timeout, m_timer, [this] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box || !box->isVisible())
            return;
        boxes.append({box->windowTitle(), box->text(), int(box->icon())});
        box->button(QMessageBox::Ok) ? box->button(QMessageBox::Ok)->click() : box->accept();
    });
    m_timer->start(5);
}

MessageBoxWatcher::~MessageBoxWatcher()
{
    delete m_timer;
}

void QuizFixture::SetUp()
{
    resetState();
    m_folder = m_dir.path() + u'/';
    writeFile(m_dir, QStringLiteral("pic/すごい.jpg"), jpeg(PraiseColour));
    writeFile(m_dir, QStringLiteral("pic/しっかり.jpg"), jpeg(EncouragementColour));
    Voice::setPlayer([this](const QString &path) { m_clips << path.section(u'/', -1); });
}

void QuizFixture::TearDown()
{
    Voice::setPlayer({});
    Screens::unloadAll();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    resetState();
}

void QuizFixture::writeLesson(const QStringList &rows)
{
    writeFile(m_dir, QStringLiteral("data/data.txt"),
        shiftJis(rows.join(QStringLiteral("\r\n")) + "\r\n"));
    for (const QString &row : rows)
        writeFile(m_dir, QStringLiteral("pic/%1.jpg").arg(row.section(u',', 0, 0)), jpeg(Qt::blue));
}

Form3 &QuizFixture::openMenu()
{
    Form3 &menu = Screens::form3();
    deriveFolders(m_dir.path());
    menu.show();
    return menu;
}

Form1 &QuizFixture::startQuiz()
{
    QTest::mouseClick(openMenu().Command1, Qt::LeftButton);
    EXPECT_TRUE(Screens::form1Loaded());
    m_clips.clear();
    return Screens::form1();
}

Form1 &QuizFixture::quiz()
{
    return Screens::form1();
}

void QuizFixture::clickLetterButton(int index)
{
    QTest::mouseClick(quiz().Command1[index], Qt::LeftButton);
}
void QuizFixture::clickNext()
{
    QTest::mouseClick(quiz().Command2, Qt::LeftButton);
}

QStringList QuizFixture::takeClips()
{
    return std::exchange(m_clips, {});
}

namespace {
template <typename Labels> QStringList captions(const Labels &labels, int count)
{
    QStringList list;
    for (int i = 0; i < count; ++i)
        list << labels[i]->text();
    return list;
}
} // namespace

QStringList QuizFixture::letters()
{
    return captions(quiz().Label1, 3);
}
QStringList QuizFixture::answers()
{
    return captions(quiz().Label2, 3);
}

QStringList QuizFixture::missedLetters()
{
    QStringList list = captions(quiz().Label5, 11);
    while (!list.isEmpty() && list.back().isEmpty())
        list.removeLast();
    return list;
}

QString QuizFixture::marks()
{
    QString row;
    for (ImageBox *place : quiz().Image2) {
        const QImage &picture = place->picture();
        if (picture.isNull())
            row += u'.';
        else if (near(picture.pixelColor(picture.width() / 2, picture.height() / 2), PraiseColour))
            row += u'+';
        else if (near(picture.pixelColor(picture.width() / 2, picture.height() / 2),
                     EncouragementColour))
            row += u'-';
        else
            row += u'?';
    }
    while (row.endsWith(u'.'))
        row.chop(1);
    return row;
}

QString QuizFixture::screen()
{
    QString shown;
    for (int i = 0; i < 3; ++i)
        shown += quiz().letterColour(i) == 255 ? u'[' + letters()[i] + u']' : letters()[i];
    return shown + u' ' + answers().join(u'|') + u' ' + marks() + u' '
        + missedLetters().join(QString()) + (quiz().Image4->isVisible() ? " *" : "");
}
