#include "widgets/controlbinding.h"

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

#include <gtest/gtest.h>

namespace {

// A screen of its own whose bindings stand in another order than its rows, with an array whose
// rows lie apart and a control made inside another.
struct Panel : QWidget
{
    QLabel *Title = nullptr;
    std::array<QPushButton *, 2> Choice{};
    QGroupBox *Box = nullptr;
    QLabel *Note = nullptr;
};

constexpr ControlGeometry Layout[] = {
    {"Choice", 1, 60, 10, 50, 20},
    {"Box", -1, 0, 40, 100, 60},
    {"Note", -1, 5, 15, 40, 10},
    {"Title", -1, 0, 0, 100, 10},
    {"Choice", 0, 10, 10, 50, 20},
};

constexpr ControlBinding<Panel> Bindings[] = {
    control<&Panel::Title>("Title", [](Panel &panel) { return new QLabel(&panel); }),
    control<&Panel::Choice>("Choice", [](Panel &panel) { return new QPushButton(&panel); }),
    control<&Panel::Box>("Box", [](Panel &panel) { return new QGroupBox(&panel); }),
    control<&Panel::Note>("Note", [](Panel &panel) { return new QLabel(panel.Box); }),
};

} // namespace

// Every row's control lands in its member, named and placed as the row says, and the controls are
// made in the rows' order: a window's children stack in the order they were made.
TEST(ControlBinding, MakesEachRowInTheLayoutsOrder)
{
    Panel panel;
    makeControls<Layout, Bindings>(panel);

    QWidget *const stored[]
        = {panel.Choice[1], panel.Box, panel.Note, panel.Title, panel.Choice[0]};
    const char *const names[] = {"Choice(1)", "Box", "Note", "Title", "Choice(0)"};
    for (size_t i = 0; i < std::size(Layout); ++i) {
        ASSERT_NE(stored[i], nullptr) << names[i];
        EXPECT_EQ(stored[i]->objectName(), QString::fromLatin1(names[i]));
        EXPECT_EQ(stored[i]->geometry(), Layout[i].rect()) << names[i];
    }
    EXPECT_EQ(
        panel.children(), QObjectList({panel.Choice[1], panel.Box, panel.Title, panel.Choice[0]}));
    EXPECT_EQ(panel.Note->parent(), panel.Box);
}
