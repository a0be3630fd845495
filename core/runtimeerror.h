#pragma once

#include <QString>

#include <functional>
#include <stdexcept>

// An error raised inside an event handler that the program does not handle itself. It travels up
// to the handler's boundary (ScreenWindow::handle), which hands it to the default error report.
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

// The default error report: where an error that no handler handles ends up. The application puts
// the real one in place (a message box that names the error, then the end of the program); a test
// puts its own there to see the report without ending.
namespace ErrorReport {
using Report = std::function<void(const QString &message)>;
Report set(Report report); // returns the report it replaces
void show(const QString &message);
} // namespace ErrorReport
