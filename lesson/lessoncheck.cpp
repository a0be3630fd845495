#include "lesson/lessoncheck.h"

#include "lesson/fieldreader.h"

#include "core/contentfile.h"
#include "core/lessonnames.h"
#include "core/module1.h"
#include "core/voiceclip.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <unistd.h>

namespace LessonCheck {

namespace {

// Field positions within LessonFile::Row, which counts from 0 where the question table counts
// from 1.
constexpr int PictureField = Lesson::PictureField - 1;
constexpr int FirstLetterField = Lesson::FirstLetterField - 1;
constexpr int LastLetterField = Lesson::LastLetterField - 1;
constexpr int FirstAnswerField = Lesson::FirstAnswerField - 1;
constexpr int LastAnswerField = Lesson::LastAnswerField - 1;

const QString MarkPictures[] = {
    LessonNames::picture(LessonNames::rightMark()), LessonNames::picture(LessonNames::wrongMark())};

// What the program meets when it reads `name` from `folder`: the problem its reader (`judge`)
// finds, or without one, the problem opening it finds. A FIFO or a device is there, but cannot be
// used; the reader says so.
std::optional<FileProblem> look(const QString &folder, const QString &name, const FileJudge &judge)
{
    const QString path = Module1::filePath(folder, name);
    return judge ? judge(path) : ContentFile::open(path).problem;
}

// What a file is to the lesson, which names the report's kind of a problem with it.
enum class Role { LessonFile, Picture, Mark, Clip };

// The report's kind for each kind of file problem: a missing file is missing whatever it is, a
// link out of the folder is one kind everywhere, and every other problem makes the file one that
// cannot be used. Every kind is named here, so that a new one must be given its report's kind.
Kind reportKind(FileProblem::Kind kind, Role role)
{
    switch (kind) {
    case FileProblem::Kind::UnsafeName:
        return Kind::UnsafeName;
    case FileProblem::Kind::Missing:
        return role == Role::Picture ? Kind::MissingPicture
            : role == Role::Mark     ? Kind::MissingMarkPicture
            : role == Role::Clip     ? Kind::MissingVoice
                                     : Kind::CannotOpen;
    case FileProblem::Kind::OutsideFolder:
        return Kind::OutsideLink;
    case FileProblem::Kind::Empty:
        if (role == Role::LessonFile)
            return Kind::EmptyFile;
        break;
    case FileProblem::Kind::EndsEarly:
        if (role == Role::LessonFile)
            return Kind::FileEndsInsideRow;
        break;
    case FileProblem::Kind::CannotOpen:
    case FileProblem::Kind::NotRegularFile:
    case FileProblem::Kind::TooBig:
    case FileProblem::Kind::WrongFormat:
    case FileProblem::Kind::TooCostly:
    case FileProblem::Kind::BadHeader:
    case FileProblem::Kind::Undecodable:
        break;
    }
    return role == Role::LessonFile ? Kind::CannotOpen
        : role == Role::Clip        ? Kind::UnplayableVoice
                                    : Kind::UnreadablePicture;
}

// A folder that is there but may not be listed or entered: every file in it would look missing.
bool unreadableFolder(const QString &folder)
{
    return QFileInfo(folder).isDir()
        && ::access(QFile::encodeName(folder).constData(), R_OK | X_OK) != 0;
}

// Every letter in use, in order of first use, with the rows that use it.
struct LettersInUse
{
    QStringList letters;
    QList<QList<int>> rows; // parallel to `letters`
};

LettersInUse lettersInUse(const LessonFile &lesson)
{
    LettersInUse used;
    for (int i = 0; i < lesson.rows.size(); ++i)
        for (int field = FirstLetterField; field <= LastAnswerField; ++field) {
            const QString &letter = lesson.rows[i][field];
            if (letter.isEmpty())
                continue;
            qsizetype index = used.letters.indexOf(letter);
            if (index < 0) {
                index = used.letters.size();
                used.letters.append(letter);
                used.rows.append(QList<int>());
            }
            if (!used.rows[index].contains(i + 1))
                used.rows[index].append(i + 1);
        }
    return used;
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
    const QString picture = LessonNames::picture(pictureName);
    if (pictureName.isEmpty()) {
        add(Kind::EmptyPictureName);
    } else if (!Module1::isSafeName(picture)) {
        add(Kind::UnsafeName, pictureName);
    } else if (picFolderExists) {
        if (const auto problem = look(picFolder, picture, judges.picture))
            add(reportKind(problem->kind, Role::Picture), picture, problem->why);
    }

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
    case Kind::OutsideLink:
        return QStringLiteral("outside_link");
    case Kind::UnreadableFolder:
        return QStringLiteral("unreadable_folder");
    case Kind::Utf16File:
        return QStringLiteral("utf16_file");
    }
    Q_UNREACHABLE();
    return {};
}

QList<Problem> check(const LessonFile &lesson, const QString &picFolder, const QString &voiceFolder,
    const FileJudges &judges, const QString &programVoiceFolder)
{
    QList<Problem> problems;
    if (const std::optional<FileProblem> &problem = lesson.problem) {
        const Kind kind = reportKind(problem->kind, Role::LessonFile);
        Problem reported{.kind = kind,
            .subject = kind == Kind::OutsideLink ? LessonNames::lessonFile()
                : kind == Kind::CannotOpen       ? problem->why
                                                 : QString()};
        if (kind == Kind::FileEndsInsideRow) {
            reported.row = lesson.missingRow;
            reported.word = wordOf(lesson.incompleteRow);
            reported.field = lesson.missingField;
            if (lesson.cutAtMaxFileBytes)
                reported.subject = QStringLiteral(
                    "data.txt が %1 バイトより大きいので、そこまでしか読みません。")
                                       .arg(LessonFile::MaxFileBytes);
        }
        problems.append(reported);
    }

    // One run should show everything there is to fix, so the complete rows of a lesson that does
    // not load are checked too.
    const bool picFolderExists = QFileInfo(picFolder).isDir() && !unreadableFolder(picFolder);
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
    }
    if (lesson.ignoredAfterLastRow)
        problems.append(Problem{.kind = Kind::RowsIgnored, .row = LessonFile::MaxRows + 1});

