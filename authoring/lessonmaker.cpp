#include "authoring/lessonmaker.h"

#include "authoring/emojipicture.h"
#include "authoring/kana.h"
#include "authoring/lessonplace.h"
#include "authoring/photopicture.h"
#include "core/contentfile.h"
#include "core/lessonnames.h"
#include "lesson/lessoncheck.h"
#include "lesson/lessonfile.h"
#include "media/mediajudges.h"

#include <QBuffer>

#include <QCommandLineParser>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>

#include <cerrno>
#include <cstdio>
#include <map>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace LessonMaker {
namespace {

// A word list is a few hundred bytes; one far bigger is not a word list.
constexpr qint64 LargestWordsBytes = 1024 * 1024;

const QString MarkNames[] = {
    LessonNames::picture(LessonNames::rightMark()), LessonNames::picture(LessonNames::wrongMark())};

struct Word
{
    int line = 0;
    QStringList letters;
    QString picture; // as written
    QString pictureFile; // the picture file's path; empty for an emoji
};

// What went wrong, by line (0 for the list as a whole), in the order it was found.
using Refusals = std::multimap<int, QString>;

// A line of output; whatever it holds of a word list or a path cannot reach the terminal as
// control characters.
QByteArray utf8Line(const QString &text)
{
    return (LessonCheck::escapeControls(text) + u'\n').toUtf8();
}

// A word list's line, checked; nullopt with a refusal when it is not a word and its picture.
std::optional<Word> parseLine(
    const QString &line, int number, const QDir &wordsFolder, Refusals &refusals)
{
    qsizetype space = 0;
    while (space < line.size() && !line[space].isSpace()) // 全角スペース counts too
        ++space;
    const QString text = line.left(space);
    const QString picture = line.mid(space).trimmed();
    auto refuse = [&](const QString &why) {
        refusals.emplace(number, why);
        return std::nullopt;
    };
    if (picture.isEmpty())
        return refuse(QStringLiteral("「%1」のあとに空白をひとつあけて、絵（画像ファイルか絵文字）"
                                     "を書いてください。")
                          .arg(text));
    Word word{number, {}, picture, {}};
    const QString written = Kana::normalised(text);
    for (QChar c : written) {
        if (c.script() == QChar::Script_Han)
            return refuse(QStringLiteral("「%1」の「%2」は漢字です。ことばは漢字をつかわずに、"
                                         "ひらがなかカタカナで書いてください。")
                              .arg(text, QString(c)));
        if (Kana::script(c) == Kana::Script::None)
            return refuse(QStringLiteral("「%1」の「%2」は使えません。ことばはひらがなか"
                                         "カタカナで書いてください。")
                              .arg(text, QString(c)));
        word.letters << QString(c);
    }
    if (word.letters.size() > Kana::MaxWordLetters)
        return refuse(QStringLiteral("「%1」は %2 文字です。ことばは 1 文字から %3 文字までです。")
                          .arg(text)
                          .arg(word.letters.size())
                          .arg(Kana::MaxWordLetters));
    const Kana::Script script = Kana::wordScript(word.letters);
    if (script == Kana::Script::None)
        return refuse(
            QStringLiteral("「%1」は「ー」だけです。ー は、のばす字のあとに書きます。").arg(text));
    for (const QString &letter : word.letters)
        if (Kana::script(letter[0]) != script && Kana::script(letter[0]) != Kana::Script::Either)
            return refuse(QStringLiteral("「%1」はひらがなとカタカナがまざっています。"
                                         "どちらかにそろえてください。")
                              .arg(text));

    // Anything there by that name is the picture file, to be read as the program reads pictures:
    // a FIFO, a device or a file that may not be read is refused there with the reason.
    const QString file = wordsFolder.filePath(picture);
    struct stat status;
    if (::lstat(QFile::encodeName(file).constData(), &status) == 0 || errno == EACCES) {
        word.pictureFile = file;
    } else {
        // Not a file: an emoji, unless it reads like a file name.
        bool fileName = picture.contains(u'.') || picture.contains(u'/');
        for (QChar c : picture)
            fileName = fileName || c.unicode() < 0x80;
        if (fileName)
            return refuse(QStringLiteral("画像ファイル「%1」がありません。").arg(file));
    }
    return word;
}

// Standard input, up to `limit` bytes and one more to tell that it holds more.
QByteArray readStandardInput(qint64 limit, QString *error)
{
    QByteArray bytes;
    char buffer[65536];
    while (bytes.size() <= limit) {
        const ssize_t got = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            *error = QString::fromLocal8Bit(std::strerror(errno));
            break;
        }
        if (got == 0)
            break;
        bytes.append(buffer, got);
    }
    return bytes;
}

