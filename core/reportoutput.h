#pragma once

#include <QByteArray>

// The lesson tools' last step: their report to standard output and their messages to standard
// error. A report that cannot be written (a full disk, a closed pipe, >/dev/full) is a failure the
// parent must hear of, so it adds a line to the messages and the status becomes `lostStatus`.
namespace ReportOutput {
int write(const QByteArray &out, QByteArray err, int status, int lostStatus);
} // namespace ReportOutput
