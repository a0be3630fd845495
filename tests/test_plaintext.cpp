// Text from a lesson, a file name or a folder is shown as it is. Were any of it taken for HTML,
// an image it names would be read as the screen is laid out (a FIFO would hold the screen for
// good) and 40 nested tables would take the layout for ever. Planted in a letter, a picture name
// and a folder, the markup must show literally, with nothing opened and nothing spinning.

#include "app/startup.h"
#include "core/module1.h"
#include "quizfixture.h"
#include "screens/form1.h"
#include "testsupport.h"
#include "widgets/inkwidgets.h"

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QTest>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Module1;

namespace {
// 40 tables, each inside a cell of the one around it, left for the parser to close: no slash,
// so it also makes a file name.
QString nestedTables()
{
    return QStringLiteral("<table><tr><td>").repeated(40) + u'x';
}

// Watches a FIFO from another thread: whoever opens it for reading is seen at once and let go
// (its read ends at once), so a test that opens it reports it instead of hanging. Also ends the
// process with a message if the test does not finish: a layout that spins never returns.
class FifoWatch
{
public:
    explicit FifoWatch(const QString &path)
        : m_path(QFile::encodeName(path))
    {
        m_ok = mkfifo(m_path.constData(), 0600) == 0;
        m_thread = std::thread([this] { watch(); });
    }
    ~FifoWatch()
    {
        {
            const std::lock_guard lock(m_mutex);
            m_done = true;
        }
        m_wake.notify_all();
        m_thread.join();
    }
    bool made() const { return m_ok; }
    bool opened() const { return m_opened; }

private:
    void watch()
    {
        using namespace std::chrono;
        const auto giveUp = steady_clock::now() + minutes(2); // a hang guard, not a time limit
        std::unique_lock lock(m_mutex);
        while (!m_wake.wait_for(lock, milliseconds(2), [this] { return m_done; })) {
            // Opening the writing end without waiting succeeds only while a reader has it open.
            if (const int fd = open(m_path.constData(), O_WRONLY | O_NONBLOCK); fd >= 0) {
                m_opened = true;
                close(fd);
            }
            if (steady_clock::now() > giveUp) {
                std::fputs("test_plaintext: the screen hung laying out text\n", stderr);
                std::_Exit(1);
            }
        }
    }

    QByteArray m_path;
    bool m_ok = false;
    std::atomic<bool> m_opened = false;
    bool m_done = false;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::thread m_thread;
};
} // namespace

class PlainText : public QuizFixture
{
protected:
    void SetUp() override
    {
        QuizFixture::SetUp();
        ASSERT_TRUE(m_fifo.made());
    }
    // An image naming the FIFO, its slashes escaped so that it fits in a single file name.
    QString imageOfFifo() const
    {
        return QStringLiteral("<img src=%1>")
            .arg(QString(m_dir.filePath(QStringLiteral("fifo")))
                     .replace(u'/', QStringLiteral("%2F")));
    }
    // Lets the screens paint and lay out whatever they now show.
    static void settle()
    {
        for (QWidget *window : QApplication::topLevelWidgets())
            for (QLabel *label : window->findChildren<QLabel *>())
                label->sizeHint();
        QTest::qWait(50);
    }

    FifoWatch m_fifo{m_dir.filePath(QStringLiteral("fifo"))};
};

TEST_F(PlainText, MarkupInALetterAPictureNameOrAFolderShowsLiterallyAndOpensNothing)
{
    MessageBoxWatcher boxes;
    for (const QString &markup : {imageOfFifo(), nestedTables()}) {
        SCOPED_TRACE(markup.toStdString());
        boxes.boxes.clear();
        // The first letter, asked and then missed; the word's picture, named but not there.
        writeFile(m_dir, QStringLiteral("data/data.txt"),
            shiftJis(QStringLiteral("%1,%1,か,な,な,さ,か,た,ま\r\n").arg(markup)));
        Form1 &form = startQuiz();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
        clickLetterButton(0); // な: wrong
        settle();
        EXPECT_EQ(form.Label1[0]->text(), markup);
        EXPECT_EQ(form.Label5[0]->text(), markup);
        // A lesson folder on the command line that is not there.
        useLessonFolder(m_dir.filePath(markup), &form);
        settle();
        ASSERT_EQ(boxes.boxes.size(), 2);
        EXPECT_TRUE(boxes.boxes[0].text.contains(markup)) << boxes.boxes[0].text.toStdString();
        EXPECT_TRUE(boxes.boxes[1].text.contains(markup)) << boxes.boxes[1].text.toStdString();
        EXPECT_FALSE(m_fifo.opened());
    }
}
