#pragma once

#include "media/picture.h"

#include <QString>

// A lesson picture made from a photo or any other picture file: turned upright by its orientation
// tag, cut to its centre square and scaled to `side` × `side`. The file is read as the program
// reads pictures (Picture::load): decoded at about the size needed, and refused when it is not a
// picture, cut off or absurdly large. A picture with transparent parts is put on white. Besides
// what the program shows (JPEG, PNG...), phone photos in HEIC/HEIF (through libheif), WebP and
// TIFF are read; a file in any other format gets a message naming those that work.
namespace PhotoPicture {

// The picture, or why the file gives none.
Picture::Result load(const QString &path, int side);

} // namespace PhotoPicture
