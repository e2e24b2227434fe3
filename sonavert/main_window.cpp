#include "main_window.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLayout>
#include <QListWidget>
#include <QMenuBar>
#include <QMessageBox>
#include <QMouseEvent>
#include <QProgressBar>
#include <QShowEvent>
#include <QSlider>
#include <QTableWidget>
#include <QTimer>
#include <QToolButton>

#include "about_box.h"
#include "conversion_queue.h"
#include "dialog_style.h"
#include "input_list.h"
#include "menu_style.h"
#include "message_pump.h"
#include "output_list.h"
#include "preview.h"
#include "search_window.h"
#include "tool_tips.h"
#include "user_guide.h"

namespace sonavert {
namespace {

using tonekit::ui::AnnouncedByText;
using tonekit::ui::ColourFromBgr;
using tonekit::ui::DialogUnitsToPixels;
using tonekit::ui::FindItem;
using tonekit::ui::Place;
using tonekit::ui::Placed;
using tonekit::ui::SetControlId;

constexpr char kResources[] = ":/sonavert";
constexpr char kDownloadsPage[] = "https://sonavert.org/downloads";
constexpr int kAddCdTracks = 40040;

struct ButtonEntry {
    int id;
    const char* text;
    const char* accessibleName;
    Place place;
};

// The picture buttons of the input group and the buttons under the output list.
constexpr ButtonEntry kButtons[] = {
    {1014, "Add", "Add", {12, 17, 52, 40}},
    {1017, "Remove", "Remove", {67, 17, 52, 40}},
    {1030, "Search", "Search", {122, 17, 52, 40}},
    {1010, "Convert", "Convert", {177, 17, 52, 40}},
    {1016, "Play", "Play", {232, 17, 52, 40}},
    {1012, "Help", "Help", {287, 17, 52, 40}},
    {1011, "Play  ", "Play output", {12, 268, 52, 16}},
    {1031, "Resample", "Resample", {67, 268, 52, 16}},
    {1015, "Select All", "Select All", {122, 268, 52, 16}},
    {1025, "Delete ", "Delete", {177, 268, 52, 16}},
    {1033, "Rename", "Rename", {232, 268, 52, 16}},
    {1026, "Goto", "Goto", {287, 268, 52, 16}},
    {1013, "...", "Set Output Folder", {316, 166, 28, 14}},
    {1042, "RESET", "RESET", {308, 205, 36, 14}},
};

struct PictureEntry {
    int bitmap, button, width, height, marginLeft, marginTop, align;
    uint32_t mask;
};
constexpr PictureEntry kPictures[] = {
    {128, 1030, 32, 32, 32, 10, 2, 0xFFFFFF},  {129, 1014, 32, 32, 32, 10, 2, 0xFFFFFF},
    {130, 1017, 32, 32, 32, 10, 2, 0xFFFFFF},  {131, 1012, 32, 32, 32, 10, 2, 0xFFFFFF},
    {132, 1010, 32, 32, 32, 10, 2, 0xFFFFFF},  {145, 1011, 16, 16, -30, 16, 4, 0x0000FF},
    {146, 1025, 16, 16, -30, 16, 4, 0xFFFFFF}, {148, 1016, 32, 32, 32, 10, 2, 0x0000FF},
};

struct TipEntry {
    int id;
    const char* text;
};
constexpr TipEntry kToolTips[] = {
    {1014, "Click to Add MP3,WMA,CDA and WAV Files to the List for Conversion"},
    {1030, "Click to Search and Gather MP3,WMA,CDA and WAV Files"},
    {1010, "Click to Begin Conversion of All Media"},
    {1016, "Click to Play the Selected Input Media"},
    {1012, "Click to View the Sonavert Help Page"},
    {1013, "Click to Change the Output Directory where your Files will be converted to"},
    {1026,
     "Click to Open an Explorer Window enabling you to view the contents of the OUTPUT "
     "MEDIA Folder"},
    {1011, "Click here to Play the Selected Output Media"},
    {1031, "Click here to Resample or change the Pitch for the selected file"},
    {1025, "Click here to Permanently Delete the Selected Output Files"},
    {1015, "Click here to Select all Output Files in the Listbox"},
    {1033, "Click here to Rename the selected file"},
    {1042, "Click here to Reset the pitch to Normal"},
    {1000, "Drag here to change the playback pitch"},
    {1023, "Click here to Select the Format you wish your Media to be Converted to"},
};

constexpr int kBitrates[] = {192, 128, 64, 32};
constexpr int kBufferSizes[] = {1024, 2048, 4096, 8192, 16384, 32768, 65536};

// The controls a conversion run disables (the Convert button stays, as Stop).
constexpr int kIdleOnlyControls[] = {1011, 1012, 1013, 1014, 1017, 1015, 1025, 1026,
                                     1023, 1030, 1031, 1016, 1042, 1033, 1000, 1008};

// The order Tab walks: the input group's buttons and table, then the output
// group from its folder button and list over the format and pitch to the
// buttons under the list.
constexpr int kTabOrder[] = {1014, 1017, 1030, 1010, 1016, 1012, 0,    1013, 1008,
                             1023, 1042, 1000, 1011, 1031, 1015, 1025, 1033, 1026};

// Controls whose text changes: a screen reader hears what they show now.
constexpr int kChangingTexts[] = {1010, 1016, 1011, 1020, 1043, 1022};

}  // namespace

// The main window as the conversion run sees it.
class QueueWindow : public QueueView {
  public:
    explicit QueueWindow(MainWindow& w) : w_(w) {}
    int InputCount() override { return static_cast<int>(w_.input_->Paths().size()); }
    std::string InputPath(int row) override { return w_.input_->Paths().at(row); }
    std::string InputTitle(int row) override {
        auto* cell = w_.input_->table()->item(row, 1);
        return cell ? cell->text().toStdString() : std::string();
    }
    void SetRowStatus(int row, const char* status) override {
        if (auto* cell = w_.input_->table()->item(row, 4)) cell->setText(status);
    }
    void SelectRow(int row) override {
        auto* table = w_.input_->table();
        table->clearSelection();
        if (row < 0 || row >= table->rowCount()) return;
        table->selectRow(row);
        table->scrollToItem(table->item(row, 0));
    }
    void SetStatus(const std::string& text) override { w_.SetStatusText(text); }
    void SetProgress(int percent) override {
        FindItem<QProgressBar>(w_.dialog_, 1007)->setValue(std::clamp(percent, 0, 100));
    }
    void RefreshOutputs() override { w_.output_->Refresh(); }
    void ShowRunning(bool running) override {
        for (int id : kIdleOnlyControls) FindItem(w_.dialog_, id)->setEnabled(!running);
        w_.input_->table()->setEnabled(!running);
        FindItem<QToolButton>(w_.dialog_, 1010)->setText(running ? "Stop" : "Convert");
        if (running) w_.input_->Rebuild(false);
    }
    void Warn(const char* title, const char* text) override {
        QMessageBox box(QMessageBox::Warning, title, text, QMessageBox::Ok);
        box.exec();
    }

