#include "widgets/assets.h"

namespace Assets {

QIcon programIcon()
{
    QIcon icon;
    for (int size : {16, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/assets/icon-%1.png").arg(size), QSize(size, size));
    return icon;
}

QPixmap starPicture()
{
    return QPixmap(QStringLiteral(":/assets/star.gif"));
}
QPixmap celebrationPicture()
{
    return QPixmap(QStringLiteral(":/assets/celebration.jpg"));
}

} // namespace Assets
