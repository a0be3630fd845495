#include "lesson/lessoncheck.h"

#include "lesson/fieldreader.h"

#include "core/module1.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace LessonCheck {

namespace {

// Field positions within LessonFile::Row, which counts from 0 where the question table counts
// from 1.
constexpr int PictureField = Lesson::PictureField - 1;
constexpr int FirstLetterField = Lesson::FirstLetterField - 1;
constexpr int LastLetterField = Lesson::LastLetterField - 1;
constexpr int FirstAnswerField = Lesson::FirstAnswerField - 1;
constexpr int LastAnswerField = Lesson::LastAnswerField - 1;

const QString MarkPictures[] = {QStringLiteral("すごい.jpg"), QStringLiteral("しっかり.jpg")};

// What the program meets when it reads `name` from `folder`: nothing wrong, an unsafe name, a
// missing file, or a file its reader refuses (through `judge`), with the reader's reason.
struct Looked
{
    enum { Fine, Unsafe, Missing, Unreadable } what = Fine;
    QString reason;
};

Looked look(const QString &folder, const QString &name,
    const std::function<QString(const QString &)> &judge)
{
    if (!Module1::isSafeName(name))
        return {Looked::Unsafe, {}};
    const QString path = Module1::filePath(folder, name);
    // A FIFO or a device is there, but unreadable; the judge says so.
    if (!QFileInfo::exists(path))
        return {Looked::Missing, {}};
    if (!judge)
        return {QFileInfo(path).isFile() ? Looked::Fine : Looked::Missing, {}};
    const QString reason = judge(path);
    return {reason.isEmpty() ? Looked::Fine : Looked::Unreadable, reason};
}

// The word as the letter boxes spell it, or its picture name when it has no letters at all.
QString wordOf(const QStringList &fields)
{
    QString word;
    for (int field = FirstLetterField; field <= LastLetterField && field < fields.size(); ++field)
        word += fields[field];
    if (word.isEmpty() && !fields.isEmpty())
        word = fields[PictureField];
    return word;
}

QStringList toList(const LessonFile::Row &row)
{
    return QStringList(row.begin(), row.end());
}

void checkRow(int rowNumber, const QStringList &row, const QString &picFolder, bool picFolderExists,
    const FileJudges &judges, QList<Problem> &problems)
{
    const QString word = wordOf(row);
    auto add = [&](Kind kind, const QString &subject = {}, const QString &reason = {}) {
        problems.append(Problem{
            .kind = kind, .row = rowNumber, .word = word, .subject = subject, .reason = reason});
    };

    const QString &pictureName = row[PictureField];
    const QString picture = pictureName + QStringLiteral(".jpg");
    const Looked looked = picFolderExists && !pictureName.isEmpty()
        ? look(picFolder, picture, judges.picture)
        : Looked{};
    if (pictureName.isEmpty())
        add(Kind::EmptyPictureName);
    else if (!Module1::isSafeName(picture))
        add(Kind::UnsafeName, pictureName);
    else if (looked.what == Looked::Missing)
        add(Kind::MissingPicture, picture);
    else if (looked.what == Looked::Unreadable)
        add(Kind::UnreadablePicture, picture, looked.reason);

    // The quiz asks the letters from the first on and takes an empty letter box as the end of
    // the word (the answer judging of the quiz screen).
    if (row[FirstLetterField].isEmpty())
        add(Kind::EmptyLetter);
    if (row[FirstLetterField + 1].isEmpty() && !row[LastLetterField].isEmpty())
        add(Kind::LetterAfterGap, row[LastLetterField]);

    const QStringList answers = row.mid(FirstAnswerField, LastAnswerField - FirstAnswerField + 1);
    QStringList reported; // とまと lacks its と only once
    for (int field = FirstLetterField; field <= LastLetterField; ++field) {
        const QString &letter = row[field];
        if (letter.isEmpty() || answers.contains(letter) || reported.contains(letter))
            continue;
        reported.append(letter);
        add(Kind::LetterNotAmongAnswers, letter);
    }
}

} // namespace

