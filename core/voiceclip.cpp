#include "core/voiceclip.h"

#include "core/lessonnames.h"
#include "core/module1.h"

#include <QFile>

#include <sys/stat.h>

namespace VoiceClip {

QString programFolder()
{
    return Module1::Folders.AppFolder.isEmpty()
        ? QString()
        : Module1::Folders.AppFolder + LessonNames::voiceDir() + u'/';
}

bool isOwn(const QString &lessonFolder, const QString &name)
{
    const QString own = Module1::filePath(lessonFolder, name);
    struct stat status;
    // lstat: a FIFO or a dangling link is the parent's entry all the same, and is never opened
    // here.
    return !lessonFolder.isEmpty() && !own.isEmpty()
        && ::lstat(QFile::encodeName(own).constData(), &status) == 0;
}

QString path(const QString &lessonFolder, const QString &fallbackFolder, const QString &name)
{
    if (isOwn(lessonFolder, name) || fallbackFolder.isEmpty())
        return Module1::filePath(lessonFolder, name);
    return Module1::filePath(fallbackFolder, name);
}

} // namespace VoiceClip
