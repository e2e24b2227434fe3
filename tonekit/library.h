// The library's attach and detach steps: binding the outside components it
// uses at run time.
#pragma once

namespace tonekit {

void LibraryAttach();
void LibraryDetach();

}  // namespace tonekit
