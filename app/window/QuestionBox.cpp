#include "QuestionBox.h"

#include "ErrorReport.h"

#include <QMessageBox>

std::unique_ptr<QMessageBox> questionBox(QWidget* parent, const QString& title, const QString& text) {
    auto box =
        std::make_unique<QMessageBox>(QMessageBox::NoIcon, title, text, QMessageBox::Yes | QMessageBox::No, parent);
    box->setDefaultButton(QMessageBox::Yes);
    return box;
}

bool askYesNo(QWidget* parent, const QString& title, const QString& text) {
    if (!hasDisplay()) {
        return false;
    }
    return questionBox(parent, title, text)->exec() == QMessageBox::Yes;
}
