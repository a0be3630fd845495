#pragma once

#include "core/fileproblem.h"

#include <QByteArray>
#include <QFile>
#include <QString>

#include <memory>
#include <optional>

// Reads a file that a lesson brings: its lesson file, a picture or a clip. A lesson comes from a
// download or another parent, so the name may lead to a FIFO (opening it waits for a writer for
// ever), a device such as /dev/zero (it never ends), a folder, or through a symbolic link to a
// file elsewhere on the computer (a tar or zip carries links). Only a regular file whose real
// place is inside the folder it is named in is opened, it is opened without waiting, and never
// more than a given number of bytes is read from it.
namespace ContentFile {

// A file opened for reading, or why it was not.
struct Opened
{
    std::unique_ptr<QFile> file; // open for reading when there is no problem
    qint64 size = 0; // the file's size in bytes, as the system reported it on opening
    // Missing (an empty path too), CannotOpen (with the system's reason if it gave one),
    // NotRegularFile or OutsideFolder.
    std::optional<FileProblem> problem;

    bool opened() const { return !problem; }
};

// Opens the regular file at `path` for reading, if its real place (every link followed) is inside
// the folder `path` names it in, the part before its last '/'. A link to another file of the same
// folder is fine. What is opened is the very file that was judged, even if the name is pointed
// elsewhere meanwhile.
Opened open(const QString &path);

struct Contents
{
    QByteArray bytes; // at most the limit
    bool cut = false; // the file holds more than `bytes` (Oversize::Cut)
    qint64 size = 0; // the file's size in bytes, as the system reported it on opening
    std::optional<FileProblem> problem; // as open() says, or TooBig (Oversize::Refuse)

    bool read() const { return !problem; }
};

enum class Oversize {
    Cut, // read the first `limit` bytes and set `cut`
    Refuse, // read nothing: a TooBig problem
};

Contents read(const QString &path, qint64 limit, Oversize oversize);

} // namespace ContentFile
