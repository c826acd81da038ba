// The program's dialog templates at the handheld's font: every static text, button, check box and radio button
// shows its whole text in the rectangle its template gives it.
#include <gtest/gtest.h>

#include <QWidget>

#include <string>

#include "platform/core/WinStyles.h"
#include "platform/ui/ControlFactory.h"
#include "platform/ui/ControlState.h"
#include "res/resource.h"
#include "tests/ui/GuiTestSupport.h"

namespace {

struct TemplateCase {
  UINT id;
  int textControls;  // statics with text, buttons, check boxes and radio buttons (not the group box)
};

class TemplateTexts : public ::testing::TestWithParam<TemplateCase> {};

bool HasText(const QWidget* widget) {
  const DWORD style = AfxGetControlStyle(widget);
  const std::u16string className = AfxGetControlClassName(widget);
  if (className == u"Static") return (style & SS_TYPEMASK) <= SS_RIGHT;
  return className == u"Button" && (style & BS_TYPEMASK) != BS_GROUPBOX;
}

TEST_P(TemplateTexts, EveryTextFitsItsRectangleWhole) {
  const TemplateCase& c = GetParam();
  CDialog dialog(c.id);
  int checked = 0;
  bool shownAtAll = false;
  guitest::RunModal(dialog, [&](CDialog& shown) {
    shownAtAll = true;
    for (QWidget* widget : shown.GetSafeHwnd()->findChildren<QWidget*>()) {
      if (!HasText(widget)) continue;
      ++checked;
      const auto fit = AfxGetControlTextFit(widget);
      const QString text = widget->property("text").toString();
      ASSERT_TRUE(fit.has_value()) << text.toStdString();
      EXPECT_FALSE(fit->elided) << text.toStdString() << " in " << widget->width() << " pixels";
      EXPECT_EQ(fit->text, text);
      EXPECT_GE(fit->stretch, kMinTextStretch);
    }
    shown.EndDialog(IDCANCEL);
  });
  EXPECT_TRUE(shownAtAll);
  EXPECT_EQ(checked, c.textControls);
}

// The view's template 134 holds only the list, whose cells the view's tests fit.
INSTANTIATE_TEST_SUITE_P(Program, TemplateTexts,
                         ::testing::Values(TemplateCase{IDD_ABOUTBOX, 2}, TemplateCase{IDD_TARVELQUIST_INS, 21}),
                         [](const ::testing::TestParamInfo<TemplateCase>& info) {
                           return "Template" + std::to_string(info.param.id);
                         });

}  // namespace
