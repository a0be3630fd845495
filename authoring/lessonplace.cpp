#include "authoring/lessonplace.h"

#include "core/contentfile.h"
#include "core/lessonnames.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRandomGenerator>
#include <QSet>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace LessonPlace {
namespace {

// The largest file the maker ever makes is a picture of a few hundred kilobytes; one larger than
// this cannot be one of its own.
constexpr qint64 LargestMadeBytes = 16 * 1024 * 1024;

QByteArray encoded(const QString &path)
{
    return QFile::encodeName(path);
}

QString systemReason(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

volatile std::sig_atomic_t stopSignal = 0;

void noteStop(int signal)
{
    stopSignal = signal;
}

// While it lives, SIGTERM, SIGINT and SIGHUP only note that the run is to stop; place() clears
// what it has half made and returns, and the signal is raised again once the old handlers are
// back, so that the maker ends as the signal asks.
class SignalGuard
{
public:
    SignalGuard()
    {
        struct sigaction noting = {};
        noting.sa_handler = noteStop; // no SA_RESTART: a wait for the lock ends with EINTR
        sigemptyset(&noting.sa_mask);
        for (size_t i = 0; i < std::size(Signals); ++i)
            sigaction(Signals[i], &noting, &m_old[i]);
    }
    ~SignalGuard()
    {
        for (size_t i = 0; i < std::size(Signals); ++i)
            sigaction(Signals[i], &m_old[i], nullptr);
        if (const int signal = stopSignal) {
            stopSignal = 0;
            ::raise(signal);
        }
    }
    SignalGuard(const SignalGuard &) = delete;
    SignalGuard &operator=(const SignalGuard &) = delete;

private:
    static constexpr int Signals[] = {SIGTERM, SIGINT, SIGHUP};
    struct sigaction m_old[std::size(Signals)] = {};
};

// A descriptor closed when it goes; closing the parent folder's descriptor drops its lock.
struct Descriptor
{
    int fd = -1;
    ~Descriptor()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

// The hidden folder being made, removed when it goes unless it has become the lesson.
struct Scratch
{
    QString path;
    ~Scratch()
    {
        if (!path.isEmpty())
            QDir(path).removeRecursively(); // removes links, never what they lead to
    }
};

QString digest(const QByteArray &bytes)
{
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());
}

// The files a previous run made, by relative path, with the digests of their bytes.
QHash<QString, QString> readMadeList(const QString &lesson)
{
    QHash<QString, QString> made;
    const ContentFile::Contents list = ContentFile::read(
        lesson + u'/' + QLatin1StringView(MadeListName), 64 * 1024, ContentFile::Oversize::Refuse);
    for (const QByteArray &line : list.bytes.split('\n')) {
        const qsizetype space = line.indexOf(' ');
        if (space > 0)
            made.insert(
                QString::fromUtf8(line.mid(space + 1)), QString::fromLatin1(line.left(space)));
    }
    return made;
}

// Whether `path` (relative `relative`) is still as a previous run made it.
bool madeByUs(const QHash<QString, QString> &made, const QString &path, const QString &relative)
{
    // The maker writes only these; a list naming anything else was not written by it.
    const bool madeKind
        = relative == LessonNames::inDir(LessonNames::dataDir(), LessonNames::lessonFile())
        || (relative.startsWith(LessonNames::picDir() + u'/') && relative.count(u'/') == 1);
    const auto it = made.constFind(relative);
    if (!madeKind || it == made.constEnd())
        return false;
    const ContentFile::Contents contents
        = ContentFile::read(path, LargestMadeBytes, ContentFile::Oversize::Refuse);
    return contents.read() && digest(contents.bytes) == *it;
}

bool copyFile(const QString &from, const QString &to, const struct stat &status)
{
    const ContentFile::Contents contents
        = ContentFile::read(from, status.st_size, ContentFile::Oversize::Refuse);
    if (!contents.read())
        return false;
    const int fd = ::open(
        encoded(to).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, status.st_mode & 07777);
    if (fd < 0)
        return false;
    const bool written = ::write(fd, contents.bytes.constData(), size_t(contents.bytes.size()))
        == contents.bytes.size();
    return ::close(fd) == 0 && written;
}

struct CarryOver
{
    const QHash<QString, QString> &made;
    const QHash<QString, bool> &newFiles; // relative path → keepExisting
    QSet<QString> kept; // new files left out because a parent's file stands in their place
    QString error;

    // Carries everything of `from` that is not the maker's own into `to`, which exists.
    bool carry(const QString &from, const QString &to, const QString &relative)
    {
        DIR *dir = ::opendir(encoded(from).constData());
        if (!dir) {
            error = errno == EACCES
                ? QStringLiteral("「%1」を読む権限がありません。").arg(from)
                : QStringLiteral("「%1」を読めません（%2）。").arg(from, systemReason(errno));
            return false;
        }
        bool ok = true;
        while (dirent *entry = ::readdir(dir)) {
            const QString name = QFile::decodeName(entry->d_name);
            if (name == u"." || name == u".."
                || (relative.isEmpty() && name == QLatin1StringView(MadeListName)))
                continue;
            ok = carryEntry(from + u'/' + name, to + u'/' + name,
                relative.isEmpty() ? name : relative + u'/' + name);
            if (!ok)
                break;
        }
        ::closedir(dir);
        return ok;
    }

    bool carryEntry(const QString &from, const QString &to, const QString &relative)
    {
        struct stat status;
        if (::lstat(encoded(from).constData(), &status) != 0)
            return fail(from, errno);
        if (S_ISDIR(status.st_mode)) {
            // Its mode is set once it is filled, so that a read-only folder can be filled.
            return (::mkdir(encoded(to).constData(), 0700) == 0 || fail(to, errno))
                && carry(from, to, relative)
                && (::chmod(encoded(to).constData(), status.st_mode & 07777) == 0
                    || fail(to, errno));
        }
        if (madeByUs(made, from, relative))
            return true; // the maker's own: made anew, or gone with its word
        if (newFiles.contains(relative)) {
            if (newFiles.value(relative))
                kept.insert(relative);
            else if (relative
                != LessonNames::inDir(LessonNames::dataDir(), LessonNames::lessonFile())) {
                error = QStringLiteral(
                    "「%1」は pikomoji-lesson が作ったものではないので、置きかえません。"
                    "名前を変えるか、いらなければ消してから、もう一度作ってください。")
                            .arg(from);
                return false;
            } else {
                return true; // the lesson file is what --force replaces
            }
        }
        if (::link(encoded(from).constData(), encoded(to).constData()) == 0)
            return true;
        // A file system without hard links, or a file of another user's: copied.
        if (S_ISREG(status.st_mode) && copyFile(from, to, status))
            return true;
        if (S_ISLNK(status.st_mode)) {
            char target[4096];
            const ssize_t size = ::readlink(encoded(from).constData(), target, sizeof target - 1);
            if (size >= 0) {
                target[size] = '\0';
                if (::symlink(target, encoded(to).constData()) == 0)
                    return true;
            }
        }
        return fail(from, errno);
    }

    bool fail(const QString &path, int number)
    {
        error = number == EACCES || number == EPERM
            ? QStringLiteral("「%1」を読む権限がありません。").arg(path)
            : QStringLiteral("「%1」を移せません（%2）。").arg(path, systemReason(number));
        return false;
    }
};

// The message for a failed write into the lesson `target`: a full disk names the destination,
// since the hidden folder's name would mean nothing to the parent.
QString writeError(const QString &target, int number)
{
    if (number == ENOSPC || number == EDQUOT)
        return QStringLiteral("「%1」を書く空きがありません（ディスクがいっぱいです）。"
                              "空きを作ってから、もう一度作ってください。")
            .arg(target);
    if (number == EACCES || number == EPERM || number == EROFS)
        return QStringLiteral("「%1」に書く権限がありません。").arg(target);
    return QStringLiteral("「%1」に書けません（%2）。").arg(target, systemReason(number));
}

// Writes a new file; 0, or the system's error number.
int writeNew(const QString &path, const QByteArray &bytes)
{
    // O_NOFOLLOW and O_EXCL: never through a link a parent's folder holds.
    const int fd = ::open(
        encoded(path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0)
        return errno;
    const char *at = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, at, size_t(left));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            const int error = written < 0 ? errno : ENOSPC;
            ::close(fd);
            return error;
        }
        at += written;
        left -= written;
    }
    // On the disk before the swap, so that a power cut after it cannot leave empty files; some
    // file systems report a full disk only here or at close.
    const int synced = ::fdatasync(fd) == 0 ? 0 : errno;
    const int closed = ::close(fd) == 0 ? 0 : errno;
    return synced == EINVAL ? closed : (synced ? synced : closed);
}

