#include "app/form_layout.h"

namespace vok {

double FitScale(const TextMeasure& measure, double pixelsPerTwip, double unit) {
  double scale = 1.0;
  const auto need = [&](double pixels, int twips) {
    scale = std::max(scale, pixels / (twips * pixelsPerTwip));
  };
  const double line = measure.LineHeight();
  for (const ControlLayout& layout : kFormLayout) {
    switch (layout.kind) {
      case ControlKind::TabStrip:
        need(measure.TabStripWidth(), layout.width);
        need(measure.TabStripHeight(), layout.height);
        break;
      case ControlKind::Label:
        need(measure.TextWidth(layout.text) + 2 * unit, layout.width);
        need(line, layout.height);
        break;
      case ControlKind::Button:
        need(measure.TextWidth(layout.text) + 12 * unit, layout.width);
        need(line + 4 * unit, layout.height);
        break;
      case ControlKind::TextBox:
        need(line + 4 * unit, layout.height);
        break;
      case ControlKind::ListBox:
      case ControlKind::PictureButton:
        break;
    }
  }
  return std::ceil(scale * 20) / 20;
}

}  // namespace vok
