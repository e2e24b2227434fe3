#include "qt_test_support.h"

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
        ASSERT_NE(chooser, nullptr) << "expected a file or folder chooser";
        chooser->setDirectory(QString::fromStdString(folder));
        QString typed;
        for (const auto& name : names) typed += QStringLiteral("\"%1\" ").arg(name.c_str());
        if (names.size() == 1) typed = QString::fromStdString(names.front());
        chooser->findChild<QLineEdit*>("fileNameEdit")->setText(typed.trimmed());
        QMetaObject::invokeMethod(chooser, "accept");
    };
}

ModalAnswers::Answer Cancel() {
    return [](QWidget* dialog) { static_cast<QDialog*>(dialog)->reject(); };
}

ModalAnswers::Answer NoteFolder(std::string* opened, ModalAnswers::Answer then) {
    return [=](QWidget* dialog) {
        const QDir folder = static_cast<QFileDialog*>(dialog)->directory();
        *opened = folder.absolutePath().toStdString() + (folder.isRoot() ? "" : "/");
        then(dialog);
    };
}

std::string OkBoxText(const std::function<void()>& action) {
    std::string text;
    ModalAnswers answers;
    answers.Then(PressButton(QMessageBox::Ok, &text));
    action();
    return text;
}

std::string AccessibleName(QWidget* control) {
    QAccessibleInterface* reader = QAccessible::queryAccessibleInterface(control);
    return reader ? reader->text(QAccessible::Name).toStdString() : std::string();
}

QWidget* TopLevel(int id) {
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (widget->isVisible() && tonekit::ui::ControlId(widget) == id) return widget;
    return nullptr;
}

bool Centred(QWidget* window) {
    const QRect screen = window->screen()->availableGeometry();
    return (window->frameGeometry().center() - screen.center()).manhattanLength() <= 4;
}

bool DropFiles(QWidget* target, const std::vector<std::string>& paths) {
    QMimeData data;
    QList<QUrl> urls;
    for (const auto& path : paths) urls << QUrl::fromLocalFile(QString::fromStdString(path));
    data.setUrls(urls);
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    if (!enter.isAccepted()) return false;
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
    return true;
}

void Snapshot(QWidget* widget, const std::string& folder, const std::string& name) {
    if (folder.empty()) return;
    widget->grab().save(QString::fromStdString(folder + "/" + name + ".png"));
}

}  // namespace testing_support
