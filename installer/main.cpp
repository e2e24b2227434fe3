// sonavert-setup: copies the converter, its library, LAME's library and the
// resampler, all carried inside this program, into a folder the user picks.
#include <QApplication>

#include "setup_window.h"
#include "ui/program_start.h"

int main(int argc, char** argv) {
    if (!tonekit::ui::HasDisplay("sonavert-setup")) return 1;
    std::unique_ptr<QApplication> app;
    tonekit::ui::StartApplication("sonavert-setup", argc, argv, app);
    installer::SetupWindow window;
    window.show();
    return QApplication::exec();
}
