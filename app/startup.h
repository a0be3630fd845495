#pragma once

// Opens the program on the menu screen; the menu's load derives the content folders.
void Main();
