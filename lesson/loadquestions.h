#pragma once

// The procedure of Module1 that reads the lesson file into the question table.
namespace Module1 {

// Reads data.txt from DataFolder into Questions and QuestionCount; sets LoadFailed to 1 when the
// file cannot be read as a whole lesson.
void LoadQuestions();

} // namespace Module1
