// sonavert-setup's window: the licence, the parent folder chosen with Browse,
// and the install into parent + "SONAVERT/".
#pragma once

#include <QWidget>

#include <functional>
#include <string>

namespace installer {

inline constexpr char kResources[] = ":/installer";

// Starts the installed converter from its folder; false when it cannot.
using Launcher = std::function<bool(const QString& program, const QString& folder)>;
Launcher DetachedLauncher();

class SetupWindow : public QWidget {
  public:
    explicit SetupWindow(Launcher launch = DetachedLauncher());

    // Browse: the chosen folder, ending in '/', goes into the path field.
    void Browse();
    // Install: writes the payload; on success says so, starts the converter
    // and closes the window. A folder or file that cannot be written is
    // reported with its path and the reason, and the window stays.
    void Install();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

  private:
    void BuildTop();
    void BuildBottom();
    void SetBusy(bool busy);
    bool WritePayload(const std::string& folder);

    Launcher launch_;
    bool choosing_ = false;
    bool centred_ = false;
};

}  // namespace installer
