#pragma once

#include <QString>

class QWidget;

// Modal message boxes whose text is shown as it is. Their text names files, folders and letters
// that come from a lesson or the command line; QMessageBox's automatic format would take any of
// them that looks like HTML for rich text and load the images it names.
namespace PlainMessage {
void warning(QWidget *parent, const QString &title, const QString &text);
void critical(QWidget *parent, const QString &title, const QString &text);
} // namespace PlainMessage
