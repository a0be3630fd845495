#pragma once

#include <QString>

#include <array>
#include <cstdint>

// The program's shared state: every variable here lives for the whole run, is read and written
// directly by name from every screen, and starts empty or zero.
namespace Module1 {

// The program's integers are 16-bit and signed; flags are True (-1) or False (0).
using Integer = std::int16_t;
inline constexpr Integer True = -1;
inline constexpr Integer False = 0;

// Checked 16-bit arithmetic: a result outside the 16-bit range raises the overflow error.
Integer add(Integer a, Integer b);
inline void increment(Integer &value)
{
    value = add(value, 1);
}

// The question table, rows 0 to 20 by fields 0 to 20. Every access checks both indexes and
// raises the subscript error when one lies outside.
class QuestionTable
{
public:
    static constexpr int Size = 21;

    QString &operator()(int row, int field);
    const QString &operator()(int row, int field) const;

private:
    static void checkIndexes(int row, int field);
    std::array<std::array<QString, Size>, Size> m_entries;
};

inline QuestionTable Questions;
inline Integer QuestionCount = 0;
inline Integer CurrentQuestion = 0;
inline Integer TargetPos = 0;
inline Integer MarkCount = 0;
inline Integer MissCount = 0;
inline Integer WordDone = False;
inline Integer LoadFailed = 0;

// The content folders, one value for the whole run. They end in "/" as derived; as typed on the
// folder settings screen they are kept verbatim. They are set once at start, from the program's
// folder and then from a lesson folder named on the command line, in whichever order the two come
// (deriveFoldersOnce); only the folder settings screen changes them afterwards.
struct ContentFolders
{
    QString AppFolder;
    QString PicFolder;
    QString VoiceFolder;
    QString DataFolder;
};
inline ContentFolders Folders;

// Whether `name` names a file inside its folder. Names come from the lesson, which is untrusted:
// a name holding "/" or a backslash would reach outside the folder, a NUL would cut the path short
// inside the system's file calls, other control characters are in no real name, and "." and ".."
// name folders.
bool isSafeName(const QString &name);

// Joins a folder and a file name. A non-empty folder typed without its final "/" still gets one,
// so "/home/kana/lesson" reads "/home/kana/lesson/data.txt"; an empty folder leaves the name as it
// stands. A name that is not safe (isSafeName) gives an empty path, which names no file. This is
// the one place where a folder meets a file name.
QString filePath(const QString &folder, const QString &name);

// Sets the content folders from the folder that holds the program.
void deriveFolders(const QString &programFolder);

// Derives the folders from the folder that holds the running program, unless they are set
// already: a lesson named on the command line may have set them before the menu loads, and the
// menu's load must not put the program's own lesson back.
void deriveFoldersOnce();

// The content folders of a lesson folder, as pikomoji-lesson makes one: its data/, pic/ and
// voice/, each ending in "/". The voice folder is the lesson's even when it has no such folder yet:
// PlayVoice speaks every letter the lesson has no clip for with the program's own. `problem` says,
// in Japanese, why `lessonDir` is no lesson folder (missing, not to be read, or without data/:
// most likely the lesson's data/ or pic/ itself, chosen by mistake); the folders are empty then.
struct LessonFolders
{
    QString pic;
    QString voice;
    QString data;
    QString problem;
};
LessonFolders lessonFolders(const QString &lessonDir);

// Back to the start values of a new run; for tests that run several "programs" in one process.
void resetState();

} // namespace Module1
