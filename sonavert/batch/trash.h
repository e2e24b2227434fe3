// Moving a file to the user's Trash, in the freedesktop.org layout that file
// managers read: the file under $XDG_DATA_HOME/Trash/files/NAME, and beside
// it Trash/info/NAME.trashinfo with its original path and the time, so the
// file can be restored from the desktop.
#pragma once

#include <string>

namespace sonavert::batch {

// Moves `path` (a file, or a link itself) into the Trash under a name no
// other trashed file has. Only a rename is done: a file on another file
// system than the Trash stays where it is and is reported. False with the
// reason otherwise; the Trash is then as it was.
bool MoveToTrash(const std::string& path, std::string& error);

// The home Trash folder: $XDG_DATA_HOME/Trash, by default
// ~/.local/share/Trash.
std::string HomeTrash();

}  // namespace sonavert::batch
