#include "core/runtimeerror.h"

#include <utility>

namespace {
const char *description(RuntimeError::Number number)
{
    switch (number) {
    case RuntimeError::Overflow:
        return "オーバーフローしました。";
    case RuntimeError::SubscriptOutOfRange:
        return "インデックスが有効範囲にありません。";
    }
    return "不明なエラーです。";
}
} // namespace

RuntimeError::RuntimeError(Number number)
    : std::runtime_error(description(number))
    , m_number(number)
{ }

QString RuntimeError::message() const
{
    return QStringLiteral("実行時エラー '%1':\n%2")
        .arg(int(m_number))
        .arg(QString::fromUtf8(what()));
}

namespace ErrorReport {
namespace {
Report &current()
{
    static Report report;
    return report;
}
} // namespace

Report set(Report report)
{
    return std::exchange(current(), std::move(report));
}

void show(const QString &message)
{
    if (current())
        current()(message);
}
} // namespace ErrorReport
