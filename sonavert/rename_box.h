// The rename box (dialog 149, "Rename File"): the old name and an edit field
// for the new one. The main window is disabled while it is open.
#pragma once

#include <functional>
#include <string>

#include "converter.h"

class QWidget;

namespace sonavert {

// `rename` gets the edit field's text on OK; it returns false to keep the box
// open. The box deletes itself when closed.
void OpenRenameBox(Converter& converter, QWidget* mainWindow, const std::string& fileName,
                   std::function<bool(const std::string&)> rename);

}  // namespace sonavert
