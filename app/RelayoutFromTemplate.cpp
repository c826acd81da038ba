#include "app/RelayoutFromTemplate.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QItemSelectionModel>
#include <QPointer>
#include <QWidget>

#include <new>
#include <optional>
#include <vector>

#include "platform/core/ResourceBytes.h"
#include "platform/core/WinStyles.h"
#include "platform/ui/CWnd.h"
#include "platform/ui/StandardControls.h"

namespace {

constexpr WORD kSharedStaticId = 0xFFFF;
constexpr DWORD kIconBits = 0x3;
constexpr DWORD kBitmapBits = 0xE;

struct TemplateItem {
  DWORD style = 0;
  short x = 0;
  short y = 0;
  short cx = 0;
  short cy = 0;
  WORD id = 0;
  platform::NameOrOrdinal windowClass;
  platform::NameOrOrdinal title;
};

// Image loads go to the module the caller named, which need not be the framework's.
class ResourceHandleScope {
 public:
  explicit ResourceHandleScope(HINSTANCE module) : m_previous(AfxGetResourceHandle()) { AfxSetResourceHandle(module); }
  ~ResourceHandleScope() { AfxSetResourceHandle(m_previous); }
  ResourceHandleScope(const ResourceHandleScope&) = delete;
  ResourceHandleScope& operator=(const ResourceHandleScope&) = delete;

 private:
  HINSTANCE m_previous;
};

// Skips the header: style, extended style, count, x, y, cx, cy; menu, class and title (each 0xFFFF with an
// ordinal, or a string); point size and face name under DS_SETFONT. Gives the item count.
std::optional<WORD> SkipHeader(platform::ResourceReader& reader) {
  const auto style = reader.Dword();
  reader.Dword();
  const auto count = reader.Word();
  reader.Skip(4 * 2);
  if (!reader.Ok()) return std::nullopt;
  for (int field = 0; field < 3; ++field) {
    if (!reader.NameOrOrdinalField()) return std::nullopt;
  }
  if ((*style & DS_SETFONT) && (!reader.Word() || !reader.String())) return std::nullopt;
  return count;
}

std::optional<TemplateItem> ReadItem(platform::ResourceReader& reader) {
  if (!reader.AlignDword()) return std::nullopt;
  TemplateItem item;
  const auto style = reader.Dword();
  reader.Dword();  // extended style
  const auto x = reader.Short();
  const auto y = reader.Short();
  const auto cx = reader.Short();
  const auto cy = reader.Short();
  const auto id = reader.Word();
  auto windowClass = reader.NameOrOrdinalField();
  auto title = windowClass ? reader.NameOrOrdinalField() : std::nullopt;
  const std::size_t sizeWord = reader.Position();
  const auto creationData = reader.Word();
  if (!reader.Ok() || !title || !creationData) return std::nullopt;
  // The creation-data size counts its own word; 0 means there is none and the word alone is skipped.
  if (!reader.Seek(sizeWord + (*creationData != 0 ? *creationData : 2))) return std::nullopt;
  item.style = *style;
  item.x = *x;
  item.y = *y;
  item.cx = *cx;
  item.cy = *cy;
  item.id = *id;
  item.windowClass = std::move(*windowClass);
  item.title = std::move(*title);
  return item;
}

// What a move may leave stale: texts and images of buttons and statics, list and combo selections.
void RefreshControl(HINSTANCE module, CWnd& control, const TemplateItem& item) {
  if (!item.windowClass.isOrdinal) return;
  QWidget* widget = control.GetSafeHwnd();
  switch (item.windowClass.ordinal) {
    case kClassButton:
    case kClassStatic:
      if (!item.title.isOrdinal) {
        control.SetWindowText(CString(item.title.name));
      } else if ((item.style & kIconBits) == kIconBits) {
        // The new image replaces the one shown; the old one is released with it.
        ResourceHandleScope scope(module);
        AfxSetStaticIcon(widget, item.title.ordinal);
      } else if ((item.style & kBitmapBits) == kBitmapBits) {
        ResourceHandleScope scope(module);
        AfxSetStaticBitmap(widget, item.title.ordinal);
      }
      break;
    case kClassListBox:
      if (auto* list = qobject_cast<QAbstractItemView*>(widget); list && list->selectionModel()) {
        const QModelIndexList selected = list->selectionModel()->selectedIndexes();
        if (!selected.isEmpty()) list->setCurrentIndex(selected.front());
      }
      break;
    case kClassComboBox:
      if (auto* combo = qobject_cast<QComboBox*>(widget); combo && combo->currentIndex() >= 0) {
        combo->setCurrentIndex(combo->currentIndex());
      }
      break;
    default:
      break;
  }
}

struct DeferredMove {
  QPointer<QWidget> widget;
  RECT rect;
};

}  // namespace

BOOL RelayoutFromTemplate(HINSTANCE resourceModule, CWnd* dialogWindow, UINT templateId) {
  if (!resourceModule || !dialogWindow || templateId > 0xFFFF) return FALSE;
  const auto data = resourceModule->Find(ResId(RT_DIALOG), ResId(static_cast<WORD>(templateId)));
  if (!data) return FALSE;

  // The whole template is read first: one that cannot be read moves nothing.
  platform::ResourceReader reader(*data);
  const auto count = SkipHeader(reader);
  if (!count) return FALSE;
  std::vector<TemplateItem> items;
  std::vector<DeferredMove> batch;
  try {
    batch.reserve(*count);
    items.reserve(*count);
  } catch (const std::bad_alloc&) {
    return FALSE;
  }
  for (WORD index = 0; index < *count; ++index) {
    auto item = ReadItem(reader);
    if (!item) return FALSE;
    items.push_back(std::move(*item));
  }

  bool everyControlMoved = true;
  int sharedIds = 0;
  for (const TemplateItem& item : items) {
    if (item.id == kSharedStaticId) ++sharedIds;
    CWnd* control = dialogWindow->GetDlgItem(static_cast<short>(item.id));
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
    move.widget->setGeometry(move.rect.left, move.rect.top, std::max<LONG>(0, move.rect.right - move.rect.left),
                             std::max<LONG>(0, move.rect.bottom - move.rect.top));
  }
  return everyControlMoved && sharedIds <= 1 ? TRUE : FALSE;
}