    if (unreadableFolder(picFolder)) {
        problems.append(Problem{.kind = Kind::UnreadableFolder, .subject = picFolder});
    } else if (!picFolderExists) {
        problems.append(Problem{.kind = Kind::MissingPictureFolder, .subject = picFolder});
    } else {
        for (const QString &mark : MarkPictures)
            if (const auto problem = look(picFolder, mark, judges.picture))
                problems.append(Problem{.kind = reportKind(problem->kind, Role::Mark),
                    .subject = mark,
                    .reason = problem->why});
    }
    // Each letter as the program speaks it: the lesson's own clip, else the program's.
    const bool ownFolder = QFileInfo(voiceFolder).isDir();
    const bool fallback = !programVoiceFolder.isEmpty() && QFileInfo(programVoiceFolder).isDir();
    for (const QString &folder : {voiceFolder, programVoiceFolder})
        if (unreadableFolder(folder))
            problems.append(Problem{.kind = Kind::UnreadableFolder, .subject = folder});
    if (!ownFolder && !fallback) {
        problems.append(Problem{.kind = Kind::MissingVoiceFolder, .subject = voiceFolder});
        return problems;
    }
    const LettersInUse used = lettersInUse(lesson);
    for (qsizetype i = 0; i < used.letters.size(); ++i) {
        const QString clip = LessonNames::clip(used.letters[i]);
        const bool own = VoiceClip::isOwn(voiceFolder, clip);
        const std::optional<FileProblem> problem = Module1::isSafeName(clip)
            ? look(own || !fallback ? voiceFolder : programVoiceFolder, clip, judges.clip)
            : FileProblem{FileProblem::Kind::UnsafeName, clip, {}};
        if (!problem)
            continue;
        const Kind kind = reportKind(problem->kind, Role::Clip);
        problems.append(Problem{.kind = kind,
            .row = used.rows[i].first(),
            .subject = kind == Kind::UnsafeName ? used.letters[i] : clip,
            .rows = used.rows[i],
            .reason = problem->why});
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
        return QStringLiteral("声のファイル「%1」が声のフォルダにありません (%2で使っています)。"
                              "声が出ません。")
            .arg(p.subject, rows.join(QStringLiteral("、")));
    }
    case Kind::MissingVoiceFolder:
        return QStringLiteral("声のフォルダ「%1」も、ぴこもじの声のフォルダもありません。"
                              "声が出ません。")
            .arg(QDir::toNativeSeparators(p.subject));
    case Kind::UnreadableFolder:
        return QStringLiteral("フォルダ「%1」を読む権限がありません。"
                              "中の絵や声が出ません。フォルダの権限をたしかめてください。")
            .arg(QDir::toNativeSeparators(p.subject));
    case Kind::Utf16File:
        return QStringLiteral("data.txt は UTF-16 (Unicode) で保存されていて、読めません。"
                              "UTF-8 か Shift-JIS で保存してください。");
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
    case Kind::OutsideLink: {
        // What is lost: a clip has the rows that use it, a picture ends in .jpg, and the only
        // other file read is the lesson file itself.
        QStringList rows;
        for (int row : p.rows)
            rows.append(QStringLiteral("%1行目").arg(row));
        const QString lost = !rows.isEmpty()
            ? QStringLiteral("声が出ません (%1で使っています)").arg(rows.join(QStringLiteral("、")))
            : LessonNames::isPicture(p.subject) ? QStringLiteral("絵が出ません")
                                                : QStringLiteral("レッスンを読みこめません");
        return (p.row && rows.isEmpty() ? where : QString())
            + QStringLiteral("「%1」は、フォルダの外にあるファイルへのリンク (シンボリックリンク) "
                             "です。フォルダの外のファイルは開かないので、%2。リンクではなく、"
                             "ファイルそのものをフォルダに入れてください。")
                  .arg(p.subject, lost);
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
    return lesson.opened() && !(lesson.problem && lesson.problem->kind == FileProblem::Kind::Empty);
}

QString encodingName(LessonFile::Encoding encoding)
{
    return encoding == LessonFile::Encoding::Utf8 ? QStringLiteral("UTF-8")
                                                  : QStringLiteral("Shift-JIS");
}

} // namespace

