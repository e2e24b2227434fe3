#include "wavshift_window.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QDropEvent>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QShortcut>
#include <QShowEvent>
#include <QToolButton>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "audio/frame_codec.h"
#include "ui/dialog_look.h"

namespace wavshift {
namespace {

using tonekit::ui::DialogUnitsToPixels;
using tonekit::ui::FindItem;
using tonekit::ui::kStaticBackground;
using tonekit::ui::Place;
using tonekit::ui::Placed;

constexpr int kSlot = 0;
constexpr size_t kLongestPath = 1023;
constexpr uint32_t kLowestRate = 2000;
constexpr uint32_t kHighestRate = 192000;

// The controls a loaded file enables and a run disables (OPEN only the latter).
constexpr int kFileControls[] = {1015, 1010, 1011, 1008, 1012, 1013, 1000, 1009};

// The file line without a file says how to get one.
constexpr char kNoFile[] = "  [ no file ]  Drop a WAV file here, or press Ctrl+O";

// The first local file a drag carries, or "".
std::string DroppedFile(const QMimeData* data) {
    for (const QUrl& url : data->urls())
        if (url.isLocalFile()) return url.toLocalFile().toStdString();
    return {};
}

QString ChannelsText(uint32_t channels) {
    return channels == 1 ? "  Mono  " : "  Stereo";
}

QString BitsText(uint32_t bits) {
    return bits == 8 ? "  8-Bit " : "  16-Bit";
}

// Two arrow buttons that step the rate edit; the notches themselves are not
// bounded, only the run holds the rate within its range.
QWidget* MakeUpDown(QWidget* parent, Place place, const std::function<void(int)>& step) {
    auto* upDown = Placed(new QWidget(parent), place, 1009, "Step the sample rate by 100");
    const QRect area = upDown->rect();
    const int half = area.height() / 2;
    const struct {
        Qt::ArrowType arrow;
        const char* name;
        int direction;
        QRect rect;
    } arrows[] = {
        {Qt::UpArrow, "Rate up", 1, QRect(0, 0, area.width(), half)},
        {Qt::DownArrow, "Rate down", -1, QRect(0, half, area.width(), area.height() - half)}};
    for (const auto& a : arrows) {
        auto* button = new QToolButton(upDown);
        button->setArrowType(a.arrow);
        button->setGeometry(a.rect);
        button->setAutoRepeat(true);
        button->setAccessibleName(a.name);
        const int direction = a.direction;
        QObject::connect(button, &QToolButton::clicked, upDown,
                         [step, direction] { step(direction); });
    }
    return upDown;
}

}  // namespace

std::string ResampledPath(const std::string& source) {
    // The last four characters go when they are the file's extension, so the
    // output never lands outside the source's folder.
    const size_t slash = source.rfind('/');
    const size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    const bool hasExtension = source.size() >= nameStart + 5 && source[source.size() - 4] == '.';
    return (hasExtension ? source.substr(0, source.size() - 4) : source) + ".resampled.wav";
}

uint32_t ClampedRate(const QString& text) {
    bool ok = false;
    const qlonglong value = text.trimmed().toLongLong(&ok);
    return static_cast<uint32_t>(std::clamp<qlonglong>(ok ? value : 0, kLowestRate, kHighestRate));
}

WavshiftWindow::WavshiftWindow(const TonekitApi& tk, const QPixmap* background) : tk_(tk) {
    setWindowTitle(kTitle);
    setWindowIcon(QIcon(QString(kResources) + "/102.png"));
    setFixedSize(DialogUnitsToPixels(0, 0, 241, 130).size());
    tonekit::ui::SetBackgroundPicture(this, background);
    setAcceptDrops(true);
    Build();
    GoIdle();
}

void WavshiftWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (event->spontaneous() || centred_) return;
    centred_ = true;
    tonekit::ui::CentreOnScreen(this);
}

void WavshiftWindow::dragEnterEvent(QDragEnterEvent* event) {
    if (!running_ && !DroppedFile(event->mimeData()).empty()) event->acceptProposedAction();
}

void WavshiftWindow::dropEvent(QDropEvent* event) {
    const std::string path = DroppedFile(event->mimeData());
    if (running_ || path.empty()) return;
    event->acceptProposedAction();
    LoadSource(path);
}

void WavshiftWindow::Build() {
    auto* name = Placed(tonekit::ui::MakeStatic<tonekit::ui::ElidingStatic>(
                            this, kNoFile, 0xFFFFFF, Qt::AlignLeft | Qt::AlignVCenter, 0x000000),
                        {7, 7, 227, 12}, 1015, "Source file");
    name->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    BuildFormatControls();
    BuildRunControls();
    const QFont arial = tonekit::ui::CellFont(13, 6);
    for (int id : {1021, 1022, 1023, 1006, 1019, 1018, 1017, 1012, 1013, 1000})
        FindItem(this, id)->setFont(arial);
    for (int id : {1015, 1017, 1018, 1019, 1024}) tonekit::ui::AnnouncedByText(FindItem(this, id));
}

