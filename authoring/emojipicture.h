#pragma once

#include <QColor>
#include <QImage>
#include <QString>

#include <optional>

// Lesson pictures drawn from an emoji of the Noto Color Emoji font: the emoji large on a pale
// square, white in the middle. Needs a QGuiApplication and the font (Debian package
// fonts-noto-color-emoji). Shared by the lesson maker and the generator of the shipped lessons,
// so that a parent's lesson looks like the ones that come with the program.
class EmojiPicture
{
public:
    // Pictures are 512 px squares: the quiz shows them at 153 px, and a lesson may be shown on a
    // larger screen one day.
    static constexpr int Size = 512;
    static constexpr int JpegQuality = 85;

    // The next picture of a lesson, in the order the lesson shows them: each takes the pale
    // background whose hue lies farthest from its emoji's, never the one of the picture before.
    // nullopt, with `error` set, when the font lacks a character of `emoji` or does not draw it
    // in colour.
    std::optional<QImage> draw(const QString &emoji, QString *error);

private:
    QColor m_previous;
    qsizetype m_position = 0;
};
