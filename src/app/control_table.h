#pragma once
// Every control of the main window, as one table: id, kind, caption, rectangle
// in dialog units and the view that shows it. The window creates its widgets
// from this table; the view switch shows and hides them by it.

#include <cstdint>
#include <span>
#include <string_view>

namespace corvala {

enum class ControlKind {
  kList,
  kButton,
  kPictureButton,
  kEdit,
  kReadOnlyEdit,
  kCheckBox,
  kRadio,
  kGroupBox,
  kStatic,
  kTrackbar,
  kComboBox,
};

// The three views of the main window.
enum class View { kMeasurement = 1, kConfiguration = 2, kAnalysis = 3 };

enum class ControlView {
  kAlways,         // view buttons, chamber buttons, connection indicator
  kMeasurement,    // view 1
  kConfiguration,  // view 2
  kAnalysis,       // view 3
  kRunState,       // the "measuring" labels, shown and hidden by the run state
  kNever,          // created hidden; nothing shows them
};

struct ControlSpec {
  int id;
  ControlKind kind;
  std::string_view caption;  // the control's own text; empty for most pictures and edits
  int x, y, width, height;   // dialog units
  ControlView view;
  std::string_view role;    // what a picture button does (accessible name and tooltip)
  bool groupStart = false;  // the first radio button of a group
};

// The main window's size in dialog units.
inline constexpr int kDialogWidthDu = 670;
inline constexpr int kDialogHeightDu = 415;

std::span<const ControlSpec> AllControls();
const ControlSpec* FindControl(int id);

// The accessible name of a control: its caption, or its role for a picture button.
std::string_view AccessibleName(const ControlSpec& control);

// What the view switch does with a control in a view. The run-state labels,
// and button 1112 in the measurement view (which follows the chamber names),
// are left as they are.
enum class Visibility { kShown, kHidden, kUntouched };
Visibility VisibilityInView(const ControlSpec& control, View view);

// The chart area of a client area of w x h pixels.
struct ChartArea {
  int32_t left, top, right, bottom;
};
ChartArea LayoutChart(int32_t w, int32_t h);

}  // namespace corvala
