#include "authoring/emojipicture.h"

#include <QFontMetrics>
#include <QPainter>
#include <QRadialGradient>

#include <QtMath>

#include <cmath>

namespace {

// The emoji fills this share of the picture's side; the rest is background.
constexpr double EmojiShare = 0.80;
// Noto Color Emoji holds bitmaps drawn at 109 px per em; asking for that size gets them unscaled.
// They are smaller than the picture and are scaled up smoothly.
constexpr int EmojiStrikePixels = 109;

// Pale backgrounds: a yellow moon does not sit on cream.
const QColor Backgrounds[] = {
    QColor(255, 244, 214), // cream
    QColor(222, 240, 255), // sky
    QColor(226, 246, 222), // mint
    QColor(255, 228, 236), // blossom
    QColor(236, 230, 255), // lavender
    QColor(255, 236, 220), // peach
};

QFont emojiFont()
{
    QFont font(QStringLiteral("Noto Color Emoji"));
    font.setPixelSize(EmojiStrikePixels);
    // Without this a missing emoji would quietly come from some other font, in black and white.
    font.setStyleStrategy(QFont::NoFontMerging);
    return font;
}

// The emoji drawn at the font's own size on a transparent image, cropped to its pixels.
std::optional<QImage> drawEmoji(const QString &emoji, QString *error)
{
    const QFont font = emojiFont();
    const QFontMetrics metrics(font);
    for (char32_t codePoint : emoji.toUcs4()) {
        const bool joiner = codePoint == 0xFE0F || codePoint == 0x200D;
        if (!joiner && !metrics.inFontUcs4(codePoint)) {
            *error = QStringLiteral(
                "絵文字のフォント（Noto Color Emoji）に「%1」（U+%2）がありません。")
                         .arg(emoji)
                         .arg(quint32(codePoint), 4, 16, QChar(u'0'));
            return std::nullopt;
        }
    }
    const int side = EmojiStrikePixels * 2;
    QImage canvas(side, side, QImage::Format_ARGB32_Premultiplied);
    canvas.fill(Qt::transparent);
    {
        QPainter painter(&canvas);
        painter.setFont(font);
        painter.drawText(canvas.rect(), Qt::AlignCenter, emoji);
    }
    // Crop to what was drawn, and make sure it came out in colour: without colour bitmap
    // support the glyph is drawn with the pen, all black, or not at all.
    QRect box;
    int notPen = 0;
    for (int y = 0; y < side; ++y) {
        const QRgb *line = reinterpret_cast<const QRgb *>(canvas.constScanLine(y));
        for (int x = 0; x < side; ++x) {
            if (qAlpha(line[x]) < 16)
                continue;
            box |= QRect(x, y, 1, 1);
            if (QColor::fromRgba(line[x]).value() > 96)
                ++notPen;
        }
    }
    if (box.isEmpty() || notPen < side) {
        *error = QStringLiteral("絵文字「%1」を色つきで描けません（fonts-noto-color-emoji "
                                "がインストールされていないかもしれません）。")
                     .arg(emoji);
        return std::nullopt;
    }
    return canvas.copy(box);
}

// The emoji's main hue in degrees, from its clearly coloured pixels; nullopt for an emoji in
// greys (the ant, the eyes), which goes with any background.
std::optional<double> mainHue(const QImage &glyph)
{
    double x = 0;
    double y = 0;
    double weight = 0;
    for (int row = 0; row < glyph.height(); ++row) {
        const QRgb *line = reinterpret_cast<const QRgb *>(glyph.constScanLine(row));
        for (int column = 0; column < glyph.width(); ++column) {
            const QColor colour = QColor::fromRgba(line[column]);
            if (colour.alpha() < 128 || colour.hsvSaturation() < 60)
                continue;
            const double w = colour.hsvSaturationF();
            const double angle = qDegreesToRadians(colour.hsvHueF() * 360.0);
            x += w * std::cos(angle);
            y += w * std::sin(angle);
            weight += w;
        }
    }
    // Under a tenth of the glyph's pixels' worth of colour: call it grey.
    if (weight < 0.1 * glyph.width() * glyph.height())
        return std::nullopt;
    return qRadiansToDegrees(std::atan2(y, x));
}

double hueDistance(double a, double b)
{
    const double d = std::fmod(std::abs(a - b), 360.0);
    return d > 180.0 ? 360.0 - d : d;
}

// Picks the background for the picture at `position`; `previous` is the one before it.
QColor chooseBackground(const QImage &glyph, qsizetype position, const QColor &previous)
{
    const qsizetype count = std::size(Backgrounds);
    const std::optional<double> hue = mainHue(glyph);
    QColor best;
    double bestDistance = -1;
    for (qsizetype i = 0; i < count; ++i) {
        // Starting the search at `position` spreads the colours over the grey emoji.
        const QColor &candidate = Backgrounds[(position + i) % count];
        if (candidate == previous)
            continue;
        const double distance = hue ? hueDistance(*hue, candidate.hsvHueF() * 360.0) : 0.0;
        if (distance > bestDistance) {
            best = candidate;
            bestDistance = distance;
        }
    }
    return best;
}

QImage drawPicture(const QImage &glyph, const QColor &background)
{
    const int size = EmojiPicture::Size;
    QImage picture(size, size, QImage::Format_RGB32);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    // Reaches full colour a little inside the corners (the radius is 0.72 of the side, the
    // corners lie at 0.71).
    QRadialGradient glow(QRectF(picture.rect()).center(), size * 0.72);
    glow.setColorAt(0.0, Qt::white);
    glow.setColorAt(0.3, Qt::white);
    glow.setColorAt(0.85, background);
    painter.fillRect(picture.rect(), glow);

    const int box = qRound(size * EmojiShare);
    const QImage scaled = glyph.scaled(box, box, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    painter.drawImage((size - scaled.width()) / 2, (size - scaled.height()) / 2, scaled);
    painter.end();
    return picture;
}

} // namespace

std::optional<QImage> EmojiPicture::draw(const QString &emoji, QString *error)
{
    const std::optional<QImage> glyph = drawEmoji(emoji, error);
    if (!glyph)
        return std::nullopt;
    const QColor background = chooseBackground(*glyph, m_position++, m_previous);
    m_previous = background;
    return drawPicture(*glyph, background);
}
