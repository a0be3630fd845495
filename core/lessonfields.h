#pragma once

// What each field of a lesson row means, numbered as the question table numbers them (the first
// field is 1), and the limits of a lesson and of a quiz's progress record. The lesson file, the
// checker, the quiz screen and the generators all take them from here.
namespace Lesson {

inline constexpr int PictureField = 1; // the word's picture: this field + ".jpg"
inline constexpr int FirstLetterField = 2; // the word's letters, one a field
inline constexpr int LetterCount = 3;
inline constexpr int FirstAnswerField = 5; // the letters on the answer buttons, left to right
inline constexpr int AnswerCount = 5;
inline constexpr int FieldsPerRow = 9;
inline constexpr int MaxQuestions = 20; // rows after this one are never read

constexpr int letterField(int letter)
{
    return FirstLetterField + letter;
}
constexpr int answerField(int answer)
{
    return FirstAnswerField + answer;
}

inline constexpr int LastLetterField = letterField(LetterCount - 1);
inline constexpr int LastAnswerField = answerField(AnswerCount - 1);
static_assert(LastLetterField + 1 == FirstAnswerField && LastAnswerField == FieldsPerRow);

} // namespace Lesson

// The progress record of a quiz: marks for judged answers, and the letters the child missed.
namespace Progress {

inline constexpr int MarkPlaces = 40;
inline constexpr int MissedLetterPlaces = 11;

} // namespace Progress
