#pragma once

#include <QString>

// The names of a lesson's files inside its folders, and of those folders inside a lesson folder
// and beside the program. The quiz, the checker and the maker all name
// a lesson's files through these, so a lesson one of them makes or judges is the one the others
// read.
namespace LessonNames {

// The folders, each inside a lesson folder or the program's folder.
inline QString picDir()
{
    return QStringLiteral("pic");
}
inline QString voiceDir()
{
    return QStringLiteral("voice");
}
inline QString dataDir()
{
    return QStringLiteral("data");
}

// `name` inside `dir` (one of the above), relative to the lesson folder: "data/data.txt".
inline QString inDir(const QString &dir, const QString &name)
{
    return dir + u'/' + name;
}

// The lesson file, in the data folder.
inline QString lessonFile()
{
    return QStringLiteral("data.txt");
}

// A word's picture (or a mark's), in the picture folder: its base name followed by ".jpg".
inline QString picture(const QString &baseName)
{
    return baseName + QStringLiteral(".jpg");
}

// Whether `fileName` names a picture rather than a clip or the lesson file.
inline bool isPicture(const QString &fileName)
{
    return fileName.endsWith(QStringLiteral(".jpg"));
}

// A letter's voice clip, in the voice folder: the letter followed by ".wav".
inline QString clip(const QString &letter)
{
    return letter + QStringLiteral(".wav");
}

// The marks: their pictures are picture(rightMark()) and picture(wrongMark()), and a screen
// reader says these words for them.
inline QString rightMark()
{
    return QStringLiteral("すごい");
}
inline QString wrongMark()
{
    return QStringLiteral("しっかり");
}

} // namespace LessonNames