// A folder of the lesson to write into: made if missing, refused if it is not a real folder.
int folderFor(const QString &path)
{
    struct stat status;
    if (::lstat(encoded(path).constData(), &status) == 0)
        return S_ISDIR(status.st_mode) ? 0 : ENOTDIR;
    return ::mkdir(encoded(path).constData(), 0777) == 0 ? 0 : errno;
}

} // namespace

void reachedStep(Step step)
{
    const QByteArray stop = qgetenv("PIKOMOJI_LESSON_STOP_AT");
    const qsizetype colon = stop.indexOf(':');
    if (colon > 0 && stop.left(colon) == StepNames[int(step)])
        ::raise(stop.mid(colon + 1).toInt());
}

Outcome place(const QString &target, const QList<File> &files, bool replace,
    const std::function<void()> &waiting)
{
    SignalGuard signals; // declared first: it raises a noted signal after the rest is cleared
    const QString lesson = QDir::cleanPath(QFileInfo(target).absoluteFilePath());
    const QString parent = QFileInfo(lesson).path();
    const QString name = QFileInfo(lesson).fileName();
    auto failed = [](const QString &why) { return Outcome{false, why}; };
    const Outcome stopped = failed(QStringLiteral("とめられました。"));

    if (!QDir().mkpath(parent))
        return failed(QStringLiteral("フォルダ「%1」を作れません。").arg(parent));
    Descriptor lock{::open(encoded(parent).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)};
    if (lock.fd < 0)
        return failed(
            QStringLiteral("フォルダ「%1」を開けません（%2）。").arg(parent, systemReason(errno)));
    if (::flock(lock.fd, LOCK_EX | LOCK_NB) != 0) {
        if (waiting)
            waiting();
        while (::flock(lock.fd, LOCK_EX) != 0)
            if (errno != EINTR || stopSignal)
                return stopSignal ? stopped
                                  : failed(QStringLiteral("「%1」をロックできません（%2）。")
                                               .arg(parent, systemReason(errno)));
    }
    reachedStep(Step::Locked);

    // What an earlier run killed mid-way left; no other maker is at work here while we hold the
    // lock.
    const QString hidden = u'.' + name + QStringLiteral(".pikomoji-lesson-");
    for (const QString &left :
        QDir(parent).entryList({hidden + u'*'}, QDir::AllEntries | QDir::Hidden | QDir::System))
        if (!QDir(parent + u'/' + left).removeRecursively())
            QFile::remove(parent + u'/' + left);

    struct stat existing;
    const bool exists = ::lstat(encoded(lesson).constData(), &existing) == 0;
    if (exists && S_ISLNK(existing.st_mode))
        return failed(QStringLiteral("「%1」はシンボリックリンクなので、置きかえません。"
                                     "リンク先のフォルダを指定してください。")
                          .arg(lesson));
    if (exists && !replace)
        return failed(QStringLiteral("「%1」はもうあります。置きかえるときは --force を"
                                     "つけてください。")
                          .arg(lesson));
    if (exists && !S_ISDIR(existing.st_mode))
        return failed(QStringLiteral("「%1」はフォルダではありません。").arg(lesson));
    if (stopSignal)
        return stopped;

    Scratch scratch;
    for (int attempt = 0; scratch.path.isEmpty(); ++attempt) {
        const QString path
            = parent + u'/' + hidden + QString::number(QRandomGenerator::global()->generate(), 36);
        if (::mkdir(encoded(path).constData(), 0777) == 0) // the umask gives the mode
            scratch.path = path;
        else if (errno != EEXIST || attempt > 100)
            return failed(writeError(lesson, errno));
    }
    reachedStep(Step::MadeFolder);

    QHash<QString, bool> newFiles;
    for (const File &file : files)
        newFiles.insert(file.path, file.keepExisting);
    const QHash<QString, QString> made = exists ? readMadeList(lesson) : QHash<QString, QString>();
    CarryOver carried{made, newFiles, {}, {}};
    if (exists) {
        if (!carried.carry(lesson, scratch.path, QString()))
            return failed(carried.error);
        ::chmod(encoded(scratch.path).constData(), existing.st_mode & 07777);
        reachedStep(Step::CarriedOver);
    }
    if (stopSignal)
        return stopped;

    QByteArray list;
    for (qsizetype i = 0; i < files.size(); ++i) {
        const File &file = files[i];
        if (carried.kept.contains(file.path))
            continue;
        const QString path = scratch.path + u'/' + file.path;
        if (const int error = folderFor(QFileInfo(path).path()))
            return failed(error == ENOTDIR ? QStringLiteral("「%1」がフォルダではありません。")
                                                 .arg(lesson + u'/' + QFileInfo(file.path).path())
                                           : writeError(lesson, error));
        if (const int error = writeNew(path, file.bytes))
            return failed(writeError(lesson, error));
        list += digest(file.bytes).toLatin1() + ' ' + file.path.toUtf8() + '\n';
        if (i == 0)
            reachedStep(Step::WroteData);
        if (stopSignal)
            return stopped;
    }
    reachedStep(Step::WrotePictures);
    if (const int error = writeNew(scratch.path + u'/' + QLatin1StringView(MadeListName), list))
        return failed(writeError(lesson, error));
    reachedStep(Step::WroteList);
    if (stopSignal)
        return stopped;

    // The one step that others see: the lesson is the old one before it and the new one after.
    if (::renameat2(AT_FDCWD, encoded(scratch.path).constData(), AT_FDCWD,
            encoded(lesson).constData(), exists ? RENAME_EXCHANGE : RENAME_NOREPLACE)
        != 0)
        return failed(
            QStringLiteral("「%1」を置きかえられません（%2）。").arg(lesson, systemReason(errno)));
    reachedStep(Step::Swapped);
    if (!exists)
        scratch.path.clear(); // it is the lesson now
    else if (QDir(scratch.path).removeRecursively()) // the old lesson, now hidden
        scratch.path.clear();
    reachedStep(Step::RemovedOld);
    return {true, {}};
}

} // namespace LessonPlace
