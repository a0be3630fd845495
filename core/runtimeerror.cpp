#include "core/runtimeerror.h"

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
