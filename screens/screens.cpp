#include "screens/screens.h"

#include "screens/form1.h"
#include "screens/form3.h"
#include "screens/form5.h"

#include <memory>

namespace {
std::unique_ptr<Form3> menuScreen;
std::unique_ptr<Form5> settingsScreen;
std::unique_ptr<Form1> quizScreen;

template <typename Form> Form &loaded(std::unique_ptr<Form> &screen)
{
    if (!screen)
        screen = std::make_unique<Form>();
    return *screen;
}
} // namespace

namespace Screens {

Form3 &form3()
{
    return loaded(menuScreen);
}
Form5 &form5()
{
    return loaded(settingsScreen);
}
Form1 &form1()
{
    return loaded(quizScreen);
}

bool form1Loaded()
{
    return quizScreen != nullptr;
}
bool form5Loaded()
{
    return settingsScreen != nullptr;
}

void unloadForm1()
{
    // deleteLater: "おわる" runs inside one of the screen's own handlers.
    if (quizScreen)
        quizScreen.release()->deleteLater();
}

void unloadAll()
{
    unloadForm1();
    settingsScreen.reset();
    menuScreen.reset();
}

} // namespace Screens
