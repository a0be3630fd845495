#include "widgets/fonts.h"

#include <QFont>

void registerFontSubstitutes()
{
    QFont::insertSubstitution(QStringLiteral("AR楷書体M"), QStringLiteral("Klee One"));
    QFont::insertSubstitution(QStringLiteral("AR丸ゴシック体M"), QStringLiteral("MotoyaLMaru"));
    QFont::insertSubstitution(QStringLiteral("HG丸ｺﾞｼｯｸM-PRO"), QStringLiteral("MotoyaLMaru"));
}
