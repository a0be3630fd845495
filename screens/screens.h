#pragma once

class Form1;
class Form3;
class Form5;

// The program's three screens, reached by name from every other screen. A screen is loaded (its
// widgets built, its load handler run) the first time it is touched.
namespace Screens {

Form3 &form3(); // the menu: loaded by Main, never unloaded
Form5 &form5(); // folder settings: loaded by its first "設定", never unloaded
Form1 &form1(); // the quiz: loaded hidden by "はじめる", unloaded by its "おわる"

bool form1Loaded();
void unloadForm1();

// Unloads every screen. The application calls it on leaving its event loop, so no screen is left
// for a static destructor; tests that run the program several times in one process call it too.
void unloadAll();

} // namespace Screens
