// makecontent: writes a lesson, <folder>/data/data.txt and <folder>/pic/*.jpg, from a word
// list: tools/lesson-words.txt for the starter lesson in content/, tools/lesson-<name>-words.txt
// for the lessons in content/lessons/<name>/. The output is committed; run this only to change
// a lesson.
//
//   cmake --build build --target makecontent
//   QT_QPA_PLATFORM=offscreen build/tools/makecontent tools/lesson-words.txt content
//   QT_QPA_PLATFORM=offscreen build/tools/makecontent tools/lesson-animals-words.txt \
//       content/lessons/animals
//
// Needs the Noto Color Emoji font (Debian package fonts-noto-color-emoji, SIL OFL 1.1): every
// picture is one of its emoji, drawn large on a pale background. The voice clips, shared by all
// lessons, come from tools/makevoices.sh.

#include <QColor>
#include <QDir>
#include <QFile>
#include <QFontInfo>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QRadialGradient>
#include <QSet>
#include <QStringConverter>
#include <QStringList>
#include <QTextStream>

#include <QtMath>

#include <cmath>
#include <cstdio>
#include <optional>
#include <random>

namespace {

constexpr int AnswerCount = 5;
constexpr int MaxWordLetters = 3;
constexpr int MaxWords = 20;

// Pictures are 512 px squares: the quiz shows them at 153 px, and a lesson may be shown on a
// larger screen one day. The emoji's bitmap is smaller and is scaled up smoothly.
constexpr int PictureSize = 512;
constexpr int JpegQuality = 85;
// The emoji fills this share of the picture's side; the rest is background.
constexpr double EmojiShare = 0.80;
// Noto Color Emoji holds bitmaps drawn at 109 px per em; asking for that size gets them unscaled.
constexpr int EmojiStrikePixels = 109;

// Pale backgrounds. Each picture takes the one whose hue lies farthest from its emoji's, so a
// yellow moon does not sit on cream, and never the same one as the picture before it.
const QColor Backgrounds[] = {
    QColor(255, 244, 214), // cream
    QColor(222, 240, 255), // sky
    QColor(226, 246, 222), // mint
    QColor(255, 228, 236), // blossom
    QColor(236, 230, 255), // lavender
    QColor(255, 236, 220), // peach
};

struct Word
{
    QString romaji;
    QStringList letters;
    QString emoji;
    QStringList distractors;
    QString meaning;
    QStringList answers; // the five buttons, in order, once mixed
};

struct Mark
{
    QString fileName;
    QString emoji;
};

// すごい for a right answer, しっかり for a wrong one. The quiz shows them 33 px wide, so each is a
// single bold shape: a gold star for praise and a green sprout to say "keep growing", nothing
// that looks like a cross.
const Mark Marks[] = {
    {QStringLiteral("すごい.jpg"), QStringLiteral("🌟")},
    {QStringLiteral("しっかり.jpg"), QStringLiteral("🌱")},
};

void fail(const QString &message)
{
    std::fprintf(stderr, "makecontent: %s\n", qPrintable(message));
}

enum class Script { None, Hiragana, Katakana };

// Plain hiragana (あ to ん) or katakana (ア to ン), without the small kana, which the quiz's big
// buttons would show the same size as ordinary letters, and without ー, which is not a letter.
Script plainKana(QChar c)
{
    static const QString Small = QStringLiteral("ぁぃぅぇぉっゃゅょゎァィゥェォッャュョヮ");
    if (Small.contains(c))
        return Script::None;
    if (c.unicode() >= 0x3041 && c.unicode() <= 0x3093)
        return Script::Hiragana;
    if (c.unicode() >= 0x30A1 && c.unicode() <= 0x30F3)
        return Script::Katakana;
    return Script::None;
}

QStringList splitLetters(const QString &text)
{
    QStringList letters;
    for (QChar c : text)
        letters << QString(c);
    return letters;
}

std::optional<Word> parseLine(const QString &line, const QString &where)
{
    const QStringList columns = line.split(u' ', Qt::SkipEmptyParts);
    if (columns.size() < 5) {
        fail(where + QStringLiteral(": expected romaji, word, picture, distractors and meaning"));
        return std::nullopt;
    }
    Word word;
    word.romaji = columns[0];
    word.letters = splitLetters(columns[1]);
    word.emoji = columns[2];
    word.distractors = splitLetters(columns[3]);
    word.meaning = columns.mid(4).join(u' ');

    for (QChar c : word.romaji) {
        if (!(c >= u'a' && c <= u'z')) {
            fail(where
                + QStringLiteral(": the picture name \"%1\" must be lower-case ASCII letters")
                      .arg(word.romaji));
            return std::nullopt;
        }
    }
    if (word.letters.isEmpty() || word.letters.size() > MaxWordLetters) {
        fail(where + QStringLiteral(": \"%1\" must have one to three letters").arg(columns[1]));
        return std::nullopt;
    }
    // One script a line: a katakana word among hiragana buttons would give itself away.
    const Script script = plainKana(word.letters.first()[0]);
    for (const QString &letter : word.letters + word.distractors) {
        if (plainKana(letter[0]) == Script::None) {
            fail(where + QStringLiteral(": \"%1\" is not a plain kana letter").arg(letter));
            return std::nullopt;
        }
        if (plainKana(letter[0]) != script) {
            fail(where + QStringLiteral(": %1 mixes hiragana and katakana").arg(columns[1]));
            return std::nullopt;
        }
    }
    QStringList answers = word.letters;
    answers.removeDuplicates();
    for (const QString &letter : word.distractors) {
        if (answers.contains(letter)) {
            fail(where + QStringLiteral(": the distractor %1 is already an answer").arg(letter));
            return std::nullopt;
        }
        answers << letter;
    }
    if (answers.size() != AnswerCount) {
        fail(where
            + QStringLiteral(": %1 has %2 different answers; it needs exactly %3")
                  .arg(columns[1])
                  .arg(answers.size())
                  .arg(AnswerCount));
        return std::nullopt;
    }
    word.answers = answers;
    return word;
}

std::optional<QList<Word>> readWordList(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        fail(QStringLiteral("cannot read %1: %2").arg(path, file.errorString()));
        return std::nullopt;
    }
    QList<Word> words;
    QSet<QString> names;
    QTextStream in(&file);
    in.setEncoding(QStringConverter::Utf8);
    for (int number = 1; !in.atEnd(); ++number) {
        const QString line = in.readLine().simplified();
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        const QString where = QStringLiteral("%1:%2").arg(path).arg(number);
        std::optional<Word> word = parseLine(line, where);
        if (!word)
            return std::nullopt;
        if (names.contains(word->romaji)) {
            fail(where + QStringLiteral(": the picture name %1 is used twice").arg(word->romaji));
            return std::nullopt;
        }
        names.insert(word->romaji);
        words << *word;
    }
    if (words.isEmpty() || words.size() > MaxWords) {
        fail(QStringLiteral("%1 holds %2 words; a lesson has 1 to %3")
                 .arg(path)
                 .arg(words.size())
                 .arg(MaxWords));
        return std::nullopt;
    }
    return words;
}

