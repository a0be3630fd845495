#pragma once

#include "widgets/geometry.h"

#include <array>
#include <cstddef>
#include <string_view>
#include <type_traits>

// How a screen makes one control of its layout table: the design name the table's rows use, and
// a function that makes the control and stores it in the screen's member for that name.
template <typename Screen> struct ControlBinding
{
    const char *name;
    int size; // the member array's size, or 0 for a single control, whose one row has index -1
    QWidget *(*make)(Screen &screen, int index);
};

namespace ControlBindingTypes {
template <typename> struct Member;
template <typename Screen, typename Type> struct Member<Type Screen::*>
{
    using Owner = Screen;
    static constexpr int size = 0;
};
template <typename Screen, typename Control, std::size_t N>
struct Member<std::array<Control *, N> Screen::*>
{
    using Owner = Screen;
    static constexpr int size = int(N);
};
} // namespace ControlBindingTypes

// Binds `name` to the member `Slot` (a control pointer, or an array of them filled at the rows'
// indices); `make` takes the screen and returns the new control, with its parent set. The compiler
// checks that the control fits the member.
template <auto Slot, typename Make>
constexpr ControlBinding<typename ControlBindingTypes::Member<decltype(Slot)>::Owner> control(
    const char *name, Make)
{
    using Member = ControlBindingTypes::Member<decltype(Slot)>;
    using Screen = typename Member::Owner;
    static_assert(std::is_default_constructible_v<Make>,
        "a control is made by a lambda that captures nothing: it is handed the screen");
    return {name, Member::size, [](Screen &screen, int index) -> QWidget * {
                auto *made = Make{}(screen);
                if constexpr (Member::size == 0)
                    screen.*Slot = made;
                else
                    (screen.*Slot)[std::size_t(index)] = made;
                return made;
            }};
}

// Holds when a layout table and a screen's bindings agree: every row names a bound control, no
// control is bound twice, a single control has one row (index -1) and an array one row for each
// of its indices. Anything else stops the compilation at the line that says what is wrong.
template <typename Layout, typename Bindings>
constexpr bool bindsEveryRow(const Layout &layout, const Bindings &bindings)
{
    const auto rows = [&](std::string_view name, int index) {
        int n = 0;
        for (const ControlGeometry &row : layout)
            n += name == row.name && index == row.index;
        return n;
    };
    for (const ControlGeometry &row : layout) {
        int bound = 0;
        for (const auto &binding : bindings)
            bound += std::string_view(binding.name) == row.name;
        if (bound == 0)
            throw "a layout row names a control that no binding makes";
        if (bound > 1)
            throw "two bindings make the same control";
    }
    for (const auto &binding : bindings) {
        int named = 0;
        for (const ControlGeometry &row : layout)
            named += std::string_view(binding.name) == row.name;
        if (binding.size == 0 && (named != 1 || rows(binding.name, -1) != 1))
            throw "a single control needs exactly one layout row, with index -1";
        if (binding.size > 0 && named != binding.size)
            throw "an array needs exactly one layout row for each of its indices";
        for (int i = 0; i < binding.size; ++i)
            if (rows(binding.name, i) != 1)
                throw "an array needs exactly one layout row for each of its indices";
    }
    return true;
}

// Makes a screen's controls in the order of its layout rows, so the first is at the back and each
// later one is drawn over it, stores each in the member its binding names, and places it where its
// row says.
template <const auto &Layout, const auto &Bindings, typename Screen>
void makeControls(Screen &screen)
{
    static_assert(bindsEveryRow(Layout, Bindings));
    for (const ControlGeometry &row : Layout)
        for (const ControlBinding<Screen> &binding : Bindings)
            if (std::string_view(binding.name) == row.name)
                place(binding.make(screen, row.index), row);
}
