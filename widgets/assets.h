#pragma once

#include <QIcon>
#include <QPixmap>

// Artwork stored inside the program (assets/, embedded through assets.qrc).
namespace Assets {
// The windows' icon: a white window with a cyan title bar; serves all three screens. (The desktop
// shows the program by its launcher icon, assets/launcher-*.png, installed, not embedded.)
QIcon programIcon();
// Drawn at twice the size they are laid out at (96 × 91 and 170 × 170), sharp at 2× and in full
// screen.
QPixmap starPicture(); // 192 × 182, on "もんだい"
QPixmap celebrationPicture(); // 340 × 340, shown when a word is finished
} // namespace Assets
