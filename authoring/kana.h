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

// Either is ー, which goes with both scripts (ケーキ, らーめん).
enum class Script { None, Hiragana, Katakana, Either };

// The script of a letter a lesson may use, the letters the shared voice folder has a clip for:
// hiragana (あ to ん) or katakana (ア to ン) with their voiced and semi-voiced forms, the small
// kana ぁぃぅぇぉっゃゅょゎ and ァィゥェォッャュョヮ, ゔ and ヴ, and ー. The old ゐ, ゑ, ヰ, ヱ and
// the small ゕ, ゖ, ヵ, ヶ (which children do not write) are None.
Script script(QChar letter);

// The script of a word: that of its first letter that is not ー; None when it has no such letter.
Script wordScript(const QStringList &letters);

// Whether `letter` is a small kana, which the quiz draws smaller, as in a writing square.
bool isSmall(QChar letter);

// The word's reading in Hepburn romaji, for the name of its picture: "し" and "シ" give "shi",
// きって "kitte", シャツ "shatsu", ケーキ "keeki". Empty when a letter is of None.
QString romaji(const QStringList &letters);

// Letters of the same script that a child could take for `letter`, the closest first: those that
// look alike (さ/ち/き, ソ/ン), then those that sound alike (か/が, ハ/バ/パ), then its small or
// large form (つ/っ). Never `letter`. For ー, which has no script of its own, `context` says
// whose letters look like it.
QStringList lookAlikes(QChar letter, Script context = Script::Katakana);

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

// A word as a parent typed it, in the form the letters are judged in: composed (NFC, so that a
// が typed on a Mac as か and a combining ゛ is one letter) and with half-width katakana made
// full width (ﾊﾟﾝ gives パン).
QString normalised(const QString &word);

} // namespace Kana