void WavshiftWindow::BuildFormatControls() {
    const struct {
        int id;
        const char* text;
        const char* caption;
        Place place;
    } statics[] = {
        {1021, "Samplerate", "Samplerate", {7, 25, 73, 10}},
        {1022, "Bit Depth", "Bit Depth", {84, 25, 73, 10}},
        {1023, "Channels", "Channels", {161, 25, 73, 10}},
        {1019, "", "Source sample rate", {7, 36, 73, 10}},
        {1018, "", "Source bit depth", {84, 36, 73, 10}},
        {1017, "", "Source channels", {161, 36, 73, 10}},
    };
    for (const auto& s : statics)
        Placed(tonekit::ui::MakeStatic(this, s.text, kStaticBackground), s.place, s.id, s.caption);

    auto* rate = Placed(new QLineEdit("44100", this), {7, 50, 62, 13}, 1008, "Target sample rate");
    rate->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9]{0,10}"), rate));
    MakeUpDown(this, {69, 50, 11, 13}, [this](int direction) { StepRate(direction); });
    Placed(new QComboBox(this), {84, 50, 73, 13}, 1010, "Bit Depth");
    Placed(new QComboBox(this), {161, 50, 73, 13}, 1011, "Channels");
    tk_.AddComboStrings(this, 1010, "  8-Bit \0  16-Bit\0", 1, 60, 1);
    tk_.AddComboStrings(this, 1011, "  Mono  \0  Stereo\0", 1, 60, 1);
}

void WavshiftWindow::BuildRunControls() {
    for (const auto& [id, text, y] :
         {std::tuple{1013, "Overwrite Original", 69}, std::tuple{1012, "Change Pitch", 82}}) {
        auto* box = Placed(new QCheckBox(text, this), {7, y, 87, 11}, id, text);
        tonekit::ui::PaintControl(box, kStaticBackground, 0xFFFFFF);
    }
    auto* picture = Placed(new QLabel(this), {97, 68, 60, 25}, 0, "Wavshift");
    picture->setPixmap(QPixmap(QString(kResources) + "/106.png"));
    picture->setAlignment(Qt::AlignCenter);

    auto* resample = Placed(new QPushButton("ReSAMPLE", this), {161, 68, 73, 25}, 1000, "ReSAMPLE");
    connect(resample, &QPushButton::clicked, this, [this] { Resample(); });
    resample->installEventFilter(this);
    resample->setAutoDefault(true);  // Enter, like Space, starts a run

    auto* open = Placed(new QPushButton("OPEN", this), {120, 110, 36, 12}, 1006, "OPEN");
    open->hide();
    connect(open, &QPushButton::clicked, this, [this] { Open(); });
    // The hidden command is reachable from the keyboard too.
    connect(new QShortcut(QKeySequence::Open, this), &QShortcut::activated, open,
            &QPushButton::click);

    auto* progress = Placed(new QProgressBar(this), {7, 99, 227, 9}, 1007, "Progress");
    progress->setRange(0, 100);
    progress->setValue(0);
    progress->setTextVisible(false);
    Placed(tonekit::ui::MakeStatic<tonekit::ui::ElidingStatic>(this, "", kStaticBackground),
           {7, 112, 227, 11}, 1024, "Status");
}

void WavshiftWindow::GoIdle() {
    source_.clear();
    FindItem<QLabel>(this, 1015)->setText(kNoFile);
    for (int id : {1017, 1018, 1019}) FindItem<QLabel>(this, id)->clear();
    EnableControls(false);
    FindItem(this, 1006)->setEnabled(true);
}

void WavshiftWindow::EnableControls(bool enable) {
    const int* ids = kFileControls;
    tk_.EnableWindows10(this, enable ? 1 : 0, ids[0], ids[1], ids[2], ids[3], ids[4], ids[5],
                        ids[6], ids[7], 0, 0);
}

bool WavshiftWindow::ReadFormat(const std::string& path, WavInfo& info, std::string& reason) {
    if (path.size() > kLongestPath) {
        reason = "The path is longer than 1023 characters.";
        return false;
    }
    const int fd = ::open(path.c_str(), O_RDONLY);
    if (fd < 0) {
        reason = std::strerror(errno);
        return false;
    }
    ::close(fd);
    const WavInfo* opened = tk_.OpenWAV(path.c_str(), kSlot);
    if (opened) info = *opened;
    tk_.CloseWAV(kSlot);
    if (!opened) {
        reason = "It is not a WAV file.";
        return false;
    }
    if (!tonekit::audio::IsConvertiblePcm(info)) {
        reason = "It holds " + std::to_string(info.bitsPerSample) + "-bit audio in " +
                 std::to_string(info.channels) + " channels (format " +
                 std::to_string(info.formatTag) +
                 "). Only 8- or 16-bit mono or stereo PCM can be resampled.";
        return false;
    }
    return true;
}

