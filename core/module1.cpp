#include "core/module1.h"

#include "core/lessonnames.h"
#include "core/runtimeerror.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <limits>

namespace Module1 {

Integer add(Integer a, Integer b)
{
    const int sum = int(a) + int(b);
    if (sum < std::numeric_limits<Integer>::min() || sum > std::numeric_limits<Integer>::max())
        throw RuntimeError(RuntimeError::Overflow);
    return Integer(sum);
}

void QuestionTable::checkIndexes(int row, int field)
{
    if (row < 0 || row >= Size || field < 0 || field >= Size)
        throw RuntimeError(RuntimeError::SubscriptOutOfRange);
}

QString &QuestionTable::operator()(int row, int field)
{
    checkIndexes(row, field);
    return m_entries[row][field];
}

const QString &QuestionTable::operator()(int row, int field) const
{
    checkIndexes(row, field);
    return m_entries[row][field];
}

bool isSafeName(const QString &name)
{
    if (name == u"." || name == u"..")
        return false;
    for (QChar c : name)
        if (c == u'/' || c == u'\\' || c.category() == QChar::Other_Control)
            return false;
    return true;
}

QString filePath(const QString &folder, const QString &name)
{
    if (!isSafeName(name))
        return {};
    if (folder.isEmpty() || folder.endsWith(u'/'))
        return folder + name;
    return folder + u'/' + name;
}

LessonFolders lessonFolders(const QString &lessonDir)
{
    const QFileInfo lesson(lessonDir);
    const QDir folder(QDir::cleanPath(lesson.absoluteFilePath()));
    if (!lesson.isDir())
        return {{}, {}, {},
            QStringLiteral("レッスンのフォルダ「%1」が見つかりません。").arg(lessonDir)};
    if (!lesson.isReadable() || !lesson.isExecutable())
        return {{}, {}, {},
            QStringLiteral("レッスンのフォルダ「%1」を読む権限がありません。").arg(lessonDir)};
    if (!folder.exists(LessonNames::dataDir()))
        return {{}, {}, {},
            QStringLiteral(
                "「%1」はレッスンのフォルダではありません（data フォルダがありません）。")
                .arg(lessonDir)};
    return {folder.filePath(LessonNames::picDir()) + u'/',
        folder.filePath(LessonNames::voiceDir()) + u'/',
        folder.filePath(LessonNames::dataDir()) + u'/', QString()};
}

void deriveFolders(const QString &programFolder)
{
    Folders.AppFolder = programFolder;
    if (!Folders.AppFolder.endsWith(u'/'))
        Folders.AppFolder += u'/';
    Folders.PicFolder = Folders.AppFolder + LessonNames::picDir() + u'/';
    Folders.VoiceFolder = Folders.AppFolder + LessonNames::voiceDir() + u'/';
    Folders.DataFolder = Folders.AppFolder + LessonNames::dataDir() + u'/';
}

void deriveFoldersOnce()
{
    if (Folders.AppFolder.isEmpty())
        deriveFolders(QFileInfo(QCoreApplication::applicationFilePath()).canonicalPath());
}

void resetState()
{
    for (int row = 0; row < QuestionTable::Size; ++row)
        for (int field = 0; field < QuestionTable::Size; ++field)
            Questions(row, field).clear();
    QuestionCount = CurrentQuestion = TargetPos = MarkCount = MissCount = 0;
    WordDone = False;
    LoadFailed = 0;
    Folders = {};
}

} // namespace Module1
