#include "lesson/loadquestions.h"
#include "core/lessonnames.h"
#include "core/module1.h"
#include "lesson/lessonfile.h"

namespace Module1 {

void LoadQuestions()
{
    const LessonFile lesson
        = LessonFile::read(filePath(Folders.DataFolder, LessonNames::lessonFile()));
    if (!lesson.opened()) {
        LoadFailed = 1;
        return;
    }

    // Rows are written as they are read; rows above the new count keep what an earlier, longer
    // lesson put there, and nothing reads them.
    QuestionCount = 0;
    for (const LessonFile::Row &row : lesson.rows) {
        const int index = QuestionCount + 1;
        for (int field = 1; field <= LessonFile::FieldsPerRow; ++field)
            Questions(index, field) = row[field - 1];
        increment(QuestionCount);
    }
    for (int field = 1; field <= lesson.incompleteRow.size(); ++field)
        Questions(QuestionCount + 1, field) = lesson.incompleteRow[field - 1];

    if (!lesson.loaded())
        LoadFailed = 1;
}

} // namespace Module1
