// The tool-tip controller the window helpers attach to each control: tips
// show only while bubble help is on.
#pragma once

#include <QEvent>
#include <QObject>

namespace sonavert {

class ToolTips : public QObject {
  public:
    using QObject::QObject;
    void Activate(bool active) { active_ = active; }
    bool IsActive() const { return active_; }

  protected:
    bool eventFilter(QObject*, QEvent* event) override {
        return !active_ && event->type() == QEvent::ToolTip;
    }

  private:
    bool active_ = true;
};

}  // namespace sonavert
