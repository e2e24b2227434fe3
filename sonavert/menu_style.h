// The menus' own look: white items with a tinted strip down the left edge,
// the selected item framed and tinted, and a green mark on the current
// bitrate, buffer size and bubble-help setting (the checked actions).
#pragma once

#include <QFont>
#include <QProxyStyle>

namespace sonavert {

class MenuStyle : public QProxyStyle {
  public:
    explicit MenuStyle(const QFont& font);

    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override;
    QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                           const QWidget* widget) const override;
    int pixelMetric(PixelMetric metric, const QStyleOption* option,
                    const QWidget* widget) const override;

  private:
    QFont font_;
};

}  // namespace sonavert