QString kindName(Kind kind)
{
    switch (kind) {
    case Kind::CannotOpen:
        return QStringLiteral("cannot_open");
    case Kind::EmptyFile:
        return QStringLiteral("empty_file");
    case Kind::FileEndsInsideRow:
        return QStringLiteral("file_ends_inside_row");
    case Kind::RowsIgnored:
        return QStringLiteral("rows_ignored");
    case Kind::FieldTooLong:
        return QStringLiteral("field_too_long");
    case Kind::EmptyPictureName:
        return QStringLiteral("empty_picture_name");
    case Kind::MissingPicture:
        return QStringLiteral("missing_picture");
    case Kind::MissingMarkPicture:
        return QStringLiteral("missing_mark_picture");
    case Kind::MissingPictureFolder:
        return QStringLiteral("missing_picture_folder");
    case Kind::EmptyLetter:
        return QStringLiteral("empty_letter");
    case Kind::LetterAfterGap:
        return QStringLiteral("letter_after_gap");
    case Kind::LetterNotAmongAnswers:
        return QStringLiteral("letter_not_among_answers");
    case Kind::MissingVoice:
        return QStringLiteral("missing_voice");
    case Kind::MissingVoiceFolder:
        return QStringLiteral("missing_voice_folder");
    case Kind::UnsafeName:
        return QStringLiteral("unsafe_name");
    case Kind::UnreadablePicture:
        return QStringLiteral("unreadable_picture");
    case Kind::UnplayableVoice:
        return QStringLiteral("unplayable_voice");
    }
    Q_UNREACHABLE();
    return {};
}

QList<Problem> check(const LessonFile &lesson, const QString &picFolder, const QString &voiceFolder,
    const FileJudges &judges)
{
    QList<Problem> problems;
    switch (lesson.outcome) {
    case LessonFile::Outcome::CannotOpen:
        problems.append(Problem{.kind = Kind::CannotOpen, .subject = lesson.openError});
        break;
    case LessonFile::Outcome::Empty:
        problems.append(Problem{.kind = Kind::EmptyFile});
        break;
    case LessonFile::Outcome::EndsInsideRow:
        problems.append(Problem{.kind = Kind::FileEndsInsideRow,
            .row = lesson.missingRow,
            .word = wordOf(lesson.incompleteRow),
            .subject = lesson.cutAtMaxFileBytes
                ? QStringLiteral("data.txt が %1 バイトより大きいので、そこまでしか読みません。")
                      .arg(LessonFile::MaxFileBytes)
                : QString(),
            .field = lesson.missingField});
        break;
    case LessonFile::Outcome::Loaded:
        break;
    }

    // One run should show everything there is to fix, so the complete rows of a lesson that does
    // not load are checked too.
    const bool picFolderExists = QFileInfo(picFolder).isDir();
    const bool voiceFolderExists = QFileInfo(voiceFolder).isDir();
    QStringList letters; // every letter in use, in order of first use
    QList<QList<int>> rowsUsing; // parallel to `letters`
    for (int i = 0; i < lesson.rows.size(); ++i) {
        const int rowNumber = i + 1;
        const QStringList row = toList(lesson.rows[i]);
        for (const auto &[cutRow, field] : lesson.cutFields)
            if (cutRow == rowNumber)
                problems.append(Problem{.kind = Kind::FieldTooLong,
                    .row = rowNumber,
                    .word = wordOf(row),
                    .field = field});
        checkRow(rowNumber, row, picFolder, picFolderExists, judges, problems);
        for (int field = FirstLetterField; field <= LastAnswerField; ++field) {
            const QString &letter = row[field];
            if (letter.isEmpty())
                continue;
            qsizetype index = letters.indexOf(letter);
            if (index < 0) {
                index = letters.size();
                letters.append(letter);
                rowsUsing.append(QList<int>());
            }
            if (!rowsUsing[index].contains(rowNumber))
                rowsUsing[index].append(rowNumber);
        }
    }
    if (lesson.ignoredAfterLastRow)
        problems.append(Problem{.kind = Kind::RowsIgnored, .row = LessonFile::MaxRows + 1});

    if (!picFolderExists) {
        problems.append(Problem{.kind = Kind::MissingPictureFolder, .subject = picFolder});
    } else {
        for (const QString &mark : MarkPictures) {
            const Looked looked = look(picFolder, mark, judges.picture);
            if (looked.what == Looked::Missing)
                problems.append(Problem{.kind = Kind::MissingMarkPicture, .subject = mark});
            else if (looked.what == Looked::Unreadable)
                problems.append(Problem{
                    .kind = Kind::UnreadablePicture, .subject = mark, .reason = looked.reason});
        }
    }
    if (!voiceFolderExists) {
        problems.append(Problem{.kind = Kind::MissingVoiceFolder, .subject = voiceFolder});
    } else {
        for (qsizetype i = 0; i < letters.size(); ++i) {
            const QString clip = letters[i] + QStringLiteral(".wav");
            const Looked looked = look(voiceFolder, clip, judges.clip);
            const Kind kind = looked.what == Looked::Unsafe ? Kind::UnsafeName
                : looked.what == Looked::Missing            ? Kind::MissingVoice
                                                            : Kind::UnplayableVoice;
            if (looked.what != Looked::Fine)
                problems.append(Problem{.kind = kind,
                    .row = rowsUsing[i].first(),
                    .subject = kind == Kind::UnsafeName ? letters[i] : clip,
                    .rows = rowsUsing[i],
                    .reason = looked.reason});
        }
    }
    return problems;
}