// The words of a list, in its order, with a warning for each word that an earlier line gave
// already: not wrong, but likely a slip, and the child would be asked it twice.
std::optional<QList<Word>> readWords(const QString &path, Refusals &refusals, Refusals &warnings)
{
    auto refuse = [&](const QString &why) {
        refusals.emplace(0, QStringLiteral("ことばのファイル「%1」: %2").arg(path, why));
        return std::nullopt;
    };
    // Only a regular file, or standard input given as "-", and never more than a word list holds.
    QByteArray bytes;
    if (path == u"-") {
        QString error;
        bytes = readStandardInput(LargestWordsBytes, &error);
        if (!error.isEmpty())
            return refuse(QStringLiteral("読めません（%1）。").arg(error));
    } else {
        const ContentFile::Contents contents
            = ContentFile::read(path, LargestWordsBytes, ContentFile::Oversize::Refuse);
        if (!contents.read())
            return refuse(contents.problem->why);
        bytes = contents.bytes;
    }
    if (bytes.size() > LargestWordsBytes)
        return refuse(QStringLiteral("大きすぎます（%1 バイトまでです）。").arg(LargestWordsBytes));
    if (LessonFile::looksUtf16(bytes.left(4096)))
        return refuse(QStringLiteral("UTF-16 (Unicode) で保存されていて、読めません。"
                                     "UTF-8 か Shift-JIS で保存してください。"));
    // UTF-8 or Shift-JIS, told apart as the program tells a lesson file's.
    const QString text = LessonFile::decodeText(bytes);
    const QDir folder = path == u"-" ? QDir::current() : QFileInfo(path).absoluteDir();
    QList<Word> words;
    QHash<QStringList, int> firstLine;
    int number = 0;
    for (const QString &raw : text.split(u'\n')) {
        ++number;
        const QString line = raw.trimmed();
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        if (std::optional<Word> word = parseLine(line, number, folder, refusals)) {
            words << *word;
            if (const int first = firstLine.value(word->letters); first > 0)
                warnings.emplace(number,
                    QStringLiteral("「%1」は %2 行目にもあります。おなじことばを 2 回きくことに"
                                   "なります。")
                        .arg(word->letters.join(QString()))
                        .arg(first));
            else
                firstLine.insert(word->letters, number);
        } else
            words << Word{number, {}, {}, {}}; // counted all the same
        if (words.size() == MaxWords + 1)
            refusals.emplace(number,
                QStringLiteral("%1 こめのことばです。ひとつのレッスンのことばは %2 こまでです。")
                    .arg(MaxWords + 1)
                    .arg(MaxWords));
    }
    if (words.isEmpty())
        refusals.emplace(0, QStringLiteral("ことばがひとつもありません。"));
    return words;
}

// The picture name of each word: its romaji, with a number after it when an earlier word has
// the same one (じ and ぢ, or one word twice).
QStringList pictureNames(const QList<Word> &words)
{
    QStringList names;
    QHash<QString, int> used;
    for (const Word &word : words) {
        const QString name = Kana::romaji(word.letters);
        const int count = ++used[name];
        names << (count == 1 ? name : name + QString::number(count));
    }
    return names;
}

// Everything the lesson folder will hold, made in memory before anything is written.
struct Lesson
{
    QByteArray lessonFile;
    QList<std::pair<QString, QImage>> pictures; // file name in pic/, picture
};

std::optional<Lesson> makeLesson(const QList<Word> &words, Refusals &refusals)
{
    Lesson lesson;
    EmojiPicture emoji;
    const QStringList names = pictureNames(words);
    for (qsizetype i = 0; i < words.size(); ++i) {
        const Word &word = words[i];
        QString error;
        QImage picture;
        if (!word.pictureFile.isEmpty()) {
            const Picture::Result photo = PhotoPicture::load(word.pictureFile, EmojiPicture::Size);
            picture = photo.image;
            if (photo.problem)
                error = photo.problem->text();
        } else if (std::optional<QImage> drawn = emoji.draw(word.picture, &error)) {
            picture = *drawn;
        } else {
            error += QStringLiteral("（「%1」という画像ファイルもありません。）").arg(word.picture);
        }
        if (picture.isNull())
            refusals.emplace(word.line, error);
        lesson.pictures.emplace_back(LessonNames::picture(names[i]), picture);
    }
    if (!refusals.empty())
        return std::nullopt;

    QList<Kana::Answers> answers;
    for (const Word &word : words)
        answers << Kana::Answers{
            word.letters, word.letters + Kana::chooseDistractors(word.letters)};
    for (Kana::Answers &a : answers)
        a.answers.removeDuplicates();
    Kana::mixAnswers(answers);
    QList<QStringList> rows;
    for (qsizetype i = 0; i < words.size(); ++i) {
        QStringList fields{names[i]};
        for (int letter = 0; letter < Kana::MaxWordLetters; ++letter)
            fields << words[i].letters.value(letter);
        rows << fields + answers[i].answers;
    }
    // Every letter but ゔ has a Shift-JIS code, the lesson format's; a lesson with ゔ is written
    // in UTF-8, which the program tells apart and reads as well.
    QString text;
    for (const QStringList &fields : rows)
        text += fields.join(u',') + QStringLiteral("\r\n");
    const std::optional<QByteArray> bytes = Kana::lessonFileBytes(rows);
    lesson.lessonFile = bytes ? *bytes : text.toUtf8();
    return lesson;
}

