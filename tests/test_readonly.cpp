// The program only ever reads: a whole session on a copy of the starter lesson, run as its own
// process with its clips played through SDL's dummy driver, leaves the copy exactly as it was and
// writes nothing where a desktop keeps settings, caches or state.

#include "testsupport.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QProcess>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {
constexpr QDir::Filters Everything
    = QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System;

// One line for `root` and each entry under it: path, size, modification time (ns), SHA-256.
QStringList snapshot(const QString &root)
{
    QStringList lines;
    QDirIterator it(root, Everything, QDirIterator::Subdirectories);
    for (QString path = root; !path.isEmpty(); path = it.hasNext() ? it.next() : QString()) {
        struct stat status = {};
        lstat(QFile::encodeName(path).constData(), &status);
        QFile file(path);
        const QByteArray bytes = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        const qint64 nanoseconds = status.st_mtim.tv_sec * 1'000'000'000LL + status.st_mtim.tv_nsec;
        lines << QStringList{path, QString::number(status.st_size), QString::number(nanoseconds),
            QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex()}
                     .join(u' ');
    }
    lines.sort();
    return lines;
}
} // namespace

TEST(ReadOnly, AWholeSessionWritesNothingAnywhere)
{
    QTemporaryDir dir;
    const QString lesson = dir.filePath(QStringLiteral("lesson"));
    const QStringList copy{QStringLiteral("-R"), QStringLiteral(PIKOMOJI_CONTENT_DIR), lesson};
    ASSERT_EQ(QProcess::execute(QStringLiteral("cp"), copy), 0);
    // Every clip cut to 5 ms: they are still read and played through the sound output, but the
    // session takes seconds instead of the half minute its real clips last.
    const QStringList clips = QDir(lesson + "/voice").entryList({"*.wav"});
    ASSERT_GT(clips.size(), 70);
    for (const QString &clip : clips) {
        QFile file(lesson + "/voice/" + clip);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(pcmWav(16, 22050, 1, 0.005));
    }

    // Every place a desktop program keeps settings, caches or state, each empty to begin with.
    // QT_QPA_PLATFORM is offscreen already, for the test itself.
    const QStringList homes{"HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME", "XDG_DATA_HOME",
        "XDG_STATE_HOME", "XDG_RUNTIME_DIR", "TMPDIR"};
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const QString &name : homes) {
        QDir().mkdir(dir.filePath(name), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        environment.insert(name, dir.filePath(name));
    }
    environment.insert(QStringLiteral("SDL_AUDIODRIVER"), QStringLiteral("dummy"));

    const QStringList before = snapshot(lesson);
    ASSERT_GT(before.size(), 40) << "the starter lesson was copied";
    QProcess program;
    program.setProcessEnvironment(environment);
    program.setWorkingDirectory(dir.filePath(QStringLiteral("HOME")));
    program.start(QStringLiteral(PIKOMOJI_PLAYTHROUGH), {lesson});
    ASSERT_TRUE(program.waitForFinished(240'000)) << "the session did not end";
    const std::string err = program.readAllStandardError().toStdString();
    EXPECT_TRUE(program.exitStatus() == QProcess::NormalExit && program.exitCode() == 0) << err;
    EXPECT_TRUE(program.readAllStandardOutput().startsWith("words 20 marks 40 misses 5 ")) << err;

    EXPECT_EQ(snapshot(lesson), before) << "the lesson's copy is untouched";
    for (const QString &name : homes)
        EXPECT_EQ(QDir(dir.filePath(name)).entryList(Everything), QStringList())
            << name.toStdString();
}
