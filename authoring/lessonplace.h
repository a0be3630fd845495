#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <functional>

// Puts a lesson the maker made in memory into its folder, as one step that cannot be seen half
// done. The lesson is written into a hidden folder beside the destination and swapped in with one
// rename (renameat2: RENAME_NOREPLACE for a new lesson, RENAME_EXCHANGE for one replaced), so
// that a crash or SIGKILL at any moment leaves the old lesson or the new one, whole. SIGTERM,
// SIGINT and SIGHUP are held off until the hidden folder is cleared away; a hidden folder a
// SIGKILL left is cleared by the next run on that destination. Makers on one destination take
// turns: each holds a lock on the destination's parent folder (flock) from its first look at the
// destination until the swap is done.
//
// A lesson it replaces keeps everything the maker did not make: the files it made are listed,
// with a digest of their bytes, in a list in the lesson folder, and only those that still hold
// those bytes are left out of the new lesson; everything else (a parent's photos, notes,
// voice clips, folders) is carried over by hard link, or copied where links cannot be made.
// New files and folders get the modes the user's umask gives.
namespace LessonPlace {

// The list of what the maker made, inside the lesson folder.
inline constexpr char MadeListName[] = ".pikomoji-lesson";

struct File
{
    QString path; // relative to the lesson folder: "data/data.txt", "pic/inu.jpg"
    QByteArray bytes;
    bool keepExisting = false; // a file of the parent's in its place is left as it is (the marks)
};

enum class Step {
    Locked,
    MadeFolder,
    CarriedOver,
    WroteData,
    WrotePictures,
    WroteList,
    Swapped,
    RemovedOld,
};
inline constexpr const char *StepNames[] = {"locked", "made-folder", "carried-over", "wrote-data",
    "wrote-pictures", "wrote-list", "swapped", "removed-old"};

struct Outcome
{
    bool placed = false;
    QString error; // in Japanese, naming the file or folder; empty when placed
};

// Makes `target` hold `files` (data/data.txt first, then the pictures). An existing `target` is
// replaced only with `replace`; a symbolic link is never replaced. `waiting` is told when another
// maker holds the destination and this one waits for it.
Outcome place(const QString &target, const QList<File> &files, bool replace,
    const std::function<void()> &waiting);

// For tests: when the environment variable PIKOMOJI_LESSON_STOP_AT is "<step>:<signal number>",
// place() raises that signal on itself once that step is done. Unset, it changes nothing.
void reachedStep(Step step);

} // namespace LessonPlace
