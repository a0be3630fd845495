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
bool form5Loaded();
void unloadForm1();

// Unloads everything, for tests that run the program several times in one process.
void unloadAll();

} // namespace Screens