QString describe(const Problem &p)
{
    // "3行目「さかな」: " – the row and the word the parent will look for in the file.
    const QString where = p.word.isEmpty()
        ? QStringLiteral("%1行目: ").arg(p.row)
        : QStringLiteral("%1行目「%2」: ").arg(p.row).arg(p.word);
    switch (p.kind) {
    case Kind::CannotOpen:
        return QStringLiteral("data.txt を開けません。データのフォルダに data.txt があるか、"
                              "たしかめてください。(%1)")
            .arg(p.subject);
    case Kind::EmptyFile:
        return QStringLiteral(
            "data.txt が空です。1行に1つのことばを、9つの欄をカンマ (,) で区切って"
            "書いてください。");
    case Kind::FileEndsInsideRow:
        return where
            + QStringLiteral("%1番目の欄の前でファイルが終わっています。1行には9つの欄がいります。"
                             "前の行の欄が多すぎたり少なすぎたりしても、こうなります。")
                  .arg(p.field)
            + p.subject;
    case Kind::RowsIgnored:
        return QStringLiteral("%1行目から後は読まれません。もんだいは%2問までです。")
            .arg(p.row)
            .arg(LessonFile::MaxRows);
    case Kind::FieldTooLong:
        return where
            + QStringLiteral("%1番目の欄が長すぎます。はじめの%2バイトだけを読みます。")
                  .arg(p.field)
                  .arg(FieldReader::MaxFieldBytes);
    case Kind::EmptyPictureName:
        return where + QStringLiteral("絵の名前 (1番目の欄) が空です。絵が出ません。");
    case Kind::MissingPicture:
        return where
            + QStringLiteral("絵のファイル「%1」が絵のフォルダにありません。").arg(p.subject);
    case Kind::MissingMarkPicture:
        return QStringLiteral(
            "しるしの絵「%1」が絵のフォルダにありません。答えたときに出る絵です。")
            .arg(p.subject);
    case Kind::MissingPictureFolder:
        return QStringLiteral("絵のフォルダ「%1」がありません。")
            .arg(QDir::toNativeSeparators(p.subject));
    case Kind::EmptyLetter:
        return where
            + QStringLiteral("1文字目 (2番目の欄) が空です。このもんだいは答えられません。");
    case Kind::LetterAfterGap:
        return where
            + QStringLiteral("2文字目 (3番目の欄) が空なので、3文字目の「%1」は出ません。")
                  .arg(p.subject);
    case Kind::LetterNotAmongAnswers:
        return where
            + QStringLiteral("「%1」が答えのボタン (5〜9番目の欄) にありません。"
                             "このことばは最後まで答えられません。")
                  .arg(p.subject);
    case Kind::MissingVoice: {
        QStringList rows;
        for (int row : p.rows)
            rows.append(QStringLiteral("%1行目").arg(row));
        return QStringLiteral("声のファイル「%1」が声のフォルダにありません (%2で使っています)。")
            .arg(p.subject, rows.join(QStringLiteral("、")));
    }
    case Kind::MissingVoiceFolder:
        return QStringLiteral("声のフォルダ「%1」がありません。声が出ません。")
            .arg(QDir::toNativeSeparators(p.subject));
    case Kind::UnsafeName:
        return where
            + QStringLiteral("「%1」には / や \\ 、見えない文字 (制御文字) が入っているか、. か .. "
                             "なので、ファイルの名前になりません。%2")
                  .arg(escapeControls(p.subject),
                      p.rows.isEmpty() ? QStringLiteral("絵が出ません。")
                                       : QStringLiteral("声が出ません。"));
    case Kind::UnreadablePicture:
        return (p.row ? where : QString())
            + QStringLiteral("絵のファイル「%1」を読みこめません。%2").arg(p.subject, p.reason);
    case Kind::UnplayableVoice: {
        QStringList rows;
        for (int row : p.rows)
            rows.append(QStringLiteral("%1行目").arg(row));
        return QStringLiteral("声のファイル「%1」(%2で使っています): %3")
            .arg(p.subject, rows.join(QStringLiteral("、")), p.reason);
    }
    }
    Q_UNREACHABLE();
    return {};
}

