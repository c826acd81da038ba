// The relayout of a dialog from its template, on the template parser of the resources.
#include "platform/ui/RelayoutFromTemplate.h"

#include <QPointer>
#include <QWidget>

#include <algorithm>
#include <new>
#include <vector>

#include "platform/core/DialogTemplate.h"
#include "platform/core/WinStyles.h"
#include "platform/ui/CStatic.h"
#include "platform/ui/CWnd.h"

namespace {

constexpr WORD kSharedStaticId = 0xFFFF;
// An item whose style has these low bits shows an icon (SS_ICON), or a bitmap (SS_BITMAP).
constexpr DWORD kIconBits = 0x3;
constexpr DWORD kBitmapBits = 0xE;

// What a move may leave stale in a button or static: its text, or its image (loaded from `module`; the new
// image replaces the one shown, which goes with it). The predefined classes come as ordinals; a class given by
// name is left as it is.
void RefreshControl(HINSTANCE module, CWnd& control, const platform::DialogItemTemplate& item) {
  if (!item.windowClass.isOrdinal) return;
  if (item.windowClass.ordinal != kClassButton && item.windowClass.ordinal != kClassStatic) return;
  if (!item.title.isOrdinal) {
    control.SetWindowText(CString(item.title.name));
  } else if ((item.style & kIconBits) == kIconBits) {
    AfxSetStaticIcon(control.GetSafeHwnd(), item.title.ordinal, module);
  } else if ((item.style & kBitmapBits) == kBitmapBits) {
    AfxSetStaticBitmap(control.GetSafeHwnd(), item.title.ordinal, module);
  }
}

// One move of the batch: deferred until every item is read, so that the controls move together.
struct DeferredMove {
  QPointer<QWidget> widget;
  RECT rect;
};

void Move(const DeferredMove& move) {
  move.widget->setGeometry(move.rect.left, move.rect.top, std::max<LONG>(0, move.rect.right - move.rect.left),
                           std::max<LONG>(0, move.rect.bottom - move.rect.top));
}

}  // namespace

BOOL RelayoutFromTemplate(HINSTANCE resourceModule, CWnd* dialogWindow, UINT templateId) {
  if (!resourceModule || !dialogWindow || templateId > 0xFFFF) return FALSE;
  const auto data = resourceModule->Find(ResId(RT_DIALOG), ResId(static_cast<WORD>(templateId)));
  if (!data) return FALSE;
  // The whole template is read first: one that cannot be read moves nothing.
  const auto dialog = platform::ParseDialogTemplate(*data);
  if (!dialog) return FALSE;

  std::vector<DeferredMove> batch;
  try {
    batch.reserve(dialog->items.size());
  } catch (const std::bad_alloc&) {
    return FALSE;
  }

  bool everyControlMoved = true;
  int sharedIds = 0;
  for (const platform::DialogItemTemplate& item : dialog->items) {
    if (item.id == kSharedStaticId) ++sharedIds;
    CWnd* control = dialogWindow->GetDlgItem(item.SignedId());
    RECT rect{item.x, item.y, item.x + item.cx, item.y + item.cy};
    if (!control || !dialogWindow->MapDialogRect(&rect)) {
      // The remaining items are still moved.
      everyControlMoved = false;
      continue;
    }
    batch.push_back(DeferredMove{control->GetSafeHwnd(), rect});
    RefreshControl(resourceModule, *control, item);
  }

  for (const DeferredMove& move : batch) {
    if (!move.widget) {
      everyControlMoved = false;
      continue;
    }
    Move(move);
  }
  return everyControlMoved && sharedIds <= 1 ? TRUE : FALSE;
}
