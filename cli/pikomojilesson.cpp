#include "authoring/lessonmaker.h"
#include "core/reportoutput.h"

#include <QCoreApplication>
#include <QGuiApplication>

#include <cstdio>
#include <cstring>

// pikomoji-lesson: makes a lesson folder from a parent's list of words and pictures. Everything
// it does is in LessonMaker; this only connects it to the console.
int main(int argc, char *argv[])
{
    // Answered before any application object, so that it needs nothing of the system.
    for (int i = 1; i < argc && std::strcmp(argv[i], "--") != 0; ++i)
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("%s %s\n", "pikomoji-lesson", PIKOMOJI_VERSION);
            return 0;
        }
    // The emoji are drawn with Qt's painter, which needs a platform but no screen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QByteArray out;
    QByteArray err;
    const int status = LessonMaker::run(QCoreApplication::arguments(),
        LessonMaker::programFolders(QCoreApplication::applicationDirPath()), out, err);
    return ReportOutput::write(out, err, status, LessonMaker::ReportLost);
}
