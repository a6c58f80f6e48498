#include "controller/ui/station_lamp.h"

#include <QPainter>

namespace tester {

StationLamp::StationLamp(int index, QWidget* parent) : QWidget(parent) {
  setObjectName("Shape1");
  setProperty("Index", index);
}

void StationLamp::SetColour(LampColour colour) {
  if (colour == colour_) return;
  colour_ = colour;
  update();
}

QColor StationLamp::Fill() const {
  switch (colour_) {
    case LampColour::kGreen: return QColor(0, 255, 0);
    case LampColour::kRed: return QColor(255, 0, 0);
    case LampColour::kBackground: break;
  }
  return palette().color(QPalette::Base);
}

void StationLamp::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(QPen(palette().color(QPalette::WindowText), 1));
  painter.setBrush(Fill());
  painter.drawEllipse(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5));
}

}  // namespace tester
