#pragma once

#include <QImage>
#include <QSize>
#include <QString>

#include <functional>

// Pictures for the image controls, read from their files at every use.
namespace Picture {

struct Result
{
    QImage image; // null when the load failed
    QString error; // names the file and says what went wrong; empty on success
    QString reason; // what went wrong, without the file's name
    bool ok() const { return !image.isNull(); }
};

// Reads the picture file at `path` for a control that shows it stretched to `size` (device
// pixels). The picture is decoded at about that size, not at its full size. Only a regular file
// is read, and a picture that would take too long or too much memory to decode is refused
// before decoding, with the reason. An empty path (what an unsafe name gives) names no file.
Result load(const QString &path, QSize size);

// Replaces what load() does, for tests. An empty function restores the real loader.
using Loader = std::function<Result(const QString &path, QSize size)>;
void setLoader(Loader loader);

} // namespace Picture