  private:
    MainWindow& w_;
};

// The main window as the preview sees it.
class PreviewWindow : public PreviewView {
  public:
    explicit PreviewWindow(MainWindow& w) : w_(w) {}
    void SetStatus(const std::string& text) override { w_.SetStatusText(text); }
    void SetProgress(int percent) override {
        FindItem<QProgressBar>(w_.dialog_, 1007)->setValue(std::clamp(percent, 0, 100));
    }
    void ShowPreviewing(bool previewing) override {
        for (int id : {1010, 1033, 1015, 1025, 1031})
            FindItem(w_.dialog_, id)->setEnabled(!previewing);
        if (!previewing)
            for (int id : {1012, 1013, 1014}) FindItem(w_.dialog_, id)->setEnabled(true);
        FindItem<QToolButton>(w_.dialog_, 1011)->setText(previewing ? "Stop  " : "Play  ");
        FindItem<QToolButton>(w_.dialog_, 1016)->setText(previewing ? "  Stop  " : "  Play  ");
        w_.Action(1010)->setEnabled(!previewing);
        if (!previewing) w_.ApplyEnabling(false);
    }

  private:
    MainWindow& w_;
};

MainWindow::MainWindow(Converter& converter)
    : c_(converter), dialog_(new QWidget(this)), toolTips_(new ToolTips(this)) {
    SetControlId(this, 106);
    setWindowTitle("Sonavert 1.0");
    setWindowIcon(QIcon(QString(kResources) + "/105.png"));
    setCentralWidget(dialog_);
    dialog_->setFixedSize(DialogUnitsToPixels(0, 0, 355, 329).size());
    SetBackgroundPicture(dialog_, c_.background);
    BuildControls();
    BuildMenu();
    SetPictures();
    ConnectCommands();
    AddToolTips();
    queueWindow_ = std::make_unique<QueueWindow>(*this);
    queue_ = std::make_unique<ConversionQueue>(c_, *queueWindow_);
    previewWindow_ = std::make_unique<PreviewWindow>(*this);
    preview_ = new Preview(c_, *previewWindow_, this);
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    qApp->installEventFilter(this);
}

MainWindow::~MainWindow() {
    qApp->removeEventFilter(this);
}

void MainWindow::BuildControls() {
    auto* inputGroup = Placed(new QGroupBox(dialog_), {5, 3, 345, 145}, 1032, "Input media");
    auto* outputGroup = Placed(new QGroupBox(dialog_), {5, 152, 345, 147}, 1021, "Output media");
    Placed(new QGroupBox(dialog_), {12, 163, 300, 19}, 0, "Output pattern frame");
    for (auto* group : {inputGroup, outputGroup}) group->lower();

    Placed(MakeStatic(dialog_, "INPUT MEDIA", 0x6464C8, Qt::AlignCenter), {125, 3, 105, 10}, 1029,
           "INPUT MEDIA");
    Placed(MakeStatic(dialog_, "    OUTPUT MEDIA    ", 0x6464C8, Qt::AlignCenter),
           {125, 152, 105, 10}, 1028, "OUTPUT MEDIA");
    for (const auto& entry : kButtons) {
        auto* button =
            Placed(new QToolButton(dialog_), entry.place, entry.id, entry.accessibleName);
        button->setText(entry.text);
    }

    input_ = new InputList(
        c_, dialog_, [this](const std::string& text) { SetStatusText(text); },
        [this](bool enableOnly) { ApplyEnabling(enableOnly); });

    auto* pattern = Placed(MakeStatic(dialog_, "", kStaticBackground), {16, 168, 292, 10}, 1022,
                           "Output pattern");
    auto* outputs = Placed(new QListWidget(dialog_), {12, 185, 215, 78}, 1008, "Output list");
    outputs->setSelectionMode(QAbstractItemView::ExtendedSelection);
    tonekit::ui::PaintControl(outputs, 0xFAFFFA, 0x000000);
    tonekit::ui::PaintControl(input_->list(), 0xFFFAFA, 0x000000);
    output_ = new OutputList(c_, dialog_, pattern, outputs);

    Placed(MakeStatic(dialog_, "Convert To :", kStaticBackground), {233, 186, 55, 12}, 1027,
           "Convert To :");
    Placed(new QComboBox(dialog_), {290, 185, 54, 14}, 1023, "Convert To");
    Placed(MakeStatic(dialog_, "  Pitch", kStaticBackground), {233, 206, 40, 12}, 0, "Pitch");
    Placed(MakeStatic(dialog_, "1.00", kStaticBackground, Qt::AlignCenter), {275, 206, 30, 12},
           1043, "Pitch value");
    auto* pitch = Placed(new QSlider(Qt::Horizontal, dialog_), {233, 224, 111, 22}, 1000, "Pitch");
    pitch->setRange(0, 100);
    pitch->setTickPosition(QSlider::TicksBelow);
    pitch->setTickInterval(5);
    pitch->setValue(50);

    auto* progress = Placed(new QProgressBar(dialog_), {5, 303, 345, 9}, 1007, "Progress");
    progress->setRange(0, 100);
    progress->setValue(0);
    progress->setTextVisible(false);
    auto* status = Placed(MakeStatic(dialog_, "", 0x000000), {5, 314, 345, 11}, 1020, "Status");
    status->setFrameStyle(QFrame::Panel | QFrame::Sunken);

    for (int id : {1017, 1010}) FindItem(dialog_, id)->setEnabled(false);
    for (int id : kChangingTexts) AnnouncedByText(FindItem(dialog_, id));
    QWidget* previous = nullptr;
    for (int id : kTabOrder) {
        QWidget* next = id ? FindItem(dialog_, id) : input_->table();
        if (previous) setTabOrder(previous, next);
        previous = next;
    }
}

QAction* MainWindow::AddCommand(QMenu* menu, int id, const char* text) {
    QAction* action = menu->addAction(text);
    SetControlId(action, id);
    actions_[id] = action;
    connect(action, &QAction::triggered, this, [this, id] { Command(id); });
    return action;
}

void MainWindow::BuildMenu() {
    menuStyle_ = std::make_unique<MenuStyle>(c_.font);
    QMenu* file = menuBar()->addMenu("&File");
    AddCommand(file, 1014, "Add Media Files");
    AddCommand(file, 40035, "Add Folder");
    AddCommand(file, kAddCdTracks, "Add CD Tracks");
    AddCommand(file, 1013, "Set Output Folder");
    file->addSeparator();
    AddCommand(file, 40031, "Delete All Input Media");
    file->addSeparator();
    AddCommand(file, 40003, "Exit");

    QMenu* options = menuBar()->addMenu("&Options");
    AddCommand(options, 1010, "Convert All Files");
    AddCommand(options, 1017, "Remove Selected from Input List")->setEnabled(false);
    AddCommand(options, 40036, "Clear Input List");
    options->addSeparator();
    QMenu* bitrate = options->addMenu("Encode Bitrate");
    const char* bitrateTexts[] = {"192 kBps", "128 kBps", "64 kBps", "32 kBps"};
    for (int i = 0; i < 4; ++i) AddCommand(bitrate, 500 + i, bitrateTexts[i])->setCheckable(true);
    QMenu* buffers = options->addMenu("Audio Buffer Settings");
    for (int i = 0; i < 7; ++i)
        AddCommand(buffers, 1800 + i, std::to_string(kBufferSizes[i]).c_str())->setCheckable(true);
    options->addSeparator();
    AddCommand(options, 1030, "Search For Audio Files");
    options->addSeparator();
    AddCommand(options, 40033, "Download More Software");

    QMenu* help = menuBar()->addMenu("&Help");
    AddCommand(help, 1012, "User Guide");
    AddCommand(help, 40007, "About Author");
    AddCommand(help, 450, "Enable Bubble Help")->setCheckable(true);

    for (QMenu* menu : {file, options, bitrate, buffers, help}) menu->setStyle(menuStyle_.get());
    ApplyMenuSetting(0);
}

void MainWindow::SetPictures() {
    for (const auto& p : kPictures)
        buttonPictures_.emplace_back(static_cast<QIcon*>(
            c_.tk.BitmapButtonXP(kResources, dialog_, p.bitmap, p.button, p.width, p.height,
                                 p.marginLeft, p.marginTop, p.align, p.mask, &c_.font)));
    c_.tk.SetFonts10(dialog_, 1016, 1006, 1008, 1022, 1020, 1023, 1027, 1015, 1031, 1033, &c_.font);
    c_.tk.SetFonts10(dialog_, 1026, 0, 0, 0, 0, 0, 0, 0, 0, 0, &c_.font);
}

void MainWindow::ConnectCommands() {
    for (const auto& entry : kButtons)
        connect(FindItem<QToolButton>(dialog_, entry.id), &QToolButton::clicked, this,
                [this, id = entry.id] { Command(id); });
    auto* table = input_->table();
    connect(table, &QTableWidget::cellClicked, this, [this](int row) {
        input_->RememberRow(row);
        if (!input_->IsEmpty()) FindItem(dialog_, 1017)->setEnabled(true);
    });
    connect(table, &QTableWidget::cellDoubleClicked, this, [this](int row) {
        if (c_.flags.running) return;
        input_->RememberRow(row);
        preview_->Stop();
        PlayInput(row);
    });
    connect(FindItem<QListWidget>(dialog_, 1008), &QListWidget::itemDoubleClicked, this, [this] {
        if (c_.flags.running) return;
        preview_->Stop();
        PlayOutput();
    });
    connect(FindItem<QSlider>(dialog_, 1000), &QSlider::valueChanged, this, [this](int position) {
        preview_->SetSliderPosition(position);
        FindItem<QLabel>(dialog_, 1043)->setText(c_.tk.fp2sz(preview_->pitch(), 2));
    });
    auto* format = FindItem<QComboBox>(dialog_, 1023);
    c_.tk.AddComboStrings(dialog_, 1023, ".mp3\0.wma\0.wav\0", 1, 100, 0);
    format->setCurrentIndex(c_.settings.formatIndex);
    connect(format, &QComboBox::currentIndexChanged, this,
            [this](int index) { output_->FormatChanged(index); });
    output_->WritePattern();
    FindItem(dialog_, 1011)->setFocus();
    input_->Rebuild(true);
    SetStatusText(" Idle");
}

void MainWindow::AddToolTips() {
    for (const auto& tip : kToolTips) c_.tk.AddToolTip(dialog_, toolTips_, tip.id, tip.text);
    toolTips_->Activate(c_.settings.bubbleHelp == 1);
}

QAction* MainWindow::Action(int id) const {
    auto it = actions_.find(id);
    return it == actions_.end() ? nullptr : it->second;
}

void MainWindow::ApplyMenuSetting(int id) {
    if (id >= 500 && id <= 503) c_.settings.bitrate = kBitrates[id - 500];
    if (id >= 1800 && id <= 1806) c_.settings.bufferBytes = kBufferSizes[id - 1800];
    if (id == 450) {
        c_.settings.bubbleHelp = c_.settings.bubbleHelp == 1 ? 0 : 1;
        toolTips_->Activate(c_.settings.bubbleHelp == 1);
    }
    // The green marks follow the settings.
    for (int i = 0; i < 4; ++i) Action(500 + i)->setChecked(kBitrates[i] == c_.settings.bitrate);
    for (int i = 0; i < 7; ++i)
        Action(1800 + i)->setChecked(kBufferSizes[i] == c_.settings.bufferBytes);
    Action(450)->setChecked(c_.settings.bubbleHelp == 1);
}

void MainWindow::Command(int id) {
    ApplyMenuSetting(id);
    if (c_.flags.running && id != 1010) return;
    switch (id) {
        case 1010:
            if (c_.flags.running) {
                FindItem<QToolButton>(dialog_, 1010)->setText("Convert");
                queue_->RequestStop();
            } else if (!c_.flags.previewing) {
                queue_->ConvertAll();
            }
            break;
        case 1016:
            if (c_.flags.previewing)
                preview_->Stop();
            else
                PlayInput(input_->RememberedRow());
            break;
        case 1011:
            if (c_.flags.previewing)
                preview_->Stop();
            else
                PlayOutput();
            break;
        case 1042:
            FindItem<QSlider>(dialog_, 1000)->setValue(50);
            break;
        case 1030:
            OpenSearchWindow();
            break;
        case 1014:
            input_->AddFiles();
            break;
        case 40035:
            input_->AddFolder();
            break;
        case kAddCdTracks:
            input_->AddCdTracks();
            break;
        case 1017:
            input_->RemoveSelected();
            break;
        case 40036:
            input_->Clear();
            break;
        case 40031:
            input_->DeleteAllMedia();
            break;
        case 1013:
            if (auto* action = Action(1013)) action->setEnabled(false);
            output_->ChooseFolder();
            if (auto* action = Action(1013)) action->setEnabled(true);
            break;
        case 1015:
            output_->SelectAll();
            break;
        case 1025:
            output_->DeleteSelected();
            break;
        case 1033:
            output_->Rename();
            break;
        case 1026:
            OpenOrSayWhy(QUrl::fromLocalFile(QString::fromStdString(c_.settings.outputFolder)));
            break;
        case 1031:
            output_->Resample();
            break;
        case 1012:
            OpenUserGuide();
            break;
        case 40033:
            OpenOrSayWhy(QUrl(kDownloadsPage));
            break;
        case 40007:
            OpenAboutBox(c_, this);
            break;
        case 40003:
            Destroy();
            break;
        default:  // the conversion run, the previews and the search come with their parts
            break;
    }
}

void MainWindow::OpenSearchWindow() {
    if (c_.flags.previewing) return;
    if (!search_) {
        search_ = new SearchWindow(c_, *input_, this, [this](const std::string& path) {
            preview_->Stop();
            preview_->Start(path);
        });
    }
    search_->show();
    search_->raise();
    search_->activateWindow();
}

void MainWindow::PlayInput(int row) {
    const auto paths = input_->Paths();
    if (row < 0 || row >= static_cast<int>(paths.size())) {
        // Nothing to load: the status line says it tried.
        SetStatusText(" Loading Audio ...");
        SetStatusText(" Idle");
        return;
    }
    preview_->Start(paths[row]);
}

void MainWindow::OpenUserGuide() {
    std::string error;
    const std::string guide = WriteOutUserGuide(UserGuideFolder(c_.paths), error);
    if (guide.empty()) {
        const std::string text = "Cannot show the user guide:\n\n" + error;
        QMessageBox box(QMessageBox::Warning, "ERROR", QString::fromStdString(text),
                        QMessageBox::Ok, this);
        box.exec();
        return;
    }
    OpenOrSayWhy(QUrl::fromLocalFile(QString::fromStdString(guide)));
}

void MainWindow::OpenOrSayWhy(const QUrl& url) {
    if (c_.shell.openUrl(url)) return;
    const QString shown = url.isLocalFile() ? url.toLocalFile() : url.toString();
    QMessageBox box(QMessageBox::Warning, "ERROR",
                    "Cannot open " + shown +
                        "\n\nNo program to open it was found: install xdg-utils (xdg-open) "
                        "or a desktop environment.",
                    QMessageBox::Ok, this);
    box.exec();
}

void MainWindow::PlayOutput() {
    auto* current = FindItem<QListWidget>(dialog_, 1008)->currentItem();
    if (!current) return;
    preview_->Start(c_.settings.outputFolder + current->text().toStdString());
}

void MainWindow::ApplyEnabling(bool enableOnly) {
    const bool enable = !input_->IsEmpty() && !c_.flags.previewing;
    if (!enable && enableOnly) return;
    c_.tk.EnableWindows10(dialog_, enable ? 1 : 0, 1017, 1010, 0, 0, 0, 0, 0, 0, 0, 0);
    Action(1017)->setEnabled(enable);
}

void MainWindow::SetStatusText(const std::string& text) {
    if (text == lastStatus_) return;
    lastStatus_ = text;
    FindItem<QLabel>(dialog_, 1020)->setText(QString::fromStdString(text));
}

void MainWindow::RefreshOutputList() {
    output_->Refresh();
}

void MainWindow::Destroy() {
    if (destroyed_) return;
    destroyed_ = true;
    c_.flags.shuttingDown = true;
    SaveSettings(c_.paths.settingsFile, c_.settings);
    hide();
    PostQuit();
}

void MainWindow::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (event->spontaneous() || centred_) return;
    centred_ = true;
    tonekit::ui::CentreOnScreen(this);
}

