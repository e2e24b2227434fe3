// The About box (dialog 147): the maker's text, a picture and Close. The main
// window is disabled while it is open.
#pragma once

#include "converter.h"

class QWidget;

namespace sonavert {

void OpenAboutBox(Converter& converter, QWidget* mainWindow);

}  // namespace sonavert
