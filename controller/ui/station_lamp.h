#pragma once
// One station's indicator beside its status row: a filled circle in the window's
// background colour, green after a pass, red after a failure.
#include <QWidget>

#include "controller/station_slot.h"

namespace tester {

class StationLamp final : public QWidget {
  Q_OBJECT
public:
  StationLamp(int index, QWidget* parent);
  void SetColour(LampColour colour);
  LampColour Colour() const { return colour_; }
  // The fill colour as painted.
  QColor Fill() const;

protected:
  void paintEvent(QPaintEvent* event) override;

private:
  LampColour colour_ = LampColour::kBackground;
};

}  // namespace tester
