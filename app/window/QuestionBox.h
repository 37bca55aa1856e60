#pragma once

#include <QString>
#include <memory>

class QMessageBox;
class QWidget;

// A question with Yes and No buttons, no icon, Yes the default.
std::unique_ptr<QMessageBox> questionBox(QWidget* parent, const QString& title, const QString& text);
// Asks in a modal box and returns whether the answer was Yes. Without a display no one could
// answer, so nothing is shown and the answer is No.
bool askYesNo(QWidget* parent, const QString& title, const QString& text);
