// makecontent: writes a lesson, <folder>/data/data.txt and <folder>/pic/*.jpg, from a word
// list: tools/lesson-words.txt for the starter lesson in content/, tools/lesson-<name>-words.txt
// for the lessons in content/lessons/<name>/. The output is committed; run this only to change
// a lesson.
//
//   cmake --build build --target makecontent
//   QT_QPA_PLATFORM=offscreen build/tools/makecontent tools/lesson-words.txt content
//   QT_QPA_PLATFORM=offscreen build/tools/makecontent tools/lesson-animals-words.txt \
//       content/lessons/animals
//
// Needs the Noto Color Emoji font (Debian package fonts-noto-color-emoji, SIL OFL 1.1): every
// picture is one of its emoji, drawn large on a pale background. The voice clips, shared by all
// lessons, come from tools/makevoices.sh.

#include "authoring/emojipicture.h"
#include "authoring/kana.h"
#include "core/lessonnames.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QSet>
#include <QStringConverter>
#include <QStringList>
#include <QTextStream>

#include <cstdio>
#include <optional>

namespace {

using Kana::AnswerCount;
using Kana::MaxWordLetters;
constexpr int MaxWords = 20;

struct Word
{
    QString romaji;
    QStringList letters;
    QString emoji;
    QStringList distractors;
    QString meaning;
    QStringList answers; // the five buttons, in order, once mixed
};

struct Mark
{
    QString fileName;
    QString emoji;
};

// すごい for a right answer, しっかり for a wrong one. The quiz shows them 33 px wide, so each is a
// single bold shape: a gold star for praise and a green sprout to say "keep growing", nothing
// that looks like a cross.
const Mark Marks[] = {
    {LessonNames::picture(LessonNames::rightMark()), QStringLiteral("🌟")},
    {LessonNames::picture(LessonNames::wrongMark()), QStringLiteral("🌱")},
};

void fail(const QString &message)
{
    std::fprintf(stderr, "makecontent: %s\n", qPrintable(message));
}

QStringList splitLetters(const QString &text)
{
    QStringList letters;
    for (QChar c : text)
        letters << QString(c);
    return letters;
}

std::optional<Word> parseLine(const QString &line, const QString &where)
{
    const QStringList columns = line.split(u' ', Qt::SkipEmptyParts);
    if (columns.size() < 5) {
        fail(where + QStringLiteral(": expected romaji, word, picture, distractors and meaning"));
        return std::nullopt;
    }
    Word word;
    word.romaji = columns[0];
    word.letters = splitLetters(columns[1]);
    word.emoji = columns[2];
    word.distractors = splitLetters(columns[3]);
    word.meaning = columns.mid(4).join(u' ');

    for (QChar c : word.romaji) {
        if (!(c >= u'a' && c <= u'z')) {
            fail(where
                + QStringLiteral(": the picture name \"%1\" must be lower-case ASCII letters")
                      .arg(word.romaji));
            return std::nullopt;
        }
    }
    if (word.letters.isEmpty() || word.letters.size() > MaxWordLetters) {
        fail(where + QStringLiteral(": \"%1\" must have one to three letters").arg(columns[1]));
        return std::nullopt;
    }
    // One script a line: a katakana word among hiragana buttons would give itself away.
    const Kana::Script script = Kana::script(word.letters.first()[0]);
    for (const QString &letter : word.letters + word.distractors) {
        if (Kana::script(letter[0]) == Kana::Script::None) {
            fail(where + QStringLiteral(": \"%1\" is not a plain kana letter").arg(letter));
            return std::nullopt;
        }
        if (Kana::script(letter[0]) != script) {
            fail(where + QStringLiteral(": %1 mixes hiragana and katakana").arg(columns[1]));
            return std::nullopt;
        }
    }
    QStringList answers = word.letters;
    answers.removeDuplicates();
    for (const QString &letter : word.distractors) {
        if (answers.contains(letter)) {
            fail(where + QStringLiteral(": the distractor %1 is already an answer").arg(letter));
            return std::nullopt;
        }
        answers << letter;
    }
    if (answers.size() != AnswerCount) {
        fail(where
            + QStringLiteral(": %1 has %2 different answers; it needs exactly %3")
                  .arg(columns[1])
                  .arg(answers.size())
                  .arg(AnswerCount));
        return std::nullopt;
    }
    word.answers = answers;
    return word;
}

std::optional<QList<Word>> readWordList(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        fail(QStringLiteral("cannot read %1: %2").arg(path, file.errorString()));
        return std::nullopt;
    }
    QList<Word> words;
    QSet<QString> names;
    QTextStream in(&file);
    in.setEncoding(QStringConverter::Utf8);
    for (int number = 1; !in.atEnd(); ++number) {
        const QString line = in.readLine().simplified();
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        const QString where = QStringLiteral("%1:%2").arg(path).arg(number);
        std::optional<Word> word = parseLine(line, where);
        if (!word)
            return std::nullopt;
        if (names.contains(word->romaji)) {
            fail(where + QStringLiteral(": the picture name %1 is used twice").arg(word->romaji));
            return std::nullopt;
        }
        names.insert(word->romaji);
        words << *word;
    }
    if (words.isEmpty() || words.size() > MaxWords) {
        fail(QStringLiteral("%1 holds %2 words; a lesson has 1 to %3")
                 .arg(path)
                 .arg(words.size())
                 .arg(MaxWords));
        return std::nullopt;
    }
    return words;
}

