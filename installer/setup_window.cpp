#include "setup_window.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFrame>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QProcess>
#include <QProxyStyle>
#include <QPushButton>
#include <QShowEvent>
#include <QStyleOption>

#include "payload.h"
#include "ui/dialog_look.h"

namespace installer {
namespace {

using tonekit::ui::ColourFromBgr;
using tonekit::ui::DialogUnitsToPixels;
using tonekit::ui::FindItem;
using tonekit::ui::Place;
using tonekit::ui::Placed;

constexpr char kBannerText[] = "     Sonavert  v1.1";
constexpr char kAgreement[] = "I have Read, Understand and Agree to the License Agreement Above";

// The banner picture with the product line drawn over it.
QPixmap Banner() {
    QPixmap banner(QString(kResources) + "/112.png");
    QPainter painter(&banner);
    painter.setFont(tonekit::ui::CellFont(20, 10, QFont::Bold));
    painter.setPen(ColourFromBgr(0xB090FF));
    painter.drawText(QRect(70, 20, banner.width() - 70, banner.height() - 20),
                     Qt::AlignLeft | Qt::AlignTop, kBannerText);
    return banner;
}

// The licence with each paragraph on one line, so the field wraps it to its
// own width.
QString LicenceText() {
    QFile file(QString(kResources) + "/111.txt");
    if (!file.open(QIODevice::ReadOnly)) return QString();
    QStringList paragraphs = QString::fromUtf8(file.readAll()).trimmed().split("\n\n");
    for (auto& paragraph : paragraphs) paragraph.replace('\n', ' ');
    return paragraphs.join("\n\n");
}

// A flat check box: a plain square with a one-pixel frame and a drawn mark.
class FlatCheckStyle : public QProxyStyle {
  public:
    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget) const override {
        if (element != PE_IndicatorCheckBox) {
            QProxyStyle::drawPrimitive(element, option, painter, widget);
            return;
        }
        const bool enabled = option->state & State_Enabled;
        const QRect box = option->rect.adjusted(0, 0, -1, -1);
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing, false);
        painter->setPen(QColor(64, 64, 64));
        painter->setBrush(enabled ? Qt::white : QColor(224, 224, 224));
        painter->drawRect(box);
        if (option->state & State_On) {
            painter->setRenderHint(QPainter::Antialiasing, true);
            painter->setPen(QPen(Qt::black, 2));
            const QRectF mark = QRectF(box).adjusted(2.5, 2.5, -2.5, -2.5);
            painter->drawPolyline(QPolygonF{QPointF(mark.left(), mark.center().y()),
                                            QPointF(mark.center().x() - 1, mark.bottom()),
                                            QPointF(mark.right(), mark.top())});
        }
        painter->restore();
    }
};

QString HomeFolder() {
    QString home = QDir::homePath();
    if (!home.endsWith('/')) home += '/';
    return home;
}

}  // namespace

Launcher DetachedLauncher() {
    return [](const QString& program, const QString& folder) {
        return QProcess::startDetached(program, {}, folder);
    };
}

SetupWindow::SetupWindow(Launcher launch) : launch_(std::move(launch)) {
    setWindowTitle("Program Setup");
    setFont(tonekit::ui::DialogFont());
    setWindowIcon(QIcon(QString(kResources) + "/102.png"));
    setFixedSize(DialogUnitsToPixels(0, 0, 322, 218).size());
    BuildTop();
    BuildBottom();
    FindItem(this, 1014)->setFocus();
}

void SetupWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (event->spontaneous() || centred_) return;
    centred_ = true;
    tonekit::ui::CentreOnScreen(this);
}

void SetupWindow::BuildTop() {
    auto* banner = Placed(new QLabel(this), {0, 0, 322, 38}, 1017, "Sonavert  v1.1");
    banner->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    banner->setPixmap(Banner());
    Placed(new QLabel("Install Path", this), {7, 43, 100, 9}, 0, "Install Path");
    auto* path = Placed(new QLineEdit(HomeFolder(), this), {7, 54, 250, 13}, 1009, "Install Path");
    path->setReadOnly(true);
    path->installEventFilter(this);
    auto* browse = Placed(new QPushButton("Browse", this), {262, 52, 53, 17}, 1004, "Browse");
    browse->setIcon(QIcon(QString(kResources) + "/104.png"));
    connect(browse, &QPushButton::clicked, this, [this] { Browse(); });
}