QString escapeControls(const QString &text)
{
    QString escaped;
    escaped.reserve(text.size());
    for (QChar c : text) {
        if (c == u'\n')
            escaped += QStringLiteral("\\n");
        else if (c.category() == QChar::Other_Control)
            escaped += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QChar(u'0'));
        else
            escaped += c;
    }
    return escaped;
}

int exitStatus(const LessonFile &lesson, const QList<Problem> &problems)
{
    if (!lesson.loaded())
        return 2;
    return problems.isEmpty() ? 0 : 1;
}

namespace {

bool wasRead(const LessonFile &lesson)
{
    return lesson.outcome != LessonFile::Outcome::CannotOpen
        && lesson.outcome != LessonFile::Outcome::Empty;
}

QString encodingName(LessonFile::Encoding encoding)
{
    return encoding == LessonFile::Encoding::Utf8 ? QStringLiteral("UTF-8")
                                                  : QStringLiteral("Shift-JIS");
}

} // namespace

QString textReport(const Folders &folders, const LessonFile &lesson, const QList<Problem> &problems)
{
    QString text;
    text += QStringLiteral("レッスンのファイル: %1\n")
                .arg(escapeControls(QDir::toNativeSeparators(folders.lessonFile)));
    text += QStringLiteral("絵のフォルダ: %1\n")
                .arg(escapeControls(QDir::toNativeSeparators(folders.pic)));
    text += QStringLiteral("声のフォルダ: %1\n")
                .arg(escapeControls(QDir::toNativeSeparators(folders.voice)));
    if (wasRead(lesson))
        text += QStringLiteral("文字コード: %1 として読みました。\n")
                    .arg(encodingName(lesson.encoding));
    text += u'\n';

    if (lesson.loaded())
        text += QStringLiteral("読みこめます。もんだいは %1 問です。\n").arg(lesson.rows.size());
    else
        text += QStringLiteral(
            "読みこめません。このままでは「はじめる」をおしても、はじまりません。\n");

    if (problems.isEmpty()) {
        text += QStringLiteral("なおすところはありません。\n");
        return text;
    }
    text += QStringLiteral("なおすところが %1 か所あります。\n").arg(problems.size());
    for (const Problem &problem : problems)
        text += QStringLiteral("・") + escapeControls(describe(problem)) + u'\n';
    return text;
}

