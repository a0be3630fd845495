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
    const Module1::LessonFolders folders = Module1::lessonFolders(lessonDir);
    if (!folders.problem.isEmpty()) {
        PlainMessage::warning(parent, QStringLiteral("エラーメッセージ"),
            folders.problem + QStringLiteral("\nいつものレッスンではじめます。"));
        return;
    }
    // The voice folder falls back on the program's own clips, so those are found first, whether
    // or not the menu has loaded yet.
    Module1::deriveFoldersOnce();
    Module1::Folders.PicFolder = folders.pic;
    Module1::Folders.DataFolder = folders.data;
    Module1::Folders.VoiceFolder = folders.voice;
}
