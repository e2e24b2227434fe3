// Runs when libtonekit.so is loaded and unloaded.
#include "library.h"
#include "ui/message_box.h"

namespace tonekit {
namespace {

__attribute__((constructor)) void AttachOnLoad() {
    ui::InstallMessageBoxes();
    LibraryAttach();
}

__attribute__((destructor)) void DetachOnUnload() {
    LibraryDetach();
}

}  // namespace
}  // namespace tonekit
