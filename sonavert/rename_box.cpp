#include "rename_box.h"

#include <QDialog>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>

#include "dialog_style.h"

namespace sonavert {
namespace {

using tonekit::ui::DialogUnitsToPixels;
using tonekit::ui::SetControlId;

class RenameBox : public MainWindowBox {
  public:
    RenameBox(Converter& c, QWidget* mainWindow, const std::string& fileName,
              std::function<bool(const std::string&)> rename)
        : MainWindowBox(mainWindow), rename_(std::move(rename)) {
        setWindowTitle("Rename File");
        SetControlId(this, 149);
        setFixedSize(DialogUnitsToPixels(0, 0, 250, 70).size());
        setFont(c.font);
        SetBackgroundPicture(this, c.background);

        const QString shownName = QString::fromStdString(
            fileName.size() >= 4 ? fileName.substr(0, fileName.size() - 4) : std::string());
        MakeStatic(this, "Old Name : ", kStaticBackground)
            ->setGeometry(DialogUnitsToPixels(7, 8, 50, 11));
        auto* oldName = MakeStatic(this, "  " + shownName, kStaticBackground);
        oldName->setGeometry(DialogUnitsToPixels(60, 8, 183, 11));
        oldName->setAccessibleName("Old Name");
        SetControlId(oldName, 1044);
        MakeStatic(this, "New Name : ", kStaticBackground)
            ->setGeometry(DialogUnitsToPixels(7, 26, 50, 11));

        edit_ = new QLineEdit(shownName, this);
        edit_->setGeometry(DialogUnitsToPixels(60, 25, 183, 13));
        edit_->setMaxLength(1023);
        edit_->setAccessibleName("New Name");
        SetControlId(edit_, 1037);
        edit_->selectAll();
        edit_->setFocus();

        auto* ok = new QPushButton("OK", this);
        ok->setGeometry(DialogUnitsToPixels(135, 48, 50, 15));
        ok->setDefault(true);
        ok->setAccessibleName("OK");
        SetControlId(ok, 1);
        auto* cancel = new QPushButton("Cancel", this);
        cancel->setGeometry(DialogUnitsToPixels(193, 48, 50, 15));
        cancel->setAccessibleName("Cancel");
        SetControlId(cancel, 2);
        connect(ok, &QPushButton::clicked, this, [this] {
            if (rename_(edit_->text().toStdString())) accept();
        });
        connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    }

  private:
    QLineEdit* edit_;
    std::function<bool(const std::string&)> rename_;
};

}  // namespace

void OpenRenameBox(Converter& converter, QWidget* mainWindow, const std::string& fileName,
                   std::function<bool(const std::string&)> rename) {
    auto* box = new RenameBox(converter, mainWindow, fileName, std::move(rename));
    box->show();
}

}  // namespace sonavert
