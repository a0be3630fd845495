#pragma once

#include "core/module1.h"

// The procedure of Module1 that puts a question on the quiz screen.
namespace Module1 {

// Puts question `row` of Questions on the quiz screen, loading its picture from `folder`.
void ShowQuestion(const QString &folder, const Integer &row);

} // namespace Module1
