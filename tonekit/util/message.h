// Message boxes raised inside the library. The window layer installs a
// presenter that shows a dialog; without one the text goes to standard error.
#pragma once

namespace tonekit::util {

enum class MessageIcon { Error, Warning, Information };

using MessagePresenter = void (*)(const char* text, const char* caption, MessageIcon icon);

void ShowMessage(const char* text, const char* caption, MessageIcon icon);

// Installs `presenter` (null restores standard error); returns the previous one.
MessagePresenter SetMessagePresenter(MessagePresenter presenter);

}  // namespace tonekit::util
