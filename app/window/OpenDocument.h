#pragma once

#include <QString>

// Module1's link opener needs the desktop, so it lives with the window.
namespace Module1 {

// Hands a web address or a file to the desktop's default program; any failure is ignored.
void OpenDocument(const QString& file);

} // namespace Module1
