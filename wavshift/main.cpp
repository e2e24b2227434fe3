// wavshift [PATH]: resamples one PCM WAV file. The arguments, joined by
// spaces, name the file.
#include <QApplication>

#include "ui/program_start.h"
#include "wavshift_program.h"

int main(int argc, char** argv) {
    if (!tonekit::ui::HasDisplay("wavshift")) return 1;
    tonekit::ui::CatchQuitSignals();
    std::unique_ptr<QApplication> app;
    tonekit::ui::StartApplication("wavshift", argc, argv, app);
    wavshift::WavshiftProgram program;
    if (!program.Start(QApplication::arguments().mid(1))) return 1;
    QApplication::exec();
    program.Shutdown();
    return 0;
}