QStringList ownClips(const LessonFile &lesson, const QString &voiceFolder)
{
    QStringList clips;
    for (const QString &letter : lettersInUse(lesson).letters)
        if (VoiceClip::isOwn(voiceFolder, LessonNames::clip(letter)))
            clips << LessonNames::clip(letter);
    return clips;
}

QString textReport(const Folders &folders, const LessonFile &lesson, const QList<Problem> &problems)
{
    auto shown = [](const QString &path) { return escapeControls(QDir::toNativeSeparators(path)); };
    QString text;
    text += QStringLiteral("レッスンのファイル: %1\n").arg(shown(folders.lessonFile));
    if (!folders.pic.isEmpty())
        text += QStringLiteral("絵のフォルダ: %1\n").arg(shown(folders.pic));
    if (!folders.voice.isEmpty()) {
        const QStringList own = ownClips(lesson, folders.voice);
        text += QStringLiteral("声のフォルダ: %1（このレッスンの声: %2）\n")
                    .arg(shown(folders.voice),
                        own.isEmpty() ? QStringLiteral("なし")
                                      : escapeControls(own.join(QStringLiteral("、"))));
    }
    if (!folders.programVoice.isEmpty())
        text += QStringLiteral("ほかの字の声: %1\n").arg(shown(folders.programVoice));
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

QByteArray jsonReport(
    const LessonFile &lesson, const QList<Problem> &problems, const QStringList &ownClips)
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
        {QStringLiteral("own_clips"), QJsonArray::fromStringList(ownClips)},
    };
    return QJsonDocument(report).toJson(QJsonDocument::Indented);
}

