#pragma once

#include <QString>
#include <QStringList>

// What the command line asks of a start:
//   pikomoji [--full-screen] [LESSON_DIR]
struct StartOptions
{
    // --full-screen: the screens are to fill the screen. Handed on by Main to the screens'
    // full-screen mode.
    bool fullScreen = false;
    // The lesson folder to open instead of the one beside the program; empty for none.
    QString lessonDir;

    // Parses the program's arguments (program name first). --help and --version print and end
    // the program, as does a mistyped command (with a message and status 64). Needs no
    // application object, so that it runs before one opens a display.
    static StartOptions parse(const QStringList &arguments);
};
