#include "util/message.h"

#include <atomic>
#include <cstdio>

namespace tonekit::util {
namespace {

void PrintMessage(const char* text, const char* caption, MessageIcon) {
    std::fprintf(stderr, "%s: %s\n", caption, text);
}

std::atomic<MessagePresenter> g_presenter{PrintMessage};

}  // namespace

void ShowMessage(const char* text, const char* caption, MessageIcon icon) {
    g_presenter.load()(text, caption, icon);
}

MessagePresenter SetMessagePresenter(MessagePresenter presenter) {
    return g_presenter.exchange(presenter ? presenter : PrintMessage);
}

}  // namespace tonekit::util
