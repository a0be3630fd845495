#include "authoring/lessonmaker.h"
#include "core/reportoutput.h"
#include "lesson/lessoncheck.h"
#include "media/mediajudges.h"

#include <QCoreApplication>

#include <cstdio>
#include <cstring>

// pikomoji-check: tells the parent or teacher who wrote a lesson whether ぴこもじ can load it and
// what to fix. Everything it does is in LessonCheck, which judges pictures and clips with the
// program's own readers; this only connects the two and the console.
int main(int argc, char *argv[])
{
    // Answered before any application object, so that it needs nothing of the system.
    for (int i = 1; i < argc && std::strcmp(argv[i], "--") != 0; ++i)
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("%s %s\n", "pikomoji-check", PIKOMOJI_VERSION);
            return 0;
        }
    QCoreApplication app(argc, argv);
    QByteArray out;
    QByteArray err;
    // A letter the lesson has no clip for is spoken by the program's own, as pikomoji does.
    const QString programVoice
        = LessonMaker::programFolders(QCoreApplication::applicationDirPath()).voice;
    const int status
        = LessonCheck::run(QCoreApplication::arguments(), out, err, mediaJudges(), programVoice);
    return ReportOutput::write(out, err, status, LessonCheck::ReportLostStatus);
}