int run(const QStringList &arguments, QByteArray &out, QByteArray &err, const FileJudges &judges,
    const QString &programVoiceFolder)
{
    const QString usage = QStringLiteral(
        "使いかた: pikomoji-check [--pic DIR] [--voice DIR] [--json] LESSON\n"
        "LESSON はレッスンのフォルダか、その中の data.txt のあるフォルダです。絵と声のフォルダは、"
        "ふだんは data と同じところにある pic と voice です。\n"
        "終わりのコード: 0 なおすところなし、1 なおすところあり、2 読みこめない、64 "
        "使い方のまちがい、74 報告を書けない\n");

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

    // What the program takes (the lesson folder), its data folder, or data.txt itself.
    const QString given = parser.positionalArguments().constFirst();
    const QFileInfo info(given);
    const QString absolute = info.absoluteFilePath();
    const bool lessonFolder = info.isDir()
        && !QFileInfo::exists(absolute + u'/' + LessonNames::lessonFile())
        && QFileInfo(absolute + u'/' + LessonNames::dataDir()).isDir();
    const QString dataFolder = info.isFile() ? info.absolutePath()
        : lessonFolder                       ? absolute + u'/' + LessonNames::dataDir()
                                             : absolute;
    Folders folders;
    folders.lessonFile
        = info.isFile() ? absolute : Module1::filePath(dataFolder, LessonNames::lessonFile());
    // Only a folder that is there is looked around in; a made-up path would only mislead.
    QString whyNot;
    if (!info.exists())
        whyNot = QStringLiteral("「%1」が見つかりません。").arg(given);
    else if (info.isDir() && ::access(QFile::encodeName(absolute).constData(), R_OK | X_OK) != 0)
        whyNot = QStringLiteral("「%1」を読む権限がありません。").arg(given);
    else if (info.isDir() && !lessonFolder && !QFileInfo::exists(folders.lessonFile))
        whyNot = QStringLiteral("「%1」には data.txt も data フォルダもありません。"
                                "レッスンのフォルダか、その中の data フォルダを指定してください。")
                     .arg(given);
    if (!whyNot.isEmpty())
        folders.lessonFile = absolute;
    auto folderOption = [&](const QCommandLineOption &option, const QString &besideData) {
        if (parser.isSet(option))
            return QFileInfo(parser.value(option)).absoluteFilePath();
        return whyNot.isEmpty() ? QDir::cleanPath(dataFolder + QStringLiteral("/../") + besideData)
                                : QString();
    };
    folders.pic = folderOption(pic, LessonNames::picDir());
    folders.voice = folderOption(voice, LessonNames::voiceDir());
    folders.programVoice = programVoiceFolder;

    LessonFile lesson; // until it is read, one that does not load
    QList<Problem> problems;
    if (!whyNot.isEmpty()) {
        problems.append(Problem{.kind = Kind::CannotOpen, .subject = whyNot});
    } else if (LessonFile::looksUtf16(
                   ContentFile::read(folders.lessonFile, 4096, ContentFile::Oversize::Cut).bytes)) {
        problems.append(Problem{.kind = Kind::Utf16File});
    } else {
        lesson = LessonFile::read(folders.lessonFile, true);
        problems = check(lesson, folders.pic, folders.voice, judges, programVoiceFolder);
    }
    out += parser.isSet(json) ? jsonReport(lesson, problems, ownClips(lesson, folders.voice))
                              : textReport(folders, lesson, problems).toUtf8();
    return exitStatus(lesson, problems);
}

} // namespace LessonCheck
