// Support shared by the GUI tests: the test program's set-up and modal dialogs driven through the modal hook.
#pragma once

#include <functional>
#include <string>

#include <QImage>

#include "platform/ui/CDialog.h"
#include "platform/ui/CDialogTestHooks.h"

class QWidget;

namespace guitest {

// Offscreen platform, ja_JP user locale, the program's resources and the standard controls; runs the tests.
int RunAllTests(int argc, char** argv);

// The result DoModal gives when the driver left the dialog open (ended for it, so that a failing test cannot
// hang the run).
inline constexpr int kLeftOpen = 99;

// Runs the dialog with `drive` called once it is shown.
INT_PTR RunModal(CDialog& dialog, const std::function<void(CDialog&)>& drive);

// What a running dialog shows and would answer to: every control's state (text, check, enabling, place, tab
// stop, focus, an edit's caret, selection and undo, a picker's date and field), in the order the dialog holds
// them, which control has the focus, and the window's pixels (a caret that blinks makes these differ: set the
// flash time to 0).
struct DialogLook {
  std::string state;
  QImage pixels;
};
DialogLook LookOf(CDialog& shown);

// Shows, activates and waits for the window of `widget`; TRUE when it became active.
bool Activate(QWidget* widget);

// Lets queued events run (resizes of visible windows arrive through the platform).
void Settle();

}  // namespace guitest
