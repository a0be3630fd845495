#include "core/reportoutput.h"

#include <QString>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace ReportOutput {

int write(const QByteArray &out, QByteArray err, int status, int lostStatus)
{
    errno = 0;
    if (std::fwrite(out.constData(), 1, size_t(out.size()), stdout) != size_t(out.size())
        || std::fflush(stdout) != 0) {
        err += QStringLiteral("報告を書けません（%1）。")
                   .arg(QString::fromLocal8Bit(std::strerror(errno ? errno : EIO)))
                   .toUtf8()
            + '\n';
        status = lostStatus;
    }
    std::fwrite(err.constData(), 1, size_t(err.size()), stderr);
    return status;
}

} // namespace ReportOutput