void SetupWindow::BuildBottom() {
    Placed(new QLabel("License Agreement", this), {7, 73, 100, 9}, 0, "License Agreement");
    auto* licence = Placed(new QPlainTextEdit(LicenceText(), this), {7, 83, 308, 94}, 1014,
                           "License Agreement");
    licence->setReadOnly(true);
    licence->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    licence->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    tonekit::ui::PaintControl(licence, 0x707070, 0x80FF80);
    licence->installEventFilter(this);

    auto* agree = Placed(new QCheckBox(kAgreement, this), {7, 181, 308, 11}, 1008, kAgreement);
    auto* flat = new FlatCheckStyle;
    flat->setParent(agree);  // goes with the box
    agree->setStyle(flat);
    connect(agree, &QCheckBox::toggled, this,
            [this](bool checked) { FindItem(this, 1003)->setEnabled(checked); });
    // The separator: a grey line over a white one.
    for (auto [y, colour] : {std::pair{0, 0x808080u}, std::pair{1, 0xFFFFFFu}}) {
        auto* line = new QFrame(this);
        const QRect top = DialogUnitsToPixels(7, 196, 308, 1);
        line->setGeometry(top.x(), top.y() + y, top.width(), 1);
        tonekit::ui::PaintControl(line, colour, colour);
    }
    auto* install = Placed(new QPushButton("Install", this), {262, 200, 53, 14}, 1003, "Install");
    install->setEnabled(false);
    connect(install, &QPushButton::clicked, this, [this] { Install(); });
}

bool SetupWindow::eventFilter(QObject* watched, QEvent* event) {
    // Neither field takes typing, and the path changes only through Browse.
    const int id = tonekit::ui::ControlId(watched);
    const auto type = event->type();
    if (type == QEvent::KeyPress && (id == 1009 || id == 1014)) return true;
    if (id == 1009 && (type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick)) {
        const auto button = static_cast<QMouseEvent*>(event)->button();
        if (button == Qt::LeftButton || button == Qt::RightButton) return true;
    }
    return QWidget::eventFilter(watched, event);
}

void SetupWindow::Browse() {
    if (choosing_) return;
    choosing_ = true;
    // Opens in the folder the path field shows.
    QFileDialog dialog(nullptr, "Select a Folder to Install to",
                       FindItem<QLineEdit>(this, 1009)->text());
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    dialog.setFileMode(QFileDialog::Directory);
    const bool chosen = dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty();
    choosing_ = false;
    if (!chosen) return;
    QString folder = QFileInfo(dialog.selectedFiles().front()).absoluteFilePath();
    if (!folder.endsWith('/')) folder += '/';
    FindItem<QLineEdit>(this, 1009)->setText(folder);
}

void SetupWindow::SetBusy(bool busy) {
    for (int id : {1003, 1008, 1004}) FindItem(this, id)->setEnabled(!busy);
}

bool SetupWindow::WritePayload(const std::string& folder) {
    std::string error;
    bool ok = MakeInstallFolder(folder, error);
    for (const PayloadFile& file : Payload()) {
        if (!ok) break;
        ok = WritePayloadFile(folder, file, error);
    }
    if (!ok) {
        QMessageBox box(QMessageBox::Critical, "ERROR",
                        QString::fromStdString("Cannot install into " + folder + "\n\n" + error),
                        QMessageBox::Ok, this);
        box.exec();
    }
    return ok;
}

void SetupWindow::Install() {
    SetBusy(true);
    const QString folder = FindItem<QLineEdit>(this, 1009)->text().left(2047) + "SONAVERT/";
    if (!WritePayload(folder.toStdString())) {
        SetBusy(false);
        return;
    }
    QMessageBox done(QMessageBox::Information, "SUCCESS", "SETUP is Complete !", QMessageBox::Ok,
                     this);
    done.exec();
    if (!launch_(folder + "sonavert", folder)) {
        QMessageBox failed(QMessageBox::Critical, "ERROR", "Cannot Open Program", QMessageBox::Ok,
                           this);
        failed.exec();
    }
    close();
}

}  // namespace installer
