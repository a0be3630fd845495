#pragma once

#include "core/fileproblem.h"
#include "lesson/lessonfile.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

// The lesson checker behind pikomoji-check: reads a lesson the way the program does and lists,
// for the parent or teacher who wrote it, everything that would stop it loading or that a child
// would trip over in the quiz.
namespace LessonCheck {

// What went wrong. kindName() gives each a short English name that stays the same from one
// version to the next, for scripts reading the JSON report:
//   cannot_open               data.txt (or its folder) is missing or unreadable; nothing loads
//   empty_file                data.txt holds no field at all; nothing loads
//   file_ends_inside_row      the last row has fewer than nine fields; nothing loads
//   rows_ignored              something follows row 20; the program never reads it
//   field_too_long            a field is too long for a letter or a file name; its start is read
//   empty_picture_name        field 1 is empty, so the word has no picture
//   missing_picture           the word's picture (field 1 + ".jpg") is not in the picture folder
//   missing_mark_picture      すごい.jpg or しっかり.jpg is not in the picture folder
//   missing_picture_folder    the picture folder itself does not exist
//   empty_letter              field 2, the first letter, is empty: nothing sensible can be asked
//   letter_after_gap          field 3 is empty but field 4 is not: the quiz stops before it
//   letter_not_among_answers  a letter of the word is on none of the five answer buttons, so the
//                             word can never be finished
//   missing_voice             a letter's clip (letter + ".wav") is neither in the lesson's voice
//                             folder nor among the program's clips
//   missing_voice_folder      neither the voice folder nor the program's clips exist
//   unsafe_name               a picture name or a letter holds "/", a backslash, a NUL or another
//                             control character, or is "." or "..": it names no file, so the
//                             picture is not shown or the clip not heard
//   unreadable_picture        the picture (a word's or a mark) is there but the program cannot
//                             show it: not a regular file, empty, cut short, too large, too many
//                             scans, not a picture
//   unplayable_voice          the clip is there but the program will not play it (not a regular
//                             file, empty, not WAV, wrong rate, too long), or plays only part of
//                             it (cut short)
//   outside_link              data.txt, a picture or a clip is a symbolic link to a file outside
//                             its folder: the program never opens it, so the lesson does not
//                             load, the picture is not shown or the clip not heard
//   unreadable_folder         the picture or voice folder is there but may not be read
//   utf16_file                data.txt is saved as UTF-16, which the program does not read
enum class Kind {
    CannotOpen,
    EmptyFile,
    FileEndsInsideRow,
    RowsIgnored,
    FieldTooLong,
    EmptyPictureName,
    MissingPicture,
    MissingMarkPicture,
    MissingPictureFolder,
    EmptyLetter,
    LetterAfterGap,
    LetterNotAmongAnswers,
    MissingVoice,
    MissingVoiceFolder,
    UnsafeName,
    UnreadablePicture,
    UnplayableVoice,
    OutsideLink,
    UnreadableFolder,
    Utf16File,
};

struct Problem
{
    Kind kind;
    int row = 0; // 1-based question row; 0 when the problem belongs to no single row
    QString word{}; // the row's word as its letters spell it (its picture name if it has none)
    QString subject{}; // the letter, file or folder concerned; the system's reason for cannot_open;
                       // for file_ends_inside_row, a note when the file was read only in part
    QList<int> rows{}; // missing_voice: every row that uses the clip
    int field = 0; // file_ends_inside_row: the 1-based field the file ran out before;
                   // field_too_long: the field
    QString reason{}; // a file's problem: why, as the program's reader says it (FileProblem::why)

    bool operator==(const Problem &) const = default;
};

QString kindName(Kind kind);

// How the program reads a picture and a clip, given by the layer that does it: each says why the
// file at `path` cannot be used (or, for a clip, is only partly heard), or nothing. Each takes
// bounded time whatever the file is. Without them, files are only opened, never decoded.
using FileJudge = std::function<std::optional<FileProblem>(const QString &path)>;
struct FileJudges
{
    FileJudge picture;
    FileJudge clip;
};

// Every problem of `lesson`: a failed read first, then the rows in order, then the mark pictures
// and the voice clips. The complete rows are checked even when the lesson does not load. The
// picture and voice folders are only looked at, never written. Every picture and clip that is
// there is read through `judges`. Each letter's clip is looked for as the program plays it
// (VoiceClip::path): in `voiceFolder`, else in `programVoiceFolder`, the clips beside the program.
QList<Problem> check(const LessonFile &lesson, const QString &picFolder, const QString &voiceFolder,
    const FileJudges &judges = {}, const QString &programVoiceFolder = {});

// One plain Japanese sentence for a parent, naming the row and the word.
QString describe(const Problem &problem);

// `text` with every control character written out as \xNN (\n as \n), so that a lesson cannot
// send a terminal its escape sequences through the report.
QString escapeControls(const QString &text);

// 0: loads, nothing to fix; 1: loads, but something should be fixed; 2: does not load.
int exitStatus(const LessonFile &lesson, const QList<Problem> &problems);

struct Folders
{
    QString lessonFile; // the data.txt to read
    QString pic; // empty when there is no lesson to look at
    QString voice;
    QString programVoice; // the clips beside the program; empty for none
};

// The clips of `lesson`'s letters that `voiceFolder` holds itself, in order of first use.
QStringList ownClips(const LessonFile &lesson, const QString &voiceFolder);

// The report as a parent reads it, in Japanese, with control characters escaped.
QString textReport(
    const Folders &folders, const LessonFile &lesson, const QList<Problem> &problems);

// The report as one JSON object, UTF-8:
//   {"loaded": bool, "question_count": N, "encoding": "shift_jis" | "utf-8",
//    "rows": [[nine fields], ...], "problems": [{"row": N, "kind": "...", "detail": "..."}],
//    "own_clips": ["あ.wav", ...]}
// "rows" are the rows a quiz would use: empty, like "question_count", when the lesson does not
// load. "detail" is the Japanese sentence of describe().
QByteArray jsonReport(
    const LessonFile &lesson, const QList<Problem> &problems, const QStringList &ownClips = {});

// Wrong arguments: a usage line on stderr and this status, so that a script can tell a mistyped
// command from a lesson that does not load (2).
inline constexpr int UsageStatus = 64;

// The report could not be written (a full disk, a closed pipe): the verdict never arrived.
inline constexpr int ReportLostStatus = 74;

// The whole of pikomoji-check: parses `arguments` (program name first), reads and checks the
// lesson and writes the report. Returns the exit status.
//   pikomoji-check [--pic DIR] [--voice DIR] [--json] LESSON
// LESSON is what the program takes (a lesson folder holding data/), its data folder, or the
// lesson file itself. The picture and voice folders default to pic/ and voice/ beside the data
// folder, as the program lays them out; a clip the voice folder lacks is looked for in
// `programVoiceFolder`, as the program plays it.
int run(const QStringList &arguments, QByteArray &out, QByteArray &err, const FileJudges &judges,
    const QString &programVoiceFolder = {});

} // namespace LessonCheck
