#pragma once
// The tuning window's plot ("TunePlot" in layouts): a log-frequency axis
// 20 Hz - 20 kHz and a dB axis, both labelled; the measurement, the target,
// the predicted result and the equaliser's own curve with a legend; the
// regions the fit left alone; and the fit range with two handles that the
// mouse moves. It draws what it is given and reports moved handles; the
// curves come from the tuning session.
//
// Threading: GUI thread only.
#include <QWidget>

#include "tune/tuning_session.h"

namespace vlm {

class TunePlot : public QWidget {
  Q_OBJECT
 public:
  explicit TunePlot(QWidget* parent = nullptr);
  static void Register();

  void SetCurves(tune::PlotCurves curves);
  const tune::PlotCurves& curves() const { return curves_; }
  // The legend's names of the measured and the predicted curve (language keys);
  // the auto-setup wizard draws "before" and "after" in their places.
  void SetLegendKeys(const char* measured, const char* predicted) {
    measuredKey_ = measured;
    predictedKey_ = predicted;
    update();
  }
  // The plot area inside the widget (axes and legend outside or on top).
  QRect PlotRect() const;
  double XFromFrequency(double hz) const;
  double FrequencyFromX(double x) const;
  double YFromLevel(double db) const;

 signals:
  // A handle was let go at a new frequency: the new range.
  void rangeMoved(double loHz, double hiHz);

 protected:
  void paintEvent(QPaintEvent*) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;

 private:
  int Scaled(int px) const;
  tune::PlotCurves curves_;
  const char* measuredKey_ = "${tune_legend_measured}";
  const char* predictedKey_ = "${tune_legend_predicted}";
  double loDb_ = -15.0;
  double hiDb_ = 15.0;
  int dragging_ = 0;  // 1: the low handle, 2: the high one
  double dragLo_ = 0.0;
  double dragHi_ = 0.0;
};

}  // namespace vlm
