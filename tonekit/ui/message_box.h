// Message boxes as dialogs when a QApplication runs on the calling thread.
#pragma once

namespace tonekit::ui {

void InstallMessageBoxes();

}  // namespace tonekit::ui
