#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

#include <memory>

// Reads a file that a lesson brings: its lesson file, a picture or a clip. A lesson comes from a
// download or another parent, so the name may lead to a FIFO (opening it waits for a writer for
// ever), a device such as /dev/zero (it never ends), a folder, or through a symbolic link to a
// file elsewhere on the computer (a tar or zip carries links). Only a regular file whose real
// place is inside the folder it is named in is opened, it is opened without waiting, and never
// more than a given number of bytes is read from it.
namespace ContentFile {

enum class Status {
    Read,
    Missing, // no such file, or the path is empty (an unsafe name gives one)
    NotRegularFile, // a FIFO, device, socket or folder: never read
    OutsideFolder, // a link that leads out of the file's folder: never opened
    TooBig, // larger than the limit, with Oversize::Refuse
    CannotOpen, // no permission, or the system would not open it
};

// A file opened for reading, or why it was not.
struct Opened
{
    Status status = Status::Missing;
    std::unique_ptr<QFile> file; // open for reading when status is Read
    qint64 size = 0; // the file's size in bytes, as the system reported it on opening
    QString reason; // why it was not opened, in Japanese, with the system's reason if it gave one

    bool opened() const { return status == Status::Read; }
};

// Opens the regular file at `path` for reading, if its real place (every link followed) is inside
// the folder `path` names it in, the part before its last '/'. A link to another file of the same
// folder is fine. What is opened is the very file that was judged, even if the name is pointed
// elsewhere meanwhile.
Opened open(const QString &path);

struct Contents
{
    using Status = ContentFile::Status;
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
