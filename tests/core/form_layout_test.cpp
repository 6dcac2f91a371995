// The window's one description of its controls: what a click on each does, what a run disables,
// and the scale at which every text fits.
#include "app/form_layout.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "form_fakes.h"
#include "row_name.h"
#include "temp_dir.h"

namespace vok::testing {
namespace {

using ::testing::HasSubstr;
using ::testing::IsEmpty;

class ClickOn : public ::testing::TestWithParam<ClickRow> {};

TEST_P(ClickOn, RunsItsOwnHandler) {
  const ClickRow& row = GetParam();
  TempDir dir;
  FakeWindow w{dir.path()};
  w.files.Choose(std::string(kChosenArchive), "a.vok");
  w.folders.answers = {std::string(kChosenFolder)};
  w.view.SetText(Control::txtDest, kTyped);
  w.view.SetText(Control::txtCrSource, kTyped);

  w.form.Click(row.control);

  EXPECT_EQ(SeenAfter(row, w.view.Text(row.textBox), w.view, w.links), row.text);
  if (row.seen != ClickRow::Seen::Link) {
    EXPECT_THAT(w.links.opened, IsEmpty());
  }
}

INSTANTIATE_TEST_SUITE_P(Buttons, ClickOn, ::testing::ValuesIn(kClickRows), RowName());

TEST(ClickOn, WhatHasNoHandlerDoesNothing) {
  TempDir dir;
  FakeWindow w{dir.path()};
  for (const ControlLayout& layout : kFormLayout) {
    if (!layout.onClick) w.form.Click(layout.id);
  }
  EXPECT_THAT(w.view.texts, IsEmpty());
  EXPECT_THAT(w.files.asked, IsEmpty());
  EXPECT_THAT(w.view.shown, IsEmpty());
}

TEST(RunRules, ARunDisablesWhatWouldStartAnotherAndNothingElse) {
  TempDir dir;
  FakeWindow w{dir.path()};
  std::map<Control, bool> duringTheRun;
  w.processes.onStart = [&](const std::string&) { duringTheRun = w.view.enabled; };
  w.files.Choose("/d/a.vok", "a.vok");
  w.form.Click(Control::cmdOpen);
  for (const ControlLayout& layout : kFormLayout) {
    EXPECT_EQ(duringTheRun.contains(layout.id), layout.disabledDuringRun()) << layout.name;
    if (layout.disabledDuringRun()) {
      EXPECT_FALSE(duringTheRun[layout.id]) << layout.name;
      EXPECT_TRUE(w.view.enabled[layout.id]) << layout.name;
    }
  }
  EXPECT_TRUE(LayoutOf(Control::cmdOpen).disabledDuringRun());
}

// Text of a width proportional to its length, and a line height.
class FakeMeasure : public TextMeasure {
 public:
  FakeMeasure(double perCharacter, double line) : perCharacter_(perCharacter), line_(line) {}
  double TextWidth(std::string_view text) const override { return perCharacter_ * text.size(); }
  double LineHeight() const override { return line_; }
  double TabStripWidth() const override { return 150; }
  double TabStripHeight() const override { return 22; }

 private:
  double perCharacter_;
  double line_;
};

struct ScaleRow {
  const char* name;
  double perCharacter;
  double line;
  double pixelsPerTwip;
  double unit;
  double scale;
};

class FitScaleOf : public ::testing::TestWithParam<ScaleRow> {};

TEST_P(FitScaleOf, IsTheSmallestStepAtWhichEveryTextFits) {
  const ScaleRow& row = GetParam();
  const double scale =
      FitScale(FakeMeasure(row.perCharacter, row.line), row.pixelsPerTwip, row.unit);
  EXPECT_DOUBLE_EQ(scale, row.scale);
  // Every text fits its control at that scale, to the rounding of its edges; at one step less, one
  // does not.
  const auto fits = [&](double s) {
    for (const ControlLayout& layout : kFormLayout) {
      const PixelRect place = Place(layout, row.pixelsPerTwip * s);
      const double width = row.perCharacter * layout.text.size();
      const bool button = layout.kind == ControlKind::Button;
      const bool label = layout.kind == ControlKind::Label;
      if ((label && width + 2 * row.unit > place.width() + 0.5) ||
          (button && width + 12 * row.unit > place.width() + 0.5) ||
          (label && row.line > place.height() + 0.5) ||
          ((button || layout.kind == ControlKind::TextBox) &&
           row.line + 4 * row.unit > place.height() + 0.5)) {
        return false;
      }
    }
    return true;
  };
  EXPECT_TRUE(fits(scale));
  if (scale > 1.0) {
    EXPECT_FALSE(fits(scale - 0.05));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Fonts, FitScaleOf,
    ::testing::Values(ScaleRow{"ASmallFontKeepsTheLayout", 5, 13, 1.0 / 15, 1, 1.0},
                      // The longest label, 40 characters in 249 pixels, needs 7 * 40 + 2.
                      ScaleRow{"AWideFontGrowsItInStepsOfFivePercent", 7, 13, 1.0 / 15, 1, 1.15},
                      // Extract and Clear are 17 pixels high: a line of 17 needs 4 more.
                      ScaleRow{"ATallFontGrowsItForTheButtons", 5, 17, 1.0 / 15, 1, 1.25},
                      ScaleRow{"TwiceTheDpiWithTwiceTheFontKeepsTheLayout", 10, 26, 2.0 / 15, 2,
                               1.0}),
    RowName());

}  // namespace
}  // namespace vok::testing
