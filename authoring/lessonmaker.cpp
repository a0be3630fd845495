#include "authoring/lessonmaker.h"

#include "authoring/emojipicture.h"
#include "authoring/kana.h"
#include "authoring/photopicture.h"
#include "lesson/lessoncheck.h"
#include "lesson/lessonfile.h"
#include "media/mediajudges.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QTemporaryDir>

#include <map>
#include <optional>

namespace LessonMaker {
namespace {

// A word list is a few hundred bytes; one far bigger is not a word list.
constexpr qint64 LargestWordsBytes = 1024 * 1024;

const QString MarkNames[] = {QStringLiteral("すごい.jpg"), QStringLiteral("しっかり.jpg")};

struct Word
{
    int line = 0;
    QStringList letters;
    QString picture; // as written
    QString pictureFile; // the picture file's path; empty for an emoji
};

// What went wrong, by line (0 for the list as a whole), in the order it was found.
using Refusals = std::multimap<int, QString>;

QByteArray utf8Line(const QString &text)
{
    return (text + u'\n').toUtf8();
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

    const QString file = wordsFolder.filePath(picture);
    if (QFileInfo(file).isFile()) {
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

// The words of a list, in its order, with a warning for each word that an earlier line gave
// already: not wrong, but likely a slip, and the child would be asked it twice.
std::optional<QList<Word>> readWords(const QString &path, Refusals &refusals, Refusals &warnings)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        refusals.emplace(
            0, QStringLiteral("ことばのファイルを開けません（%1）。").arg(file.errorString()));
        return std::nullopt;
    }
    if (file.size() > LargestWordsBytes) {
        refusals.emplace(
            0, QStringLiteral("ことばのファイルが大きすぎます（%1 バイト）。").arg(file.size()));
        return std::nullopt;
    }
    // UTF-8 or Shift-JIS, told apart as the program tells a lesson file's.
    const QString text = LessonFile::decodeText(file.readAll());
    const QDir folder = QFileInfo(path).absoluteDir();
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
            const PhotoPicture::Result photo
                = PhotoPicture::load(word.pictureFile, EmojiPicture::Size);
            picture = photo.image;
            error = photo.error;
        } else if (std::optional<QImage> drawn = emoji.draw(word.picture, &error)) {
            picture = *drawn;
        } else {
            error += QStringLiteral("（「%1」という画像ファイルもありません。）").arg(word.picture);
        }
        if (picture.isNull())
            refusals.emplace(word.line, error);
        lesson.pictures.emplace_back(names[i] + QStringLiteral(".jpg"), picture);
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

// Whether `folder` holds nothing but what a lesson folder holds; the first stranger otherwise.
QString stranger(const QString &folder)
{
    static const QStringList LessonEntries{
        QStringLiteral("data"), QStringLiteral("pic"), QStringLiteral("voice")};
    for (const QString &name : QDir(folder).entryList(
             QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot))
        if (!LessonEntries.contains(name))
            return name;
    return {};
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.flush();
}

// Writes the lesson into `folder` (which exists and is empty); false with a refusal on failure.
bool writeLesson(
    const Lesson &lesson, const ProgramFolders &program, const QString &folder, Refusals &refusals)
{
    const QDir dir(folder);
    if (!dir.mkpath(QStringLiteral("data")) || !dir.mkpath(QStringLiteral("pic"))
        || !writeFile(dir.filePath(QStringLiteral("data/data.txt")), lesson.lessonFile)) {
        refusals.emplace(0, QStringLiteral("「%1」に書けません。").arg(folder));
        return false;
    }
    for (const auto &[name, picture] : lesson.pictures) {
        const QString path = dir.filePath(QStringLiteral("pic/") + name);
        if (!picture.save(path, "JPEG", EmojiPicture::JpegQuality)) {
            refusals.emplace(0, QStringLiteral("「%1」に書けません。").arg(path));
            return false;
        }
    }
    for (const QString &mark : MarkNames) {
        const QString from = QDir(program.pic).filePath(mark);
        if (!QFile::copy(from, dir.filePath(QStringLiteral("pic/") + mark))) {
            refusals.emplace(
                0, QStringLiteral("ぴこもじのマークの絵「%1」をコピーできません。").arg(from));
            return false;
        }
    }
    return true;
}

// Puts the lesson made in `made` in place of `target`, keeping the voice/ of a lesson it
// replaces. Either the new lesson is in place, or `target` is as it was.
bool putInPlace(QTemporaryDir &made, const QString &target, Refusals &refusals)
{
    auto fail = [&] {
        refusals.emplace(0, QStringLiteral("「%1」を置きかえられません。").arg(target));
        return false;
    };
    const bool replacing = QFileInfo::exists(target);
    const QString old = made.path() + QStringLiteral(".old");
    const QString voice = QDir(target).filePath(QStringLiteral("voice"));
    const QString madeVoice = QDir(made.path()).filePath(QStringLiteral("voice"));
    const bool keepVoice = replacing && QFileInfo(voice).isDir();
    if (keepVoice && !QDir().rename(voice, madeVoice))
        return fail();
    if (replacing && !QDir().rename(target, old)) {
        if (keepVoice)
            QDir().rename(madeVoice, voice);
        return fail();
    }
    if (!QDir().rename(made.path(), target)) {
        if (replacing)
            QDir().rename(old, target);
        if (keepVoice)
            QDir().rename(madeVoice, voice);
        return fail();
    }
    made.setAutoRemove(false); // it is the lesson now
    if (replacing)
        QDir(old).removeRecursively();
    return true;
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
    const QDir &folder = beside.exists(QStringLiteral("pic/") + MarkNames[0]) || !installed.exists()
        ? beside
        : installed;
    return {QDir::cleanPath(folder.absoluteFilePath(QStringLiteral("pic"))),
        QDir::cleanPath(folder.absoluteFilePath(QStringLiteral("voice")))};
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
    const QFileInfo existing(target);
    if (existing.exists() && !parser.isSet(force))
        refusals.emplace(0,
            QStringLiteral("「%1」はもうあります。置きかえるときは --force を"
                           "つけてください。")
                .arg(target));
    else if (existing.exists() && !existing.isDir())
        refusals.emplace(0, QStringLiteral("「%1」はフォルダではありません。").arg(target));
    else if (existing.exists() && !stranger(target).isEmpty())
        refusals.emplace(0,
            QStringLiteral("「%1」にはレッスンにないもの（%2）があるので、"
                           "置きかえません。")
                .arg(target, stranger(target)));
    if (!refusals.empty())
        return refused();

    const std::optional<QList<Word>> words = readWords(wordsPath, refusals, warnings);
    if (!refusals.empty())
        return refused();
    const std::optional<Lesson> lesson = makeLesson(*words, refusals);
    if (!lesson)
        return refused();

    // Made beside the target and moved into place, so that a failure leaves nothing behind.
    const QString parent = QFileInfo(target).absolutePath();
    if (!QDir().mkpath(parent)) {
        refusals.emplace(0, QStringLiteral("フォルダ「%1」を作れません。").arg(parent));
        return refused();
    }
    QTemporaryDir made(
        QDir(parent).filePath(QStringLiteral(".%1-XXXXXX").arg(QFileInfo(target).fileName())));
    if (!made.isValid()) {
        refusals.emplace(
            0, QStringLiteral("「%1」に書けません（%2）。").arg(parent, made.errorString()));
        return refused();
    }
    if (!writeLesson(*lesson, program, made.path(), refusals)
        || !putInPlace(made, target, refusals))
        return refused();

    report(warnings);
    out += utf8Line(
        QStringLiteral("「%1」に、%2 語のレッスンを作りました。").arg(target).arg(words->size()));
    const QString ownVoice = QDir(target).filePath(QStringLiteral("voice"));
    const QString voice = QFileInfo(ownVoice).isDir() ? ownVoice : program.voice;
    const int checked
        = LessonCheck::run({QStringLiteral("pikomoji-check"), QStringLiteral("--voice"), voice,
                               QDir(target).filePath(QStringLiteral("data"))},
            out, err, mediaJudges());
    return checked == 0 ? Made : MadeWithProblems;
}

} // namespace LessonMaker
