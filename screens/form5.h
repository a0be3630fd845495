#pragma once

#include "widgets/screenwindow.h"

class QLabel;
class QLineEdit;
class QPushButton;

// The folder settings screen: the voice, picture and data folders for the rest of the run.
class Form5 : public ScreenWindow
{
    Q_OBJECT

public:
    Form5();

    QLabel *Label1 = nullptr; // 音声
    QLineEdit *Text1 = nullptr; // voice folder
    QLabel *Label2 = nullptr; // 画像
    QLineEdit *Text2 = nullptr; // picture folder
    QLabel *Label3 = nullptr; // データ
    QLineEdit *Text3 = nullptr; // data folder
    QPushButton *Command2 = nullptr; // キャンセル
    QPushButton *Command1 = nullptr; // 設定
    QPushButton *Command3 = nullptr; // レッスンをえらぶ: fills the boxes from a lesson folder

    void Form_Load();
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
};
