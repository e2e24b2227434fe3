#include "converter_fixture.h"

namespace sonavert_testing {

const std::string& MediaFolder() {
    static TempDir folder;
    static bool made = [] {
        // Without a preloaded fake drive, which is for this process only.
        const std::string sine =
            "env -u LD_PRELOAD ffmpeg -v error -y -f lavfi -i sine=frequency=440:duration=";
        EXPECT_EQ(RunCommand(sine + "1 -ac 2 -ar 44100 -b:a 128k " + (folder / "one.mp3")), 0);
        EXPECT_EQ(RunCommand(sine + "2 -ac 2 -ar 44100 -c:a pcm_s16le " + (folder / "two.wav")), 0);
        EXPECT_EQ(RunCommand(sine + "1 -ac 2 -ar 44100 -c:a wmav2 " + (folder / "three.wma")), 0);
        WriteFile(folder / "broken.mp3", {'n', 'o', 't', ' ', 'a', 'u', 'd', 'i', 'o'});
        return true;
    }();
    (void)made;
    return folder.path();
}

void ConverterWindow::SetUp() {
    program_ = dir_ / "program/";
    home_ = dir_ / "home/";
    fs::create_directories(program_);
    fs::create_directories(home_);
    setenv("HOME", home_.c_str(), 1);
    setenv("XDG_CONFIG_HOME", (dir_ / "config").c_str(), 1);
    setenv("XDG_CACHE_HOME", (dir_ / "cache").c_str(), 1);
    Start();
}

void ConverterWindow::Start() {
    sonavert::StartOptions options;
    options.libraryPath = TONEKIT_SO;
    options.paths = sonavert::FindProgramPaths(program_, [](const char* n) { return getenv(n); });
    options.exitPumpMs = 0;
    options.inputs = inputs_;
    options.shell.openUrl = [this](const QUrl& url) {
        openedUrls_.push_back(url);
        return true;
    };
    options.shell.startProgram = [this](const QString& program, const QStringList& arguments) {
        startedPrograms_.push_back(QStringList{program} + arguments);
        return true;
    };
    session_ = std::make_unique<sonavert::ConverterSession>(options);
    ASSERT_TRUE(session_->Start());
    QApplication::processEvents();
}

void ConverterWindow::Restart() {
    session_.reset();
    Start();
}

void ConverterWindow::Click(int id) {
    auto* button = Item<QAbstractButton>(id);
    ASSERT_NE(button, nullptr) << id;
    button->click();
    QApplication::processEvents();
}

std::string ConverterWindow::Cell(int row, int column) {
    auto* item = window().inputs().table()->item(row, column);
    return item ? item->text().toStdString() : std::string("<none>");
}

std::vector<std::string> ConverterWindow::OutputNames() {
    std::vector<std::string> names;
    auto* list = Item<QListWidget>(1008);
    for (int i = 0; i < list->count(); ++i) names.push_back(list->item(i)->text().toStdString());
    return names;
}

void ConverterWindow::CopyMedia(const std::string& name, const std::string& path) {
    fs::create_directories(fs::path(path).parent_path());
    fs::copy_file(MediaFolder() + "/" + name, path, fs::copy_options::overwrite_existing);
}

}  // namespace sonavert_testing
