#pragma once

#include "lesson/lessoncheck.h"

// The program's own picture loader and clip reader, as the lesson checker's judges: a file is
// judged by the very code that will read it in the quiz.
LessonCheck::FileJudges mediaJudges();
