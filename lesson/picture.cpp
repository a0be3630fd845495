#include "lesson/picture.h"

#include <QImageReader>

namespace Picture {
namespace {
Loader &replacement()
{
    static Loader loader;
    return loader;
}
} // namespace

Result load(const QString &path, QSize size)
{
    if (replacement())
        return replacement()(path, size);
    QImageReader reader(path);
    if (size.isValid())
        reader.setScaledSize(size);
    Result result;
    result.image = reader.read();
    if (result.image.isNull())
        result.error = QStringLiteral("%1: %2").arg(path, reader.errorString());
    return result;
}

void setLoader(Loader loader) { replacement() = std::move(loader); }

} // namespace Picture