void WavshiftWindow::LoadSource(const std::string& path) {
    if (running_ || path.empty()) return;
    WavInfo info{};
    std::string reason;
    if (!ReadFormat(path, info, reason)) {
        GoIdle();
        QMessageBox box(QMessageBox::Warning, "ERROR",
                        QString::fromStdString("Cannot resample " + path + "\n\n" + reason),
                        QMessageBox::Ok, this);
        box.exec();
        return;
    }
    source_ = path;
    FindItem<QLabel>(this, 1015)->setText(QString("  ") + tk_.strrslash(path.c_str()));
    ShowFormat(info);
    EnableControls(true);
    FindItem(this, 1000)->setFocus();
}

void WavshiftWindow::ShowFormat(const WavInfo& info) {
    FindItem<QLabel>(this, 1017)->setText(ChannelsText(info.channels));
    FindItem<QLabel>(this, 1018)->setText(BitsText(info.bitsPerSample));
    FindItem<QLabel>(this, 1019)
        ->setText(QString("   ") + tk_.dw2sz(static_cast<int32_t>(info.sampleRate)) + " Hz");
}

void WavshiftWindow::Open() {
    if (running_) return;
    const std::string home = QDir::homePath().toStdString() + "/";
    const char* chosen = tk_.GetOpenFilenames(this, 0, "Open .WAV File", home.c_str(),
                                              "Uncompressed PCM WAV Files\0*.wav\0\0", 0, nullptr);
    if (chosen) LoadSource(chosen);
}

void WavshiftWindow::StepRate(int direction) {
    auto* rate = FindItem<QLineEdit>(this, 1008);
    rate->setText(QString::number(rate->text().toLongLong() + 100LL * direction));
}

void WavshiftWindow::SetStatus(const std::string& text) {
    FindItem<QLabel>(this, 1024)->setText(QString::fromStdString(text));
}

void WavshiftWindow::Resample() {
    if (running_ || source_.empty()) return;
    auto* rateEdit = FindItem<QLineEdit>(this, 1008);
    const uint32_t rate = ClampedRate(rateEdit->text());
    rateEdit->setText(QString::number(rate));
    const ResampleJob job{source_,
                          ResampledPath(source_),
                          rate,
                          8 << FindItem<QComboBox>(this, 1010)->currentIndex(),
                          1 << FindItem<QComboBox>(this, 1011)->currentIndex(),
                          FindItem<QCheckBox>(this, 1012)->isChecked()};
    const bool overwrite = FindItem<QCheckBox>(this, 1013)->isChecked();

    running_ = true;
    EnableControls(false);
    FindItem(this, 1006)->setEnabled(false);
    SetStatus("  Resampling  " + job.source + "  to  " + (overwrite ? job.source : job.output) +
              "  . . .");
    std::string reason;
    const bool ok = RunJob(job, reason);
    running_ = false;
    if (closeRequested_) {
        close();
        return;
    }
    if (ok) {
        SetStatus("  " + job.output + "      . . . complete");
        // The source is replaced in one step, only by a complete output.
        WavInfo info{};
        std::string reason;
        if (overwrite && std::rename(job.output.c_str(), job.source.c_str()) == 0) {
            if (ReadFormat(job.source, info, reason)) ShowFormat(info);
            SetStatus("  " + job.source + "      . . . complete");
        }
    } else {
        SetStatus("  " + job.output + "      . . . failed" + (reason.empty() ? "" : ": " + reason));
    }
    EnableControls(true);
    FindItem(this, 1006)->setEnabled(true);
    FindItem(this, 1000)->setFocus();
    setWindowTitle(kTitle);
}

bool WavshiftWindow::RunJob(const ResampleJob& job, std::string& reason) {
    auto* progress = FindItem<QProgressBar>(this, 1007);
    ResampleCallbacks callbacks;
    callbacks.progress = [progress](int32_t percent) {
        progress->setValue(std::clamp(percent, 0, 100));
    };
    callbacks.pumpMessages = [this] {
        QCoreApplication::processEvents();
        return !closeRequested_;
    };
    return ResampleFile(tk_, job, callbacks, &reason);
}

void WavshiftWindow::closeEvent(QCloseEvent* event) {
    if (running_) {
        // The run stops at its next block and removes its output; the window
        // closes once it has.
        closeRequested_ = true;
        event->ignore();
        return;
    }
    QWidget::closeEvent(event);
}

bool WavshiftWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && tonekit::ui::ControlId(watched) == 1000 &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete) {
        QMessageBox box(QMessageBox::Information, "KEY DOWN", "DELETE", QMessageBox::Ok, this);
        box.exec();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace wavshift
