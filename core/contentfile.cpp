#include "core/contentfile.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ContentFile {
namespace {
using Kind = FileProblem::Kind;

QString systemReason(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

QString missing()
{
    return QStringLiteral("ファイルがありません。");
}

QString cannotOpen(int error)
{
    if (error == EACCES || error == EPERM)
        return QStringLiteral("読む権限がありません。");
    return QStringLiteral("ファイルを開けません（%1）。").arg(systemReason(error));
}

// Closes a descriptor when it goes out of scope.
struct Descriptor
{
    int fd = -1;
    explicit Descriptor(int opened)
        : fd(opened)
    { }
    ~Descriptor()
    {
        if (fd >= 0)
            ::close(fd);
    }
    Descriptor(const Descriptor &) = delete;
    Descriptor &operator=(const Descriptor &) = delete;
};

QByteArray realPath(const QByteArray &path)
{
    char *real = ::realpath(path.constData(), nullptr);
    if (!real)
        return {};
    QByteArray result(real);
    std::free(real);
    return result;
}

QByteArray procPath(int fd)
{
    return "/proc/self/fd/" + QByteArray::number(fd);
}

// Where the object `fd` is open on really is: the kernel's own name for it, so no link or
// renamed folder can make it look elsewhere. Without /proc, the name's real path, if it still
// leads to that very object.
QByteArray placeOf(int fd, const QByteArray &name, const struct stat &object)
{
    char place[PATH_MAX];
    const ssize_t length = ::readlink(procPath(fd).constData(), place, sizeof place);
    if (length > 0 && length < ssize_t(sizeof place))
        return QByteArray(place, length);
    const QByteArray real = realPath(name);
    struct stat there;
    if (real.isEmpty() || ::stat(real.constData(), &there) != 0 || there.st_dev != object.st_dev
        || there.st_ino != object.st_ino)
        return {};
    return real;
}

bool inside(const QByteArray &place, const QByteArray &folder)
{
    return !place.isEmpty() && !folder.isEmpty()
        && (folder == "/" || place == folder || place.startsWith(folder + '/'));
}

Opened failed(const QString &path, Kind kind, const QString &why)
{
    Opened opened;
    opened.problem = FileProblem{kind, path, why};
    return opened;
}
} // namespace

Opened open(const QString &path)
{
    if (path.isEmpty())
        return failed(path, Kind::Missing, missing());
    const QByteArray name = QFile::encodeName(path);
    // O_PATH reads nothing and opens nothing: a FIFO is not waited on and a device is not
    // started. It only says what the name leads to, every link followed.
    const Descriptor place(::open(name.constData(), O_PATH | O_CLOEXEC));
    if (place.fd < 0) {
        const int error = errno;
        return error == ENOENT || error == ENOTDIR
            ? failed(path, Kind::Missing, missing())
            : failed(path, Kind::CannotOpen, cannotOpen(error));
    }
    struct stat object;
    if (::fstat(place.fd, &object) != 0)
        return failed(path, Kind::CannotOpen, cannotOpen(errno));
    const qsizetype slash = name.lastIndexOf('/');
    const QByteArray folder = slash < 0 ? QByteArray(".") : slash == 0 ? "/" : name.left(slash);
    if (!inside(placeOf(place.fd, name, object), realPath(folder)))
        return failed(path, Kind::OutsideFolder,
            QStringLiteral("フォルダの外にあるファイルへのリンクなので、開きません。"));
    if (!S_ISREG(object.st_mode))
        return failed(path, Kind::NotRegularFile,
            QStringLiteral("ふつうのファイルではありません（FIFO、デバイス、フォルダなど）。"));

    // Opened again through the descriptor that was judged, so a name pointed elsewhere since
    // changes nothing. Without /proc the name is opened, without waiting, and must still lead
    // to the same file.
    int fd = ::open(procPath(place.fd).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0 && errno == ENOENT)
        fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return failed(path, Kind::CannotOpen, cannotOpen(errno));
    struct stat opened;
    if (::fstat(fd, &opened) != 0 || opened.st_dev != object.st_dev
        || opened.st_ino != object.st_ino) {
        ::close(fd);
        return failed(path, Kind::CannotOpen, cannotOpen(EAGAIN));
    }
    Opened result;
    result.file = std::make_unique<QFile>();
    if (!result.file->open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return failed(path, Kind::CannotOpen,
            QStringLiteral("ファイルを開けません（%1）。").arg(result.file->errorString()));
    }
    result.size = opened.st_size;
    return result;
}

Contents read(const QString &path, qint64 limit, Oversize oversize)
{
    Opened opened = open(path);
    Contents contents;
    contents.problem = opened.problem;
    if (!opened.opened())
        return contents;
    contents.size = opened.size;
    auto tooBig = [&](const QString &why) {
        Contents refused;
        refused.problem = FileProblem{Kind::TooBig, path, why};
        return refused;
    };
    if (contents.size > limit && oversize == Oversize::Refuse)
        return tooBig(QStringLiteral("ファイルが大きすぎます（%1 バイト）。").arg(contents.size));
    QFile &file = *opened.file;
    contents.bytes = file.read(limit);
    // A file may have grown since it was opened, or report no size at all (some under /proc).
    char more;
    contents.cut = file.read(&more, 1) == 1;
    if (contents.cut && oversize == Oversize::Refuse)
        return tooBig(QStringLiteral("ファイルが大きすぎます。"));
    return contents;
}

} // namespace ContentFile