// Mixes every word's answers with a fixed seed, so the same list always gives the same buttons.
// A mix that spells the word from the first button on, or that puts the word's first letter on
// the button where the previous word had its first letter, is mixed again: the child should
// look for the letter, not for a place.
void mixAnswers(QList<Word> &words)
{
    std::mt19937 random(20240401u);
    // std::shuffle's steps differ between standard libraries; this Fisher-Yates with a plain
    // modulo uses only mt19937's output, which the standard fixes.
    auto shuffle = [&random](QStringList &list) {
        for (qsizetype i = list.size() - 1; i > 0; --i)
            list.swapItemsAt(i, static_cast<qsizetype>(random() % static_cast<quint32>(i + 1)));
    };
    qsizetype previousFirst = -1;
    for (Word &word : words) {
        for (;;) {
            shuffle(word.answers);
            const bool spellsWord = word.letters.size() > 1
                && word.answers.mid(0, word.letters.size()) == word.letters;
            const qsizetype first = word.answers.indexOf(word.letters.first());
            if (!spellsWord && first != previousFirst) {
                previousFirst = first;
                break;
            }
        }
    }
}

bool writeLesson(const QList<Word> &words, const QString &path)
{
    QString text;
    for (const Word &word : words) {
        QStringList fields{word.romaji};
        for (int i = 0; i < MaxWordLetters; ++i)
            fields << word.letters.value(i);
        fields << word.answers;
        text += fields.join(u',') + QStringLiteral("\r\n");
    }
    QStringEncoder encoder("CP932");
    const QByteArray bytes = encoder(text);
    if (!encoder.isValid() || encoder.hasError()) {
        fail(QStringLiteral("the lesson does not fit in Shift-JIS (CP932)"));
        return false;
    }
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
        fail(QStringLiteral("cannot write %1: %2").arg(path, file.errorString()));
        return false;
    }
    return true;
}