void mixAnswers(QList<Word> &words)
{
    QList<Kana::Answers> answers;
    for (const Word &word : words)
        answers << Kana::Answers{word.letters, word.answers};
    Kana::mixAnswers(answers);
    for (qsizetype i = 0; i < words.size(); ++i)
        words[i].answers = answers[i].answers;
}

bool writeLesson(const QList<Word> &words, const QString &path)
{
    QList<QStringList> rows;
    for (const Word &word : words) {
        QStringList fields{word.romaji};
        for (int i = 0; i < MaxWordLetters; ++i)
            fields << word.letters.value(i);
        rows << fields + word.answers;
    }
    const std::optional<QByteArray> bytes = Kana::lessonFileBytes(rows);
    if (!bytes) {
        fail(QStringLiteral("the lesson does not fit in Shift-JIS (CP932)"));
        return false;
    }
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(*bytes) != bytes->size()) {
        fail(QStringLiteral("cannot write %1: %2").arg(path, file.errorString()));
        return false;
    }
    return true;
}

// Draws `emoji` into the JPEG file `path`, as the next picture of `pictures`.
bool writePicture(EmojiPicture &pictures, const QString &emoji, const QString &path)
{
    QString error;
    const std::optional<QImage> picture = pictures.draw(emoji, &error);
    if (!picture) {
        fail(error);
        return false;
    }
    if (!picture->save(path, "JPEG", EmojiPicture::JpegQuality)) {
        fail(QStringLiteral("cannot write %1").arg(path));
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 3) {
        fail(QStringLiteral("usage: makecontent <words file> <lesson folder>"));
        return 2;
    }
    std::optional<QList<Word>> words = readWordList(args[1]);
    if (!words)
        return 1;
    mixAnswers(*words);

    const QDir content(args[2]);
    if (!content.mkpath(QStringLiteral("data")) || !content.mkpath(QStringLiteral("pic"))) {
        fail(QStringLiteral("cannot make the data and pic folders in %1").arg(args[2]));
        return 1;
    }
    if (!writeLesson(*words, content.filePath(QStringLiteral("data/data.txt"))))
        return 1;
    EmojiPicture pictures;
    auto write = [&](const QString &emoji, const QString &fileName) {
        return writePicture(pictures, emoji, content.filePath(QStringLiteral("pic/") + fileName));
    };
    for (const Word &word : *words) {
        if (!write(word.emoji, LessonNames::picture(word.romaji)))
            return 1;
    }
    for (const Mark &mark : Marks) {
        if (!write(mark.emoji, mark.fileName))
            return 1;
    }
    std::printf("makecontent: %d words, %d pictures and %d marks in %s\n", int(words->size()),
        int(words->size()), int(std::size(Marks)), qPrintable(content.absolutePath()));
    return 0;
}
