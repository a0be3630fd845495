#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// The lesson maker behind pikomoji-lesson: turns a parent's list of words and pictures into a
// lesson folder the program opens, and checks it with the lesson checker.
//
//   pikomoji-lesson [--force] WORDS LESSON_DIR
//
// WORDS is UTF-8 or Shift-JIS text ("-" for standard input), one word a line: one to three hiragana
// or katakana (small kana, ー and ヴ too; composed and made full width first), a space, and the
// word's picture, either a picture file (a path relative to WORDS) or an emoji. Blank lines and
// lines starting with "#" are skipped. LESSON_DIR gets data/data.txt and pic/: a 512 px square
// picture per word and the program's two marks. Nothing is written unless every line is right,
// and an existing LESSON_DIR is replaced only with --force, and then only what the maker made
// (LessonPlace keeps the rest and swaps the lesson in whole).
namespace LessonMaker {

inline constexpr int MaxWords = 20;

// Exit statuses.
inline constexpr int Made = 0; // made, and the checker finds nothing to fix
inline constexpr int MadeWithProblems = 1; // made, but the checker has something to say
inline constexpr int Refused = 2; // nothing was written; the reasons are on stderr
inline constexpr int UsageStatus = 64; // the command itself is mistyped
inline constexpr int ReportLost = 74; // made, but the report could not be written

// The program's own folders: the marks are copied from `pic`, and a letter the lesson has no clip
// of its own for is checked against `voice`, the clips the program falls back on.
struct ProgramFolders
{
    QString pic;
    QString voice;
};

// Where the program's folders are for a lesson maker in `toolFolder`: beside it (a build folder,
// or lib/pikomoji where the program itself lives), else ../lib/pikomoji (installed in bin/).
ProgramFolders programFolders(const QString &toolFolder);

// The whole of pikomoji-lesson: parses `arguments` (program name first), makes the lesson and
// writes the report. Returns the exit status. Needs a QGuiApplication for the emoji.
int run(
    const QStringList &arguments, const ProgramFolders &program, QByteArray &out, QByteArray &err);

} // namespace LessonMaker
