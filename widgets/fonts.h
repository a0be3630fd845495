#pragma once

// The screens ask for their fonts by their design names ("AR楷書体M" and the two rounded gothics).
// This maps those names to the faces installed here: Klee One for the brush-style letters and
// Motoya L Maru for the rounded gothics.
void registerFontSubstitutes();
