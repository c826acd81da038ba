// The root's empty table, the walk that finds the first entry matching message, code and id range along
// the chain, and the dispatch through the entry's thunk.
#include "platform/core/CCmdTarget.h"

IMPLEMENT_DYNAMIC(CCmdTarget, CObject)

const AFX_MSGMAP* CCmdTarget::GetThisMessageMap() {
  static const AFX_MSGMAP_ENTRY entries[] = {{0, 0, 0, 0, nullptr}};
  static const AFX_MSGMAP messageMap = {nullptr, &entries[0]};
  return &messageMap;
}

const AFX_MSGMAP_ENTRY* AfxFindMessageEntry(const AFX_MSGMAP* map, UINT message, UINT code, UINT id) {
  for (; map; map = map->pfnGetBaseMap ? map->pfnGetBaseMap() : nullptr) {
    for (const AFX_MSGMAP_ENTRY* entry = map->lpEntries; entry && entry->nMessage != 0; ++entry) {
      if (entry->nMessage == message && entry->nCode == code && entry->nID <= id && id <= entry->nLastID) {
        return entry;
      }
    }
  }
  return nullptr;
}

BOOL CCmdTarget::OnCmdMsg(UINT nID, int nCode) {
  AFX_MSG_ARGS args;
  args.message = WM_COMMAND;
  args.nCode = static_cast<UINT>(nCode);
  args.nID = nID;
  return DispatchMsg(args);
}

BOOL CCmdTarget::DispatchMsg(AFX_MSG_ARGS& args) {
  const AFX_MSGMAP_ENTRY* entry = AfxFindMessageEntry(GetMessageMap(), args.message, args.nCode, args.nID);
  if (!entry || !entry->pfn) return FALSE;
  entry->pfn(this, args);
  return TRUE;
}
