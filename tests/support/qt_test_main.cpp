// main() of the window tests: Qt's offscreen platform with a desktop-sized
// screen, SDL's silent driver, one QApplication for the whole program.
#include <gtest/gtest.h>
#include <QApplication>

#include <unistd.h>

#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
    // A 1920 x 1080 screen, so windows have the room a desktop gives them.
    char config[] = "/tmp/offscreen-screen-XXXXXX";
    const int fd = mkstemp(config);
    const std::string screen =
        R"({"screens": [{"name": "desktop", "x": 0, "y": 0, "width": 1920, "height": 1080,
            "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})";
    const bool written =
        fd >= 0 && write(fd, screen.data(), screen.size()) == static_cast<ssize_t>(screen.size());
    if (fd >= 0) close(fd);
    const std::string platform =
        written ? std::string("offscreen:configfile=") + config : std::string("offscreen");
    setenv("QT_QPA_PLATFORM", platform.c_str(), 1);
    setenv("SDL_AUDIODRIVER", "dummy", 0);  // a test may ask for the disk driver
    testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    if (fd >= 0) unlink(config);
    setenv("QT_QPA_PLATFORM", "offscreen", 1);  // what programs started by a test get
    return RUN_ALL_TESTS();
}
