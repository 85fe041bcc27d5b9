#pragma once
// The surface the main window's views are laid out on: it holds every control
// and shows the chart and the diagrams. It has the laid-out size of the view
// and sits in a scroll area, so a window smaller than that scrolls it.
// Mouse events it does not take go on to the window.

#include <QPainter>
#include <QWidget>

#include <functional>

namespace corvala {

class ViewCanvas : public QWidget {
 public:
  using QWidget::QWidget;
  std::function<void(QPainter&)> paint;

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    if (paint) paint(painter);
  }
};

}  // namespace corvala
