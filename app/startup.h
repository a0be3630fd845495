#pragma once

#include "app/startoptions.h"

class QWidget;

// Opens the program on the menu screen. The content folders come from the program's folder, or
// from a lesson folder asked for on the command line (useLessonFolder), which wins whether it is
// taken before or after the menu loads.
void Main(const StartOptions &options = {});

// Points the picture and data folders at `lessonDir`'s pic/ and data/, and the voice folder at
// its voice/ when it has one (else the clips beside the program stay). A folder that does not
// exist, or holds no data/, is reported in one message box over `parent`, and the folders stay
// as they are.
void useLessonFolder(const QString &lessonDir, QWidget *parent);
