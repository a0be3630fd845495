#pragma once

#include "core/fileproblem.h"

#include <QImage>
#include <QSize>
#include <QString>

#include <functional>
#include <optional>

// Pictures for the image controls, read from their files at every use.
namespace Picture {

struct Result
{
    QImage image; // null when there is a problem
    std::optional<FileProblem> problem;
    bool ok() const { return !problem; }
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
