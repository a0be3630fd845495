// The program only ever reads: a whole session on the starter lesson, run as its own process,
// leaves the lesson's folders exactly as they were and writes no settings, cache or state file
// anywhere the desktop would put one.

#include "testsupport.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

// One line per file and folder under `root`: path, size, modification time (ns) and SHA-256.
QStringList snapshot(const QString &root)
{
    QStringList lines;
    QDirIterator it(root, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
        QDirIterator::Subdirectories);
    QStringList paths{root};
    while (it.hasNext())
        paths << it.next();
    for (const QString &path : paths) {
        struct stat status
        {
        };
        if (lstat(QFile::encodeName(path).constData(), &status) != 0) {
            lines << path + QStringLiteral(" cannot stat");
            continue;
        }
        QByteArray hash;
        QFile file(path);
        if (S_ISREG(status.st_mode) && file.open(QIODevice::ReadOnly)) {
            QCryptographicHash sha(QCryptographicHash::Sha256);
            sha.addData(&file);
            hash = sha.result().toHex();
        }
        lines << QStringLiteral("%1 %2 %3.%4 %5")
                     .arg(QDir(root).relativeFilePath(path))
                     .arg(qint64(status.st_size))
                     .arg(qint64(status.st_mtim.tv_sec))
                     .arg(qint64(status.st_mtim.tv_nsec), 9, 10, QChar(u'0'))
                     .arg(QString::fromLatin1(hash));
    }
    lines.sort();
    return lines;
}

QStringList everythingUnder(const QString &root)
{
    QStringList found;
    QDirIterator it(root, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
        QDirIterator::Subdirectories);
    while (it.hasNext())
        found << it.next();
    return found;
}

bool copyFolder(const QString &from, const QString &to)
{
    QDir().mkpath(to);
    for (const QFileInfo &entry :
        QDir(from).entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot)) {
        const QString target = to + u'/' + entry.fileName();
        if (entry.isDir() ? !copyFolder(entry.filePath(), target)
                          : !QFile::copy(entry.filePath(), target))
            return false;
    }
    return true;
}

} // namespace

TEST(ReadOnly, AWholeSessionWritesNothingAnywhere)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString lesson = dir.filePath(QStringLiteral("lesson"));
    for (const char *folder : {"data", "pic", "voice"})
        ASSERT_TRUE(copyFolder(QStringLiteral(PIKOMOJI_CONTENT_DIR "/") + QLatin1String(folder),
            lesson + u'/' + QLatin1String(folder)));

    // Every place a desktop program keeps settings, caches or state, each empty to begin with.
    const char *homes[] = {"HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME", "XDG_DATA_HOME",
        "XDG_STATE_HOME", "XDG_RUNTIME_DIR", "TMPDIR"};
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char *name : homes) {
        const QString folder = dir.filePath(QStringLiteral("env/") + QLatin1String(name));
        QDir().mkpath(folder);
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        environment.insert(QLatin1String(name), folder);
    }
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("SDL_AUDIODRIVER"), QStringLiteral("dummy"));

    const QStringList before = snapshot(lesson);
    ASSERT_GT(before.size(), 40) << "the starter lesson was copied";

    QProcess program;
    program.setProcessEnvironment(environment);
    program.setWorkingDirectory(dir.filePath(QStringLiteral("env/HOME")));
    program.start(QStringLiteral(PIKOMOJI_PLAYTHROUGH), {lesson});
    ASSERT_TRUE(program.waitForFinished(240'000)) << "the session did not end";
    const QString out = QString::fromLocal8Bit(program.readAllStandardOutput());
    const QString err = QString::fromLocal8Bit(program.readAllStandardError());
    ASSERT_EQ(program.exitStatus(), QProcess::NormalExit) << err.toStdString();
    EXPECT_EQ(program.exitCode(), 0) << err.toStdString();
    EXPECT_TRUE(out.startsWith(QStringLiteral("words 20 marks 40 misses 5 "))) << out.toStdString();

    EXPECT_EQ(snapshot(lesson), before) << "the lesson's folders are untouched";
    for (const char *name : homes)
        EXPECT_EQ(everythingUnder(environment.value(QLatin1String(name))), QStringList()) << name;
}
