#include "app/startup.h"

#include "core/module1.h"
#include "media/voice.h"
#include "screens/form3.h"
#include "screens/screens.h"

#include <QDir>
#include <QFileInfo>
#include <QMessageBox>

void Main(const StartOptions &options)
{
    Form3 &menu = Screens::form3();
    menu.show();
    if (!options.lessonDir.isEmpty())
        useLessonFolder(options.lessonDir, &menu);
    Voice::prepare();
}

void useLessonFolder(const QString &lessonDir, QWidget *parent)
{
    const QFileInfo lesson(lessonDir);
    const QString folder = QDir::cleanPath(lesson.absoluteFilePath());
    // A folder with no data/ is most likely the lesson's data/ or pic/ itself, given by mistake.
    const QString problem = !lesson.isDir()
        ? QStringLiteral("レッスンのフォルダ「%1」が見つかりません。")
        : !QFileInfo(Module1::filePath(folder, QStringLiteral("data"))).isDir()
        ? QStringLiteral("「%1」はレッスンのフォルダではありません（data フォルダがありません）。")
        : QString();
    if (!problem.isEmpty()) {
        QMessageBox::warning(parent, QStringLiteral("エラーメッセージ"),
            problem.arg(lessonDir) + QStringLiteral("\nいつものレッスンではじめます。"));
        return;
    }
    Module1::PicFolder = Module1::filePath(folder, QStringLiteral("pic/"));
    Module1::DataFolder = Module1::filePath(folder, QStringLiteral("data/"));
    if (QFileInfo(Module1::filePath(folder, QStringLiteral("voice"))).isDir())
        Module1::VoiceFolder = Module1::filePath(folder, QStringLiteral("voice/"));
}