// The lesson's files, the lesson file first, then the pictures and the program's marks; a mark of
// the parent's own in a lesson replaced is left as it is.
std::optional<QList<LessonPlace::File>> lessonFiles(
    const Lesson &lesson, const ProgramFolders &program, Refusals &refusals)
{
    QList<LessonPlace::File> files{
        {LessonNames::inDir(LessonNames::dataDir(), LessonNames::lessonFile()), lesson.lessonFile}};
    for (const auto &[name, picture] : lesson.pictures) {
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        picture.save(&buffer, "JPEG", EmojiPicture::JpegQuality);
        files.append({LessonNames::inDir(LessonNames::picDir(), name), bytes});
    }
    for (const QString &mark : MarkNames) {
        const QString from = QDir(program.pic).filePath(mark);
        const ContentFile::Contents contents
            = ContentFile::read(from, 16 * 1024 * 1024, ContentFile::Oversize::Refuse);
        if (!contents.read()) {
            refusals.emplace(0,
                QStringLiteral("ぴこもじのマークの絵「%1」を読めません（%2）。")
                    .arg(from, contents.problem->why));
            return std::nullopt;
        }
        files.append({LessonNames::inDir(LessonNames::picDir(), mark), contents.bytes, true});
    }
    return files;
}

QString usage()
{
    return QStringLiteral(
        "使いかた: pikomoji-lesson [--force] ことばのファイル レッスンのフォルダ");
}

} // namespace

ProgramFolders programFolders(const QString &toolFolder)
{
    const QDir beside(toolFolder);
    const QDir installed(beside.filePath(QStringLiteral("../lib/pikomoji")));
    const QDir &folder = beside.exists(LessonNames::inDir(LessonNames::picDir(), MarkNames[0]))
            || !installed.exists()
        ? beside
        : installed;
    return {QDir::cleanPath(folder.absoluteFilePath(LessonNames::picDir())),
        QDir::cleanPath(folder.absoluteFilePath(LessonNames::voiceDir()))};
}

int run(
    const QStringList &arguments, const ProgramFolders &program, QByteArray &out, QByteArray &err)
{
    QCommandLineParser parser;
    const QCommandLineOption force(QStringLiteral("force"));
    parser.addOption(force);
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    parser.addOption(help);
    if (!parser.parse(arguments) || parser.isSet(help)
        || parser.positionalArguments().size() != 2) {
        const bool asked = parser.isSet(help) && parser.errorText().isEmpty();
        (asked ? out : err) += utf8Line(usage());
        return asked ? Made : UsageStatus;
    }
    const QString wordsPath = parser.positionalArguments()[0];
    const QString target = QFileInfo(parser.positionalArguments()[1]).absoluteFilePath();

    Refusals refusals;
    Refusals warnings;
    auto report = [&](const Refusals &lines) {
        for (const auto &[line, why] : lines)
            err += utf8Line(
                line ? QStringLiteral("%1 の %2 行目: %3").arg(wordsPath).arg(line).arg(why) : why);
    };
    auto refused = [&] {
        report(warnings);
        report(refusals);
        err += utf8Line(QStringLiteral("レッスンは作りませんでした。"));
        return Refused;
    };
    // Said at once, before any work; said again, under the lock, if another maker made it since.
    if (QFileInfo(target).exists() && !parser.isSet(force))
        refusals.emplace(0,
            QStringLiteral("「%1」はもうあります。置きかえるときは --force を"
                           "つけてください。")
                .arg(target));
    if (!refusals.empty())
        return refused();

    const std::optional<QList<Word>> words = readWords(wordsPath, refusals, warnings);
    if (!refusals.empty())
        return refused();
    const std::optional<Lesson> lesson = makeLesson(*words, refusals);
    if (!lesson)
        return refused();

    const std::optional<QList<LessonPlace::File>> files = lessonFiles(*lesson, program, refusals);
    if (!files)
        return refused();
    const LessonPlace::Outcome placed
        = LessonPlace::place(target, *files, parser.isSet(force), [&] {
              const QByteArray note = utf8Line(QStringLiteral(
                  "ほかの pikomoji-lesson が「%1」のそばで作りおわるのを待っています。")
                                                   .arg(QFileInfo(target).path()));
              std::fwrite(note.constData(), 1, size_t(note.size()), stderr);
          });
    if (!placed.placed) {
        refusals.emplace(0, placed.error);
        return refused();
    }

    report(warnings);
    out += utf8Line(
        QStringLiteral("「%1」に、%2 語のレッスンを作りました。").arg(target).arg(words->size()));
    const int checked = LessonCheck::run(
        {QStringLiteral("pikomoji-check"), target}, out, err, mediaJudges(), program.voice);
    return checked == 0 ? Made : MadeWithProblems;
}

} // namespace LessonMaker
