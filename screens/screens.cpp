#include "screens/screens.h"

#include "screens/form1.h"
#include "screens/form3.h"
#include "screens/form5.h"

#include <utility>

namespace {
// Plain pointers, deleted by unloadAll() while the application object is there (it calls it on
// leaving its event loop). A screen must never be destroyed by a static destructor: when the
// display goes away, Qt ends the process with exit(), and a window torn down then, with the
// application's connection to the display gone, crashes the program.
Form3 *menuScreen = nullptr;
Form5 *settingsScreen = nullptr;
Form1 *quizScreen = nullptr;

template <typename Form> Form &loaded(Form *&screen)
{
    if (!screen)
        screen = new Form;
    return *screen;
}

template <typename Form> void unload(Form *&screen)
{
    delete std::exchange(screen, nullptr);
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

void unloadForm1()
{
    // deleteLater: "おわる" runs inside one of the screen's own handlers.
    if (quizScreen)
        std::exchange(quizScreen, nullptr)->deleteLater();
}

void unloadAll()
{
    unloadForm1();
    unload(settingsScreen);
    unload(menuScreen);
}

} // namespace Screens
