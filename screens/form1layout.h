#pragma once

#include "core/lessonfields.h"
#include "widgets/geometry.h"

#include <array>

// Every control of the quiz screen, in pixels, in stacking order from the back to the front:
// a control created later is drawn over the ones before it. Option1 is placed inside Frame1,
// everything else inside the window's client area.
namespace Form1Layout {

inline constexpr QSize ClientSize{826, 609};
inline constexpr QPoint ClientTopLeft{187, 176};

// Calls add(name, index, x, y, width, height) once for every control, from the back to the front.
constexpr void forEachRow(auto add)
{
    // Mark place k: two rows of twenty, 40 pixels apart, on the panel Shape1.
    auto mark = [&](int k) { add("Image2", k, 19 + 40 * (k % 20), k < 20 ? 452 : 492, 33, 33); };

    add("Shape2", -1, 8, 112, 185, 185);
    add("Shape1", -1, 11, 444, 809, 89);
    for (int i = 0; i < Lesson::LetterCount; ++i)
        add("Label1", i, 216 + 152 * i, 32, 121, 121);
    for (int i = 0; i < Lesson::LetterCount; ++i)
        add("Label2", i, 216 + 152 * i, 176, 121, 121);
    add("Image1", -1, 24, 128, 153, 153);
    for (int k = 0; k <= 8; ++k)
        mark(k);
    add("Label4", 0, 96, 78, 81, 17);
    add("Image4", -1, 664, 16, 131, 131);
    for (int k = 9; k < Progress::MarkPlaces; ++k)
        mark(k);
    for (int k = 0; k < Progress::MissedLetterPlaces; ++k)
        add("Label5", k, 16 + 40 * k, 552, 25, 25);
    add("Label1", 3, 8, 16, 136, 24);
    add("Label1", 4, 8, 40, 155, 39);
    add("Label4", 1, 168, 56, 33, 17);
    // The buttons, the frame and its options lie over every label, image and shape.
    const int letterButtonX[] = {168, 296, 424, 560, 688};
    for (int i = 0; i < Lesson::AnswerCount; ++i)
        add("Command1", i, letterButtonX[i], 319, 105, 105);
    add("Command2", -1, 704, 144, 105, 105);
    add("Frame1", -1, 24, 311, 97, 65);
    add("Option1", 0, 16, 16, 73, 17);
    add("Option1", 1, 16, 40, 73, 17);
    add("Command3", -1, 24, 391, 97, 41);
}

inline constexpr auto Controls = [] {
    constexpr size_t count = [] {
        size_t n = 0;
        forEachRow([&n](const char *, int, int, int, int, int) { ++n; });
        return n;
    }();
    std::array<ControlGeometry, count> rows{};
    size_t n = 0;
    forEachRow([&](const char *name, int index, int x, int y, int w, int h) {
        rows[n++] = {name, index, x, y, w, h};
    });
    return rows;
}();

} // namespace Form1Layout
