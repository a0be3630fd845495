#include "app/startup.h"

#include "core/module1.h"
#include "media/voice.h"
#include "screens/form3.h"
#include "screens/screens.h"
#include "widgets/plainmessage.h"
#include "widgets/screenwindow.h"

#include <QDir>
#include <QFileInfo>

void Main(const StartOptions &options)
{
    // `pikomoji --full-screen` opens every screen full screen; F11 leaves it.
    ScreenWindow::setFullScreen(options.fullScreen);
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
        : !QFileInfo(QDir(folder).filePath(QStringLiteral("data"))).isDir()
        ? QStringLiteral("「%1」はレッスンのフォルダではありません（data フォルダがありません）。")
        : QString();
    if (!problem.isEmpty()) {
        PlainMessage::warning(parent, QStringLiteral("エラーメッセージ"),
            problem.arg(lessonDir) + QStringLiteral("\nいつものレッスンではじめます。"));
        return;
    }
    // Folders end in "/", as the derived ones do.
    const QDir lessonFolder(folder);
    Module1::PicFolder = lessonFolder.filePath(QStringLiteral("pic")) + u'/';
    Module1::DataFolder = lessonFolder.filePath(QStringLiteral("data")) + u'/';
    if (lessonFolder.exists(QStringLiteral("voice")))
        Module1::VoiceFolder = lessonFolder.filePath(QStringLiteral("voice")) + u'/';
}
