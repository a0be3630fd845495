// makeassets: draws the program's own artwork and writes it into assets/.
//
//   cmake --build build-art --target makeassets && build-art/tools/makeassets assets
//
// It writes star.gif (the star on "もんだい", 96 × 91 as the screen lays it out) and
// celebration.jpg (shown when a word is finished, 170 × 170 as laid out), both drawn at twice those
// sizes so that they stay sharp on a 2× display and in full screen; icon-16.png to icon-256.png
// (the windows' icon, a generic window, each size drawn on its own pixel grid); and the launcher
// icon the desktop shows for the program, launcher-16.png to launcher-512.png at every hicolor size
// and launcher.svg: a big rounded あ on a warm tile, with the smiling star of "もんだい".
//
// Needs, besides Qt: the font "MotoyaLMaru" (Debian fonts-motoya-l-maruberi) for the lettering of
// the celebration picture and the launcher's あ, and ImageMagick's `convert` on the PATH
// (`apt-get install imagemagick`), because Qt cannot write GIF:
// the star is drawn here, its edge flattened onto the button's face colour and its alpha cut to
// on/off, then `convert` turns that PNG into a 64-colour GIF without dithering.
//
// The output depends only on the fonts and the programs named above: there is no randomness and
// no timestamp, so a second run writes the same bytes. Runs on the offscreen platform; no
// display is needed.

#include <QDir>
#include <QFile>
#include <QFontInfo>
#include <QGuiApplication>
#include <QImage>
#include <QImageWriter>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPainterPathStroker>
#include <QProcess>
#include <QRadialGradient>
#include <QTemporaryDir>
#include <QTextStream>
#include <QtMath>

#include <array>
#include <cstdio>
#include <stdexcept>
#include <utility>
#include <vector>

namespace {

// The faces the pictures are seen on.
const QColor WindowColour(0xC0, 0xFF, 0xFF); // the quiz screen, behind the celebration picture
const QColor NextButtonFace(0xC0, 0xFF, 0xC0); // "もんだい", behind the star

const QString LetteringFamily = QStringLiteral("MotoyaLMaru");

// The pictures the screens show are drawn this many times the size they are laid out at.
constexpr int PictureScale = 2;

struct Failure : std::runtime_error
{
    using std::runtime_error::runtime_error;
};

QImage blankImage(QSize size, const QColor &fill)
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(fill);
    return image;
}

void setUpPainter(QPainter &painter)
{
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
}

// A star with `points` tips, the first one straight up; `inner` is the radius of the notches.
QPolygonF starPolygon(QPointF centre, int points, qreal outer, qreal inner, qreal turnDegrees = 0)
{
    QPolygonF polygon;
    for (int i = 0; i < 2 * points; ++i) {
        const qreal radius = i % 2 ? inner : outer;
        const qreal angle = qDegreesToRadians(-90.0 + turnDegrees + 180.0 * i / points);
        polygon << centre + QPointF(radius * qCos(angle), radius * qSin(angle));
    }
    return polygon;
}

// ---------------------------------------------------------------------------------------------
// The star of "もんだい"

namespace Star {
constexpr QSize Size{96, 91};
constexpr qreal NotchRatio = 0.48; // notch radius / tip radius; 0.38 is the sharp classic star
constexpr qreal Rounding = 8; // pixels: width of the round-joined pen that rounds the tips
constexpr qreal Outline = 2.5; // pixels of darker gold around the body
constexpr int AlphaCut = 64; // of 255: coverage below this becomes transparent in the GIF

const QColor OutlineGold(0xC8, 0x7C, 0x00);
const QColor EyeBlack(0x1A, 0x12, 0x08);
const QColor CheekPink(0xFF, 0x7A, 0xA8, 170);
const QColor SmileBrown(0x7A, 0x3A, 0x0E);
} // namespace Star