QByteArray jsonReport(const LessonFile &lesson, const QList<Problem> &problems)
{
    QJsonArray rows;
    if (lesson.loaded())
        for (const LessonFile::Row &row : lesson.rows)
            rows.append(QJsonArray::fromStringList(toList(row)));

    QJsonArray problemList;
    for (const Problem &problem : problems)
        problemList.append(QJsonObject{
            {QStringLiteral("row"), problem.row},
            {QStringLiteral("kind"), kindName(problem.kind)},
            {QStringLiteral("detail"), describe(problem)},
        });

    const QJsonValue encoding = !wasRead(lesson)        ? QJsonValue()
        : lesson.encoding == LessonFile::Encoding::Utf8 ? QStringLiteral("utf-8")
                                                        : QStringLiteral("shift_jis");
    const QJsonObject report{
        {QStringLiteral("loaded"), lesson.loaded()},
        {QStringLiteral("question_count"), rows.size()},
        {QStringLiteral("encoding"), encoding},
        {QStringLiteral("rows"), rows},
        {QStringLiteral("problems"), problemList},
    };
    return QJsonDocument(report).toJson(QJsonDocument::Indented);
}

int run(const QStringList &arguments, QByteArray &out, QByteArray &err, const FileJudges &judges)
{
    const QString usage = QStringLiteral(
        "使いかた: pikomoji-check [--pic DIR] [--voice DIR] [--json] DATA_DIR\n"
        "DATA_DIR は data.txt のあるフォルダです。絵と声のフォルダは、ふだんは DATA_DIR と同じ"
        "ところにある pic と voice です。\n"
        "終わりのコード: 0 なおすところなし、1 なおすところあり、2 読みこめない、64 "
        "使い方のまちがい\n");

    QCommandLineParser parser;
    const QCommandLineOption pic(QStringLiteral("pic"), QString(), QStringLiteral("DIR"));
    const QCommandLineOption voice(QStringLiteral("voice"), QString(), QStringLiteral("DIR"));
    const QCommandLineOption json(QStringLiteral("json"));
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    parser.addOptions({pic, voice, json, help});
    if (!parser.parse(arguments)) {
        err += (parser.errorText() + u'\n' + usage).toUtf8();
        return UsageStatus;
    }
    if (parser.isSet(help)) {
        out += usage.toUtf8();
        return 0;
    }
    if (parser.positionalArguments().size() != 1) {
        err += usage.toUtf8();
        return UsageStatus;
    }

    // A parent may well name data.txt itself rather than its folder.
    const QFileInfo data(parser.positionalArguments().constFirst());
    const QString dataFolder = data.isFile() ? data.absolutePath() : data.absoluteFilePath();
    Folders folders;
    folders.lessonFile = data.isFile() ? data.absoluteFilePath()
                                       : Module1::filePath(dataFolder, QStringLiteral("data.txt"));
    auto folderOption = [&](const QCommandLineOption &option, const QString &besideData) {
        if (parser.isSet(option))
            return QFileInfo(parser.value(option)).absoluteFilePath();
        return QDir::cleanPath(dataFolder + QStringLiteral("/../") + besideData);
    };
    folders.pic = folderOption(pic, QStringLiteral("pic"));
    folders.voice = folderOption(voice, QStringLiteral("voice"));

    const LessonFile lesson = LessonFile::read(folders.lessonFile, true);
    const QList<Problem> problems = check(lesson, folders.pic, folders.voice, judges);
    out += parser.isSet(json) ? jsonReport(lesson, problems)
                              : textReport(folders, lesson, problems).toUtf8();
    return exitStatus(lesson, problems);
}

} // namespace LessonCheck
