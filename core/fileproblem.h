#pragma once

#include <QString>

// Why a file a lesson brings (its lesson file, a picture, a clip) cannot be used, or can be used
// only in part. Every reader of such a file says it this way: what went wrong, which file, and
// why in a sentence a parent can act on. The lesson checker names each kind in its report; the
// program shows `why`.
struct FileProblem
{
    enum class Kind {
        UnsafeName, // the name holds /, \, a control character or is . or ..: it names no file
        Missing, // no such file, or the path is empty
        CannotOpen, // no permission, or the system would not open it
        NotRegularFile, // a FIFO, device, socket or folder: never read
        OutsideFolder, // a link that leads out of the file's folder: never opened
        TooBig, // more bytes than its reader takes
        Empty, // 0 bytes, a lesson file without a field, a clip without a frame
        EndsEarly, // cut short: a picture's data, a clip's frames, a lesson file inside a row
        WrongFormat, // not a picture or not WAV, or a format or kind of one that is not read
        TooCostly, // decoding would take too long or too much memory, by its headers
        BadHeader, // its header contradicts itself, so its cost cannot be judged
        Undecodable, // the decoder gave up on it, or there is no decoder to give it to
    };

    Kind kind = Kind::Missing;
    QString path; // as the reader was given it; empty for an unsafe name or bytes from no file
    QString why; // in Japanese, without the file's name

    // The file's name and why, on one line, as a message names a file.
    QString text() const { return path.isEmpty() ? why : path + QStringLiteral(": ") + why; }

    bool operator==(const FileProblem &) const = default;
};
