#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// The letters a lesson may ask and how a lesson's answer buttons are chosen. Shared by the
// lesson maker for parents (pikomoji-lesson) and the generator of the shipped lessons.
namespace Kana {

inline constexpr int AnswerCount = 5;
inline constexpr int MaxWordLetters = 3;

enum class Script { None, Hiragana, Katakana };

// The script of a letter a lesson may use: plain hiragana (あ to ん) or katakana (ア to ン) with
// their voiced and semi-voiced forms, the letters the shared voice folder has a clip for. Small
// kana (the quiz's big buttons would show them as big as any letter), ー (not a letter) and the
// old ゐ, ゑ, ヰ, ヱ are None.
Script script(QChar letter);

// Whether `letter` is a small kana or the long-vowel mark, which a word may not use.
bool isSmallOrLongMark(QChar letter);

// The letter's reading in Hepburn romaji ("し" and "シ" give "shi"); empty for a letter of None.
QString romaji(QChar letter);

// Letters of the same script that a child could take for `letter`, the closest first: those that
// look alike (さ/ち/き, ソ/ン), then those that sound alike (か/が, ハ/バ/パ). Never `letter`.
QStringList lookAlikes(QChar letter);

// The wrong answers for a word of one script: enough letters that look or sound like the word's
// to make AnswerCount different answers together with them. Taken in turn from each letter's
// look-alikes, closest first, so that every letter of the word has a rival; the same word always
// gives the same letters.
QStringList chooseDistractors(const QStringList &letters);

// One word's letters and its answer buttons, in button order once mixed.
struct Answers
{
    QStringList letters;
    QStringList answers;
};

// Mixes every word's answers with a fixed seed, so the same list always gives the same buttons.
// A mix that spells the word from the first button on, or that puts the word's first letter on
// the button where the previous word had its first letter, is mixed again: the child should look
// for the letter, not for a place.
void mixAnswers(QList<Answers> &words);

// A lesson file's bytes as the program reads them everywhere: Shift-JIS (CP932), one row a line,
// nine comma-separated fields, CR LF. nullopt when a field has a character Shift-JIS lacks.
std::optional<QByteArray> lessonFileBytes(const QList<QStringList> &rows);

} // namespace Kana
