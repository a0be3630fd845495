#pragma once

#include <QString>

#include <stdexcept>

// An error raised inside an event handler that the program does not handle itself. It travels up
// to Application::notify, which hands it to the default error report.
class RuntimeError : public std::runtime_error
{
public:
    enum Number { Overflow = 6, SubscriptOutOfRange = 9 };

    explicit RuntimeError(Number number);

    Number number() const { return m_number; }
    // What the error report shows, e.g. "実行時エラー '9':\nインデックスが有効範囲にありません。"
    QString message() const;

private:
    Number m_number;
};
