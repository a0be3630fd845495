#pragma once

#include <QIcon>
#include <QPixmap>

// Artwork stored inside the program (assets/, embedded through assets.qrc).
namespace Assets {
QIcon programIcon(); // a white window with a cyan title bar; serves all three screens
QPixmap starPicture(); // 96 × 91, on "もんだい"
QPixmap celebrationPicture(); // 170 × 170, shown when a word is finished
} // namespace Assets