bool MainWindow::event(QEvent* event) {
    if (event->type() == QEvent::WindowActivate && !c_.flags.deletingOutputs) output_->Refresh();
    return QMainWindow::event(event);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (c_.flags.running || c_.flags.previewing) {
        event->ignore();
        return;
    }
    Destroy();
    event->accept();
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    // A right click on the input table marks its selected rows in the list.
    if (event->type() == QEvent::MouseButtonPress &&
        static_cast<QMouseEvent*>(event)->button() == Qt::RightButton &&
        watched == input_->table()->viewport())
        input_->SyncSelection();
    // The Delete key acts wherever it is pressed in the main window or the
    // search window, never in a chooser or a box; the key still reaches its
    // own control. A key passed on to parents is seen once.
    if (event->type() != QEvent::KeyPress || !watched->isWidgetType()) return false;
    if (static_cast<QKeyEvent*>(event)->key() != Qt::Key_Delete || c_.flags.running) return false;
    const QWidget* window = static_cast<QWidget*>(watched)->window();
    if (QApplication::activeModalWidget() || (window != this && window != search_)) return false;
    if (deletePending_) return false;
    deletePending_ = true;
    QTimer::singleShot(0, this, [this] {
        deletePending_ = false;
        if (!c_.flags.running && !destroyed_) input_->DeleteKey();
    });
    return false;
}

}  // namespace sonavert

namespace sonavert {

SearchWindow* MainWindow::searchWindow() const {
    return search_;
}

}  // namespace sonavert
