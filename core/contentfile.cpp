#include "core/contentfile.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ContentFile {
namespace {
Contents failed(Contents::Status status, const QString &reason)
{
    Contents contents;
    contents.status = status;
    contents.reason = reason;
    return contents;
}

QString systemReason(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}
} // namespace

Contents read(const QString &path, qint64 limit, Oversize oversize)
{
    if (path.isEmpty())
        return failed(Contents::Status::Missing, QStringLiteral("ファイルがありません。"));
    // O_NONBLOCK: opening a FIFO for reading would otherwise wait until something writes to it.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        if (error == ENOENT || error == ENOTDIR)
            return failed(Contents::Status::Missing, QStringLiteral("ファイルがありません。"));
        if (error == EACCES || error == EPERM)
            return failed(Contents::Status::CannotOpen, QStringLiteral("読む権限がありません。"));
        return failed(Contents::Status::CannotOpen,
            QStringLiteral("ファイルを開けません（%1）。").arg(systemReason(error)));
    }
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return failed(Contents::Status::CannotOpen,
            QStringLiteral("ファイルを開けません（%1）。").arg(file.errorString()));
    }
    struct stat status;
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode))
        return failed(Contents::Status::NotRegularFile,
            QStringLiteral("ふつうのファイルではありません（FIFO、デバイス、フォルダなど）。"));
    // Regular files never block, so the descriptor's non-blocking flag changes nothing from here.
    Contents contents;
    contents.size = status.st_size;
    if (contents.size > limit && oversize == Oversize::Refuse)
        return failed(Contents::Status::TooBig,
            QStringLiteral("ファイルが大きすぎます（%1 バイト）。").arg(contents.size));
    contents.bytes = file.read(limit);
    // A file may have grown since it was opened, or report no size at all (some under /proc).
    char more;
    contents.cut = file.read(&more, 1) == 1;
    if (contents.cut && oversize == Oversize::Refuse)
        return failed(Contents::Status::TooBig, QStringLiteral("ファイルが大きすぎます。"));
    contents.status = Contents::Status::Read;
    return contents;
}

} // namespace ContentFile