QImage drawStar()
{
    using namespace Star;
    QImage image = blankImage(Size * PictureScale, Qt::transparent);
    QPainter painter(&image);
    setUpPainter(painter);
    painter.scale(PictureScale, PictureScale);

    // Round joins grow every tip by `reach`; the star is sized so that the grown shape fills the
    // picture. Tips at ±18° set the width (2 cos 18° = 1.902), the top tip and the two feet at
    // 54° below the centre set the height (1 + sin 54° = 1.809).
    const qreal reach = Rounding / 2 + Outline;
    const qreal radius = qMin((Size.width() - 1 - 2 * reach) / (2 * qCos(qDegreesToRadians(18.0))),
        (Size.height() - 1 - 2 * reach) / (1 + qSin(qDegreesToRadians(54.0))));
    const qreal height = radius * (1 + qSin(qDegreesToRadians(54.0))) + 2 * reach;
    const QPointF centre(Size.width() / 2.0, (Size.height() - height) / 2 + reach + radius);
    const QPolygonF body = starPolygon(centre, 5, radius, radius * NotchRatio);

    QRadialGradient gold(centre + QPointF(-0.22 * radius, -0.38 * radius), 1.25 * radius);
    gold.setColorAt(0.0, QColor(0xFF, 0xF8, 0xB0));
    gold.setColorAt(0.35, QColor(0xFF, 0xE0, 0x40));
    gold.setColorAt(0.75, QColor(0xFF, 0xC4, 0x10));
    gold.setColorAt(1.0, QColor(0xF0, 0xA0, 0x00));

    painter.setPen(
        QPen(OutlineGold, Rounding + 2 * Outline, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(OutlineGold);
    painter.drawPolygon(body);
    painter.setPen(QPen(QBrush(gold), Rounding, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(gold);
    painter.drawPolygon(body);

    // A soft shine on the upper left arm, as on a balloon.
    painter.save();
    painter.translate(centre + QPointF(-0.40 * radius, -0.30 * radius));
    painter.rotate(-35);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(255, 255, 255, 130));
    painter.drawEllipse(QRectF(-0.16 * radius, -0.06 * radius, 0.32 * radius, 0.12 * radius));
    painter.restore();

    // The face, in units of the tip radius so that it stays in the middle of the body.
    const qreal u = radius / 42.0;
    const QPointF face = centre + QPointF(0, 5 * u);
    painter.setPen(Qt::NoPen);
    painter.setBrush(CheekPink);
    for (int side : {-1, 1})
        painter.drawEllipse(face + QPointF(side * 18 * u, 5 * u), 6.5 * u, 4.2 * u);
    for (int side : {-1, 1}) {
        const QPointF eye = face + QPointF(side * 9.5 * u, -7 * u);
        painter.setBrush(EyeBlack);
        painter.drawEllipse(eye, 4.0 * u, 5.6 * u);
        painter.setBrush(Qt::white);
        painter.drawEllipse(eye + QPointF(-1.2 * u, -2.2 * u), 1.5 * u, 1.7 * u);
    }
    QPainterPath smile(face + QPointF(-9 * u, 3 * u));
    smile.quadTo(face + QPointF(0, 16 * u), face + QPointF(9 * u, 3 * u));
    painter.setPen(QPen(SmileBrown, 3.2 * u, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(smile);
    painter.end();
    return image;
}

// GIF keeps a pixel or drops it. Half-covered edge pixels are mixed with the button's face
// here, so that the edge the child sees is smooth on that face instead of a dark fringe.
QImage flattenOntoFace(const QImage &picture, const QColor &face, int alphaCut)
{
    QImage out(picture.size(), QImage::Format_ARGB32);
    for (int y = 0; y < picture.height(); ++y) {
        const auto *in = reinterpret_cast<const QRgb *>(picture.constScanLine(y));
        auto *line = reinterpret_cast<QRgb *>(out.scanLine(y));
        for (int x = 0; x < picture.width(); ++x) {
            const QRgb p = in[x]; // premultiplied
            const int a = qAlpha(p);
            if (a < alphaCut) {
                line[x] = qRgba(0, 0, 0, 0);
                continue;
            }
            const auto mix = [&](int premultiplied, int faceChannel) {
                return qBound(0, premultiplied + (faceChannel * (255 - a) + 127) / 255, 255);
            };
            line[x] = qRgb(
                mix(qRed(p), face.red()), mix(qGreen(p), face.green()), mix(qBlue(p), face.blue()));
        }
    }
    return out;
}

// ---------------------------------------------------------------------------------------------
// The celebration picture

namespace Celebration {
constexpr QSize Size{170, 170};
constexpr int Quality = 90;

const QColor CheerRed(0xE8, 0x10, 0x20);
const QColor NextGreen(0x00, 0x98, 0x20);
const QColor ClickBlue(0x10, 0x40, 0xE0);
const QColor ArrowRed(0xF0, 0x18, 0x18);
const QColor ArrowEdge(0xA0, 0x00, 0x00);
const QColor BurstEdge(0xF0, 0xA0, 0x00);
} // namespace Celebration

QFont letteringFont()
{
    QFont font(LetteringFamily);
    font.setPixelSize(100);
    if (QFontInfo(font).family() != LetteringFamily)
        throw Failure(
            "the font \"MotoyaLMaru\" is not installed (Debian: fonts-motoya-l-maruberi)");
    return font;
}

// The outline of `text`, centred on the origin and as large as fits `box` (pixels, from the top
// of its tallest glyph to the bottom of its lowest), after squeezing it sideways by `widthRatio`.
QPainterPath textOutline(const QString &text, QSizeF box, qreal widthRatio = 1.0)
{
    QPainterPath path;
    path.addText(0, 0, letteringFont(), text);
    const QRectF bounds = path.boundingRect();
    const qreal scale
        = qMin(box.height() / bounds.height(), box.width() / (bounds.width() * widthRatio));
    QTransform transform;
    transform.scale(scale * widthRatio, scale);
    transform.translate(-bounds.center().x(), -bounds.center().y());
    return transform.map(path);
}

// Lettering a small child can read: the rounded face is thin, so the letters are thickened by
// stroking them in their own colour, and a white rim lifts them off busy backgrounds.
void drawLettering(
    QPainter &painter, const QPainterPath &outline, const QColor &colour, qreal boldness, qreal rim)
{
    if (rim > 0) {
        painter.setPen(
            QPen(Qt::white, boldness + 2 * rim, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter.setBrush(Qt::white);
        painter.drawPath(outline);
    }
    painter.setPen(QPen(colour, boldness, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(colour);
    painter.drawPath(outline);
}

void drawBurst(QPainter &painter, QPointF centre, qreal outer, qreal turnDegrees)
{
    using namespace Celebration;
    QRadialGradient glow(centre, outer);
    glow.setColorAt(0.0, QColor(0xFF, 0xFF, 0xD0));
    glow.setColorAt(0.45, QColor(0xFF, 0xF0, 0x30));
    glow.setColorAt(1.0, QColor(0xFF, 0xC8, 0x00));
    painter.setPen(QPen(BurstEdge, 1.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(glow);
    painter.drawPolygon(starPolygon(centre, 12, outer, outer * 0.70, turnDegrees));
}

// A thick arrow pointing straight down, its tip at `tip`.
QPainterPath downArrow(
    QPointF tip, qreal length, qreal headWidth, qreal headLength, qreal shaftWidth)
{
    const qreal x = tip.x();
    const qreal top = tip.y() - length;
    const qreal neck = tip.y() - headLength;
    QPainterPath path;
    path.moveTo(x - shaftWidth / 2, top);
    path.lineTo(x + shaftWidth / 2, top);
    path.lineTo(x + shaftWidth / 2, neck);
    path.lineTo(x + headWidth / 2, neck);
    path.lineTo(x, tip.y());
    path.lineTo(x - headWidth / 2, neck);
    path.lineTo(x - shaftWidth / 2, neck);
    path.closeSubpath();
    return path;
}

QImage drawCelebration()
{
    using namespace Celebration;
    QImage image = blankImage(Size * PictureScale, WindowColour);
    QPainter painter(&image);
    setUpPainter(painter);
    painter.scale(PictureScale, PictureScale);

    drawBurst(painter, {52, 47}, 44, 6);
    drawBurst(painter, {121, 41}, 39, 0);

    painter.save();
    painter.translate(85, 44);
    painter.rotate(-10);
    drawLettering(
        painter, textOutline(QStringLiteral("やったぁ!!"), {154, 38}, 0.92), CheerRed, 3, 2.5);
    painter.restore();

    painter.save();
    painter.translate(85, 104);
    drawLettering(
        painter, textOutline(QStringLiteral("つぎのもんだい"), {156, 21}, 0.96), NextGreen, 1.8, 0);
    painter.restore();

    painter.save();
    painter.translate(58, 146);
    drawLettering(
        painter, textOutline(QStringLiteral("くりっくだよ！"), {108, 20}, 0.85), ClickBlue, 1.6, 0);
    painter.restore();

    const QPainterPath arrow = downArrow({138, 168}, 56, 48, 26, 20);
    QLinearGradient red(128, 0, 148, 0);
    red.setColorAt(0, QColor(0xFF, 0x50, 0x40));
    red.setColorAt(1, ArrowRed);
    painter.setPen(QPen(ArrowEdge, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(red);
    painter.drawPath(arrow);
    painter.end();
    return image;
}

// ---------------------------------------------------------------------------------------------
// The program icon: a white window with a cyan title bar

// Each size is laid out on whole pixels so that its edges stay sharp; all lengths in pixels.
struct IconLayout
{
    int size;
    int inset; // left and right of the window
    int top; // above the window; the same below, less the shadow
    int border; // frame width
    int titleBar; // height of the cyan bar inside the frame
    int radius; // outer corner radius
    int shadow; // drop shadow offset
    int buttonCount; // title-bar buttons drawn at the right
};

constexpr std::array<IconLayout, 6> IconLayouts{{
    {16, 0, 1, 1, 3, 0, 0, 0},
    {32, 1, 3, 1, 7, 2, 1, 1},
    {48, 2, 5, 2, 10, 3, 1, 3},
    {64, 3, 7, 2, 13, 4, 2, 3},
    {128, 6, 14, 4, 26, 8, 3, 3},
    {256, 12, 28, 7, 52, 16, 6, 3},
}};

namespace Icon {
const QColor Frame(0x1E, 0x5A, 0x78);
const QColor TitleLight(0x6C, 0xEC, 0xFF);
const QColor TitleDark(0x00, 0xB4, 0xE4);
const QColor Shadow(0, 0, 0, 60);
} // namespace Icon

struct IconGeometry
{
    QRect window; // outer edge of the frame
    QRect title; // the cyan bar
    QRect body; // the white page
    std::vector<QRect> buttons;
};

// The inner corners follow the outer ones, one frame width in; a 1-pixel rounding would only
// smudge the corner pixel, so those stay square.
int innerCornerRadius(const IconLayout &l)
{
    const int radius = l.radius - l.border;
    return radius >= 2 ? radius : 0;
}

IconGeometry iconGeometry(const IconLayout &l)
{
    IconGeometry g;
    g.window = QRect(l.inset, l.top, l.size - 2 * l.inset - l.shadow, l.size - 2 * l.top);
    const QRect inside = g.window.adjusted(l.border, l.border, -l.border, -l.border);
    g.title = QRect(inside.left(), inside.top(), inside.width(), l.titleBar);
    g.body = QRect(inside.left(), inside.top() + l.titleBar + l.border, inside.width(),
        inside.height() - l.titleBar - l.border);
    // Small white squares at the right end of the bar, as far from its end as from its edges.
    const int side = qRound(0.45 * l.titleBar);
    const int margin = (l.titleBar - side) / 2;
    const int spacing = qMax(1, side / 3);
    for (int i = 0; i < l.buttonCount; ++i) {
        const int right = g.title.right() + 1 - margin - i * (side + spacing);
        g.buttons.push_back(QRect(right - side, g.title.top() + margin, side, side));
    }
    return g;
}

QImage drawIcon(const IconLayout &l)
{
    using namespace Icon;
    const IconGeometry g = iconGeometry(l);
    QImage image = blankImage(QSize(l.size, l.size), Qt::transparent);
    QPainter painter(&image);
    setUpPainter(painter);
    painter.setPen(Qt::NoPen);

    if (l.shadow > 0) {
        painter.setBrush(Shadow);
        painter.drawRoundedRect(g.window.translated(l.shadow, l.shadow), l.radius, l.radius);
    }
    painter.setBrush(Frame);
    painter.drawRoundedRect(g.window, l.radius, l.radius);

    const qreal innerRadius = innerCornerRadius(l);
    QLinearGradient cyan(0, g.title.top(), 0, g.title.bottom() + 1);
    cyan.setColorAt(0, TitleLight);
    cyan.setColorAt(1, TitleDark);
    QPainterPath title;
    title.addRoundedRect(QRectF(g.title).adjusted(0, 0, 0, innerRadius), innerRadius, innerRadius);
    QPainterPath titleClip;
    titleClip.addRect(g.title);
    painter.setBrush(cyan);
    painter.drawPath(title.intersected(titleClip));

    QPainterPath body;
    body.addRoundedRect(QRectF(g.body).adjusted(0, -innerRadius, 0, 0), innerRadius, innerRadius);
    QPainterPath bodyClip;
    bodyClip.addRect(g.body);
    painter.setBrush(Qt::white);
    painter.drawPath(body.intersected(bodyClip));

    for (const QRect &button : g.buttons) {
        painter.setBrush(Qt::white);
        painter.drawRect(button);
    }
    painter.end();
    return image;
}

// ---------------------------------------------------------------------------------------------
// The launcher icon: a big rounded あ on a warm tile, with the star of "もんだい"

namespace Launcher {
constexpr qreal Units = 256; // the drawing's own square; every size is it scaled
constexpr std::array<int, 12> Sizes{16, 22, 24, 32, 48, 64, 72, 96, 128, 192, 256, 512};
const QRectF Tile(8, 8, 240, 240);
constexpr qreal TileRadius = 52;
constexpr qreal TileEdgeWidth = 4;
const QColor TileTop(0xFF, 0xC8, 0x4A);
const QColor TileBottom(0xFF, 0x6F, 0x91);
const QColor TileEdge(0xD8, 0x3A, 0x6E);
const QPointF LetterCentre(118, 146);
constexpr qreal LetterSize = 156; // the glyph's ink, fitted into a square of this side
const QColor LetterEdge(0xA8, 0x14, 0x4C);
constexpr qreal LetterEdgeWidth = 20;
constexpr qreal LetterBoldness = 7;
const QPointF StarCentre(198, 62);
constexpr qreal StarRadius = 46;
const QColor StarGold(0xFF, 0xD6, 0x1F);
constexpr qreal StarEdgeWidth = 7;
constexpr qreal EyeOffset = 9; // from the star's centre, to each side
} // namespace Launcher

struct LauncherShapes
{
    QPainterPath tile, letter, star;
    std::array<QRectF, 2> eyes;
};

LauncherShapes launcherShapes()
{
    using namespace Launcher;
    LauncherShapes shapes;
    shapes.tile.addRoundedRect(Tile, TileRadius, TileRadius);
    shapes.letter = textOutline(QStringLiteral("あ"), {LetterSize, LetterSize});
    shapes.letter.translate(LetterCentre);
    shapes.star.addPolygon(starPolygon(StarCentre, 5, StarRadius, StarRadius * 0.5));
    shapes.star.closeSubpath();
    for (int side : {0, 1}) {
        const QPointF eye = StarCentre + QPointF(side ? EyeOffset : -EyeOffset, 2);
        shapes.eyes[size_t(side)] = QRectF(eye - QPointF(4, 6), QSizeF(8, 12));
    }
    return shapes;
}

QImage drawLauncher(int size)
{
    using namespace Launcher;
    const LauncherShapes shapes = launcherShapes();
    QImage image = blankImage(QSize(size, size), Qt::transparent);
    QPainter painter(&image);
    setUpPainter(painter);
    painter.scale(size / Units, size / Units);

    QLinearGradient warm(0, Tile.top(), 0, Tile.bottom());
    warm.setColorAt(0, TileTop);
    warm.setColorAt(1, TileBottom);
    painter.setPen(QPen(TileEdge, TileEdgeWidth));
    painter.setBrush(warm);
    painter.drawPath(shapes.tile);

    painter.setPen(QPen(LetterEdge, LetterEdgeWidth, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(LetterEdge);
    painter.drawPath(shapes.letter);
    painter.setPen(QPen(Qt::white, LetterBoldness, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(Qt::white);
    painter.drawPath(shapes.letter);

    painter.setPen(
        QPen(Star::OutlineGold, StarEdgeWidth, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(StarGold);
    painter.drawPath(shapes.star);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Star::EyeBlack);
    for (const QRectF &eye : shapes.eyes)
        painter.drawEllipse(eye);
    painter.end();
    return image;
}

QString svgNumber(qreal value)
{
    QString text = QString::number(value, 'f', 2);
    while (text.contains(u'.') && (text.endsWith(u'0') || text.endsWith(u'.')))
        text.chop(1);
    return text;
}

// A painter path as SVG path data: moves, lines and cubic curves, each subpath closed.
QString svgPathData(const QPainterPath &path)
{
    QString d;
    const auto point
        = [](const QPainterPath::Element &e) { return svgNumber(e.x) + u' ' + svgNumber(e.y); };
    for (int i = 0; i < path.elementCount(); ++i) {
        const QPainterPath::Element e = path.elementAt(i);
        if (e.isMoveTo()) {
            d += (i ? QStringLiteral("Z M ") : QStringLiteral("M ")) + point(e) + u' ';
        } else if (e.isLineTo()) {
            d += QStringLiteral("L ") + point(e) + u' ';
        } else if (e.isCurveTo() && i + 2 < path.elementCount()) {
            d += QStringLiteral("C ") + point(e) + u' ' + point(path.elementAt(i + 1)) + u' '
                + point(path.elementAt(i + 2)) + u' ';
            i += 2;
        }
    }
    return d + u'Z';
}

QByteArray launcherSvg()
{
    using namespace Launcher;
    const LauncherShapes shapes = launcherShapes();
    const auto rgb = [](const QColor &c) { return c.name(QColor::HexRgb); };
    const QString fillRule = shapes.letter.fillRule() == Qt::WindingFill
        ? QStringLiteral("nonzero")
        : QStringLiteral("evenodd");
    QString svg;
    QTextStream out(&svg);
    out << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" << Units << "\" height=\"" << Units
        << "\" viewBox=\"0 0 " << Units << ' ' << Units << "\">\n"
        << "  <defs>\n"
        // From the tile's top to its bottom: the tile is the one shape that uses it.
        << "    <linearGradient id=\"warm\" x1=\"0\" y1=\"0\" x2=\"0\" y2=\"1\">\n"
        << "      <stop offset=\"0\" stop-color=\"" << rgb(TileTop) << "\"/>\n"
        << "      <stop offset=\"1\" stop-color=\"" << rgb(TileBottom) << "\"/>\n"
        << "    </linearGradient>\n"
        << "  </defs>\n"
        << "  <rect x=\"" << Tile.x() << "\" y=\"" << Tile.y() << "\" width=\"" << Tile.width()
        << "\" height=\"" << Tile.height() << "\" rx=\"" << TileRadius
        << "\" fill=\"url(#warm)\" stroke=\"" << rgb(TileEdge) << "\" stroke-width=\""
        << TileEdgeWidth << "\"/>\n";
    const QString letter = svgPathData(shapes.letter);
    for (const auto &[colour, width] :
        {std::pair{LetterEdge, LetterEdgeWidth}, std::pair{QColor(Qt::white), LetterBoldness}})
        out << "  <path d=\"" << letter << "\" fill=\"" << rgb(colour) << "\" fill-rule=\""
            << fillRule << "\" stroke=\"" << rgb(colour) << "\" stroke-width=\"" << width
            << "\" stroke-linejoin=\"round\" stroke-linecap=\"round\"/>\n";
    out << "  <path d=\"" << svgPathData(shapes.star) << "\" fill=\"" << rgb(StarGold)
        << "\" stroke=\"" << rgb(Star::OutlineGold) << "\" stroke-width=\"" << StarEdgeWidth
        << "\" stroke-linejoin=\"round\"/>\n";
    for (const QRectF &eye : shapes.eyes)
        out << "  <ellipse cx=\"" << svgNumber(eye.center().x()) << "\" cy=\""
            << svgNumber(eye.center().y()) << "\" rx=\"" << svgNumber(eye.width() / 2) << "\" ry=\""
            << svgNumber(eye.height() / 2) << "\" fill=\"" << rgb(Star::EyeBlack) << "\"/>\n";
    out << "</svg>\n";
    return svg.toUtf8();
}

// ---------------------------------------------------------------------------------------------
// Writing

void writeImage(const QImage &image, const QString &path, const char *format, int quality = -1)
{
    QImageWriter writer(path, format);
    if (quality >= 0)
        writer.setQuality(quality);
    if (!writer.write(image))
        throw Failure(
            QStringLiteral("cannot write %1: %2").arg(path, writer.errorString()).toStdString());
}

void writeBytes(const QByteArray &bytes, const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        throw Failure(
            QStringLiteral("cannot write %1: %2").arg(path, file.errorString()).toStdString());
}

void writeGif(const QImage &image, const QString &path)
{
    QTemporaryDir scratch;
    if (!scratch.isValid())
        throw Failure("cannot make a scratch folder");
    const QString png = scratch.filePath(QStringLiteral("star.png"));
    writeImage(image, png, "png");
    QProcess convert;
    convert.start(QStringLiteral("convert"),
        {png, QStringLiteral("+dither"), QStringLiteral("-colors"), QStringLiteral("64"), path});
    if (!convert.waitForFinished(60000) || convert.exitStatus() != QProcess::NormalExit
        || convert.exitCode() != 0)
        throw Failure(QStringLiteral("ImageMagick's convert failed on %1: %2%3")
                          .arg(path, convert.errorString(),
                              QString::fromLocal8Bit(convert.readAllStandardError()))
                          .toStdString());
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: makeassets ASSETS-FOLDER\n");
        return 2;
    }
    const QDir assets(QString::fromLocal8Bit(argv[1]));
    if (!assets.exists()) {
        std::fprintf(stderr, "makeassets: no folder %s\n", argv[1]);
        return 2;
    }
    try {
        writeGif(flattenOntoFace(drawStar(), NextButtonFace, Star::AlphaCut),
            assets.filePath(QStringLiteral("star.gif")));
        writeImage(drawCelebration().convertToFormat(QImage::Format_RGB32),
            assets.filePath(QStringLiteral("celebration.jpg")), "jpeg", Celebration::Quality);
        for (const IconLayout &layout : IconLayouts)
            writeImage(drawIcon(layout),
                assets.filePath(QStringLiteral("icon-%1.png").arg(layout.size)), "png");
        for (int size : Launcher::Sizes)
            writeImage(drawLauncher(size),
                assets.filePath(QStringLiteral("launcher-%1.png").arg(size)), "png");
        writeBytes(launcherSvg(), assets.filePath(QStringLiteral("launcher.svg")));
    } catch (const Failure &failure) {
        std::fprintf(stderr, "makeassets: %s\n", failure.what());
        return 1;
    }
    return 0;
}