QFont emojiFont()
{
    QFont font(QStringLiteral("Noto Color Emoji"));
    font.setPixelSize(EmojiStrikePixels);
    // Without this a missing emoji would quietly come from some other font, in black and white.
    font.setStyleStrategy(QFont::NoFontMerging);
    return font;
}

// The emoji drawn at the font's own size on a transparent image, cropped to its pixels.
std::optional<QImage> drawEmoji(const QString &emoji)
{
    const QFont font = emojiFont();
    const QFontMetrics metrics(font);
    for (char32_t codePoint : emoji.toUcs4()) {
        const bool joiner = codePoint == 0xFE0F || codePoint == 0x200D;
        if (!joiner && !metrics.inFontUcs4(codePoint)) {
            fail(QStringLiteral("Noto Color Emoji has no glyph for %1 (U+%2)")
                     .arg(emoji)
                     .arg(quint32(codePoint), 4, 16, QChar(u'0')));
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
        fail(QStringLiteral("%1 did not draw in colour; is fonts-noto-color-emoji installed?")
                 .arg(emoji));
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

// A pale square, white in the middle, with the emoji large on it.
QImage drawPicture(const QImage &glyph, const QColor &background)
{
    QImage picture(PictureSize, PictureSize, QImage::Format_RGB32);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    // Reaches full colour a little inside the corners (the radius is 0.72 of the side, the
    // corners lie at 0.71).
    QRadialGradient glow(QRectF(picture.rect()).center(), PictureSize * 0.72);
    glow.setColorAt(0.0, Qt::white);
    glow.setColorAt(0.3, Qt::white);
    glow.setColorAt(0.85, background);
    painter.fillRect(picture.rect(), glow);

    const int box = qRound(PictureSize * EmojiShare);
    const QImage scaled = glyph.scaled(box, box, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    painter.drawImage(
        (PictureSize - scaled.width()) / 2, (PictureSize - scaled.height()) / 2, scaled);
    painter.end();
    return picture;
}

// Draws `emoji` into the JPEG file `path`; returns the background used, or nullopt on failure.
std::optional<QColor> writePicture(
    const QString &emoji, qsizetype position, const QColor &previous, const QString &path)
{
    const std::optional<QImage> glyph = drawEmoji(emoji);
    if (!glyph)
        return std::nullopt;
    const QColor background = chooseBackground(*glyph, position, previous);
    if (!drawPicture(*glyph, background).save(path, "JPEG", JpegQuality)) {
        fail(QStringLiteral("cannot write %1").arg(path));
        return std::nullopt;
    }
    return background;
}

} // namespace

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 3) {
        fail(QStringLiteral("usage: makecontent <words file> <lesson folder>"));
        return 2;
    }
    std::optional<QList<Word>> words = readWordList(args[1]);
    if (!words)
        return 1;
    mixAnswers(*words);

    const QDir content(args[2]);
    if (!content.mkpath(QStringLiteral("data")) || !content.mkpath(QStringLiteral("pic"))) {
        fail(QStringLiteral("cannot make the data and pic folders in %1").arg(args[2]));
        return 1;
    }
    if (!writeLesson(*words, content.filePath(QStringLiteral("data/data.txt"))))
        return 1;
    QColor previous;
    qsizetype position = 0;
    auto write = [&](const QString &emoji, const QString &fileName) {
        const std::optional<QColor> background = writePicture(
            emoji, position++, previous, content.filePath(QStringLiteral("pic/") + fileName));
        if (background)
            previous = *background;
        return background.has_value();
    };
    for (const Word &word : *words) {
        if (!write(word.emoji, word.romaji + QStringLiteral(".jpg")))
            return 1;
    }
    for (const Mark &mark : Marks) {
        if (!write(mark.emoji, mark.fileName))
            return 1;
    }
    std::printf("makecontent: %d words, %d pictures and %d marks in %s\n", int(words->size()),
        int(words->size()), int(std::size(Marks)), qPrintable(content.absolutePath()));
    return 0;
}
