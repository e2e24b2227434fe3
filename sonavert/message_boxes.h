// The converter's questions and warnings: modal boxes with fixed texts.
#pragma once

#include <QMessageBox>

namespace sonavert {

// True when the user answers Yes.
inline bool AskYesNo(QWidget* owner, const char* title, const char* text,
                     QMessageBox::Icon icon = QMessageBox::Question) {
    QMessageBox box(icon, QString::fromUtf8(title), QString::fromUtf8(text),
                    QMessageBox::Yes | QMessageBox::No, owner);
    return box.exec() == QMessageBox::Yes;
}

inline void Warn(QWidget* owner, const char* title, const char* text) {
    QMessageBox box(QMessageBox::Warning, QString::fromUtf8(title), QString::fromUtf8(text),
                    QMessageBox::Ok, owner);
    box.exec();
}

}  // namespace sonavert
