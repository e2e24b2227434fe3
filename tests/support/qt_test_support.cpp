#include "qt_test_support.h"

#include <gtest/gtest.h>
#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QTimer>

namespace testing_support {

ModalAnswers::ModalAnswers() : timer_(new QTimer) {
    QObject::connect(timer_, &QTimer::timeout, [this] { Poll(); });
    timer_->start(5);
}

ModalAnswers::~ModalAnswers() {
    delete timer_;
    EXPECT_TRUE(answers_.empty()) << answers_.size() << " expected dialogs never opened";
}

ModalAnswers& ModalAnswers::Then(Answer answer) {
    answers_.push_back(std::move(answer));
    return *this;
}

void ModalAnswers::Poll() {
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal || modal == last_ || answers_.empty()) return;
    last_ = modal;
    Answer answer = std::move(answers_.front());
    answers_.pop_front();
    answer(modal);
}

ModalAnswers::Answer PressButton(int standardButton, std::string* text) {
    return [=](QWidget* dialog) {
        auto* box = qobject_cast<QMessageBox*>(dialog);
        ASSERT_NE(box, nullptr) << "expected a message box";
        if (text) *text = box->windowTitle().toStdString() + "|" + box->text().toStdString();
        box->button(static_cast<QMessageBox::StandardButton>(standardButton))->click();
    };
}

ModalAnswers::Answer ChooseFiles(const std::string& folder, const std::vector<std::string>& names) {
    return [=](QWidget* dialog) {
        auto* chooser = qobject_cast<QFileDialog*>(dialog);
        ASSERT_NE(chooser, nullptr) << "expected a file dialog";
        chooser->setDirectory(QString::fromStdString(folder));
        QString typed;
        for (const auto& name : names) typed += QStringLiteral("\"%1\" ").arg(name.c_str());
        if (names.size() == 1) typed = QString::fromStdString(names.front());
        chooser->findChild<QLineEdit*>("fileNameEdit")->setText(typed.trimmed());
        QMetaObject::invokeMethod(chooser, "accept");
    };
}

ModalAnswers::Answer ChooseFolder(const std::string& folder) {
    return [=](QWidget* dialog) {
        auto* chooser = qobject_cast<QFileDialog*>(dialog);
        ASSERT_NE(chooser, nullptr) << "expected a folder chooser";
        chooser->setDirectory(QString::fromStdString(folder));
        chooser->findChild<QLineEdit*>("fileNameEdit")->clear();
        QMetaObject::invokeMethod(chooser, "accept");
    };
}

ModalAnswers::Answer Cancel() {
    return [](QWidget* dialog) { static_cast<QDialog*>(dialog)->reject(); };
}

std::string AccessibleName(QWidget* control) {
    QAccessibleInterface* reader = QAccessible::queryAccessibleInterface(control);
    return reader ? reader->text(QAccessible::Name).toStdString() : std::string();
}

void Snapshot(QWidget* widget, const std::string& folder, const std::string& name) {
    if (folder.empty()) return;
    widget->grab().save(QString::fromStdString(folder + "/" + name + ".png"));
}

}  // namespace testing_support
