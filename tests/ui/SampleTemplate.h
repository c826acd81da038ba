// One template with an item of every kind the builder knows, used by the builder and dialog tests.
#pragma once

#include "platform/core/WinStyles.h"
#include "tests/support/Resources.h"

namespace sample {

inline constexpr WORD kDialogId = 501;
inline constexpr WORD kFormId = 502;
inline constexpr WORD kUnknownClassId = 503;

inline constexpr int kLabel = -1;
inline constexpr WORD kSubject = 101;     // single-line edit
inline constexpr WORD kMemo = 102;        // multi-line edit, Enter makes a new line
inline constexpr WORD kNotes = 103;       // multi-line edit, Enter goes to the dialog
inline constexpr WORD kRadioA = 201;      // push-like auto radio, first group
inline constexpr WORD kRadioB = 202;
inline constexpr WORD kRadioC = 203;      // plain auto radio, second group
inline constexpr WORD kRadioD = 204;
inline constexpr WORD kCheck = 301;
inline constexpr WORD kDisabled = 302;
inline constexpr WORD kHidden = 303;
inline constexpr WORD kPicker = 401;

inline constexpr DWORD kVisibleChild = WS_CHILD | WS_VISIBLE;

inline tvqtest::Dialog Make(DWORD style) {
  using Item = tvqtest::DialogItem;
  constexpr WORD kButton = 0x80, kEdit = 0x81, kStatic = 0x82;
  return tvqtest::Dialog{
      style | DS_SETFONT,
      140,
      170,
      u"Sample",
      {
          Item{kVisibleChild | WS_GROUP | SS_LEFT, 5, 5, 40, 8, 0xFFFF, kStatic, u"&&Name&x"},
          Item{kVisibleChild | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, 50, 5, 80, 12, kSubject, kEdit, u""},
          Item{kVisibleChild | WS_GROUP | BS_AUTORADIOBUTTON | BS_PUSHLIKE, 10, 25, 20, 10, kRadioA, kButton, u"A"},
          Item{kVisibleChild | BS_AUTORADIOBUTTON | BS_PUSHLIKE, 35, 25, 20, 10, kRadioB, kButton, u"B"},
          Item{kVisibleChild | WS_GROUP | BS_AUTORADIOBUTTON, 10, 40, 20, 10, kRadioC, kButton, u"C"},
          Item{kVisibleChild | BS_AUTORADIOBUTTON, 35, 40, 20, 10, kRadioD, kButton, u"D"},
          Item{kVisibleChild | BS_GROUPBOX, 5, 20, 130, 35, 0xFFFF, kButton, u""},
          Item{kVisibleChild | WS_BORDER | WS_TABSTOP | ES_MULTILINE | ES_WANTRETURN | WS_VSCROLL, 5, 60, 100, 30,
               kMemo, kEdit, u""},
          Item{kVisibleChild | WS_TABSTOP | WS_GROUP | BS_AUTOCHECKBOX, 5, 95, 60, 10, kCheck, kButton, u"Check"},
          Item{kVisibleChild | WS_DISABLED | WS_TABSTOP, 70, 95, 40, 14, kDisabled, kButton, u"Off"},
          Item{WS_CHILD | WS_TABSTOP, 70, 110, 40, 14, kHidden, kButton, u"Hidden"},
          Item{kVisibleChild | WS_TABSTOP | BS_DEFPUSHBUTTON, 20, 120, 40, 14, IDOK, kButton, u"OK"},
          Item{kVisibleChild | WS_TABSTOP, 70, 120, 40, 14, IDCANCEL, kButton, u"Cancel"},
          Item{kVisibleChild | WS_BORDER | WS_TABSTOP | ES_MULTILINE, 5, 138, 100, 14, kNotes, kEdit, u""},
          Item{kVisibleChild | WS_TABSTOP | DTS_LONGDATEFORMAT | DTS_RIGHTALIGN, 30, 155, 102, 13, kPicker,
               u"SysDateTimePick32", u""},
      }};
}

inline tvqtest::Dialog UnknownClass() {
  return tvqtest::Dialog{WS_CHILD | DS_SETFONT, 100, 50, u"", {
      tvqtest::DialogItem{kVisibleChild, 5, 5, 40, 10, 700, u"NoSuchClass", u""}}};
}

// The sample dialog, the sample form and a template with an unknown class, installed for a scope.
inline tvqtest::ScopedDialogs Install() {
  return tvqtest::ScopedDialogs({{kDialogId, Make(WS_POPUP | WS_SYSMENU)},
                                 {kFormId, Make(WS_CHILD)},
                                 {kUnknownClassId, UnknownClass()}});
}

}  // namespace sample
