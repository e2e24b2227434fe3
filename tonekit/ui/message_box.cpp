#include "ui/message_box.h"

#include <QApplication>
#include <QMessageBox>
#include <QThread>

#include "util/message.h"

namespace tonekit::ui {
namespace {

util::MessagePresenter g_fallback = nullptr;

QMessageBox::Icon ToQt(util::MessageIcon icon) {
    switch (icon) {
        case util::MessageIcon::Error:
            return QMessageBox::Critical;
        case util::MessageIcon::Warning:
            return QMessageBox::Warning;
        case util::MessageIcon::Information:
            return QMessageBox::Information;
    }
    return QMessageBox::NoIcon;
}

void ShowMessageBox(const char* text, const char* caption, util::MessageIcon icon) {
    auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
    if (!app || QThread::currentThread() != app->thread()) {
        g_fallback(text, caption, icon);
        return;
    }
    QMessageBox box(ToQt(icon), QString::fromUtf8(caption), QString::fromUtf8(text),
                    QMessageBox::Ok);
    box.exec();
}

}  // namespace

void InstallMessageBoxes() {
    g_fallback = util::SetMessagePresenter(ShowMessageBox);
}

}  // namespace tonekit::ui
