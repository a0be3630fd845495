#pragma once

#include <QByteArray>
#include <QString>

// Reads a file that a lesson brings: its lesson file, a picture or a clip. A lesson comes from a
// download or another parent, so the name may lead to a FIFO (opening it waits for a writer for
// ever), a device such as /dev/zero (it never ends) or a folder. Only a regular file is read, it
// is opened without waiting, and never more than a given number of bytes is read from it.
namespace ContentFile {

struct Contents
{
    enum class Status {
        Read,
        Missing, // no such file, or the path is empty (an unsafe name gives one)
        NotRegularFile, // a FIFO, device, socket or folder: never read
        TooBig, // larger than the limit, with Oversize::Refuse
        CannotOpen, // no permission, or the system would not open it
    };
    Status status = Status::Missing;
    QByteArray bytes; // at most the limit
    bool cut = false; // the file holds more than `bytes` (Oversize::Cut)
    qint64 size = 0; // the file's size in bytes, as the system reported it on opening
    QString reason; // why it was not read, in Japanese, with the system's reason if it gave one

    bool read() const { return status == Status::Read; }
};

enum class Oversize {
    Cut, // read the first `limit` bytes and set `cut`
    Refuse, // read nothing: TooBig
};

Contents read(const QString &path, qint64 limit, Oversize oversize);

} // namespace ContentFile
