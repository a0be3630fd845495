#pragma once

#include "widgets/screenwindow.h"

#include <array>

class QLabel;
class QPushButton;
class Shape;

// The menu screen: start a quiz, open the folder settings, or end the program.
class Form3 : public ScreenWindow
{
    Q_OBJECT

public:
    Form3();

    Shape *Shape1 = nullptr;
    std::array<QLabel *, 3> Label1{};
    QLabel *Label2 = nullptr;
    QPushButton *Command1 = nullptr; // はじめる
    QPushButton *Command2 = nullptr; // 設定
    QPushButton *Command3 = nullptr; // おわる

    void Form_Load();
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
};
