// Message maps: each class declares a table of the messages, notifications and commands it handles, chained
// to its base class's table. Lookup walks from the most derived table to the root. Entries are built by
// the ON_... macros, which bind a member function with its exact signature through a typed thunk.
#pragma once

#include <type_traits>

#include "platform/core/CObject.h"
#include "platform/core/WinTypes.h"

class CCmdTarget;

// Everything a handler may receive; each thunk reads the fields of its signature.
struct AFX_MSG_ARGS {
  UINT message = 0;
  UINT nCode = 0;
  UINT nID = 0;
  NMHDR* pNMHDR = nullptr;       // WM_NOTIFY
  LRESULT* pResult = nullptr;    // WM_NOTIFY
  UINT nType = 0;                // WM_SIZE
  int cx = 0;                    // WM_SIZE
  int cy = 0;                    // WM_SIZE
  LPCREATESTRUCT lpCreate = nullptr;  // WM_CREATE
  LRESULT lResult = 0;           // the handler's result where it has one (WM_CREATE)
};

using AFX_PMSG_THUNK = void (*)(CCmdTarget* target, AFX_MSG_ARGS& args);

struct AFX_MSGMAP_ENTRY {
  UINT nMessage;  // WM_COMMAND, WM_NOTIFY, WM_SIZE, WM_CREATE; 0 ends the table
  UINT nCode;     // command or notification code
  UINT nID;       // first control or command id (0 for window messages)
  UINT nLastID;   // last id of a range
  AFX_PMSG_THUNK pfn;
};

struct AFX_MSGMAP {
  const AFX_MSGMAP* (*pfnGetBaseMap)();
  const AFX_MSGMAP_ENTRY* lpEntries;
};

// The first entry, walking from map to its bases, that handles (message, code, id); null when none does.
const AFX_MSGMAP_ENTRY* AfxFindMessageEntry(const AFX_MSGMAP* map, UINT message, UINT code, UINT id);

class CCmdTarget : public CObject {
  DECLARE_DYNAMIC(CCmdTarget)

 public:
  // Routes a command (WM_COMMAND with this id and code) to this object's map. TRUE when a handler ran.
  virtual BOOL OnCmdMsg(UINT nID, int nCode);
  // Dispatches any message through the map; TRUE when a handler ran.
  BOOL DispatchMsg(AFX_MSG_ARGS& args);

  virtual const AFX_MSGMAP* GetMessageMap() const { return GetThisMessageMap(); }
  static const AFX_MSGMAP* GetThisMessageMap();
};

namespace afx {

template <typename T>
struct MemberClass;
template <typename C, typename R, typename... A>
struct MemberClass<R (C::*)(A...)> {
  using type = C;
};

template <auto Fn>
void ThunkVoid(CCmdTarget* target, AFX_MSG_ARGS&) {
  using C = typename MemberClass<decltype(Fn)>::type;
  (static_cast<C*>(target)->*Fn)();
}
template <auto Fn>
void ThunkNotify(CCmdTarget* target, AFX_MSG_ARGS& args) {
  using C = typename MemberClass<decltype(Fn)>::type;
  (static_cast<C*>(target)->*Fn)(args.pNMHDR, args.pResult);
}
template <auto Fn>
void ThunkSize(CCmdTarget* target, AFX_MSG_ARGS& args) {
  using C = typename MemberClass<decltype(Fn)>::type;
  (static_cast<C*>(target)->*Fn)(args.nType, args.cx, args.cy);
}
template <auto Fn>
void ThunkCreate(CCmdTarget* target, AFX_MSG_ARGS& args) {
  using C = typename MemberClass<decltype(Fn)>::type;
  args.lResult = (static_cast<C*>(target)->*Fn)(args.lpCreate);
}

}  // namespace afx

#define DECLARE_MESSAGE_MAP()                              \
 protected:                                                \
  static const AFX_MSGMAP* GetThisMessageMap();            \
  const AFX_MSGMAP* GetMessageMap() const override;        \
                                                           \
 private:

#define BEGIN_MESSAGE_MAP(theClass, baseClass)                                       \
  const AFX_MSGMAP* theClass::GetMessageMap() const { return GetThisMessageMap(); }  \
  const AFX_MSGMAP* theClass::GetThisMessageMap() {                                  \
    using ThisClass [[maybe_unused]] = theClass;                                     \
    using TheBaseClass = baseClass;                                                  \
    static const AFX_MSGMAP_ENTRY _messageEntries[] = {
#define END_MESSAGE_MAP()                                                            \
  {0, 0, 0, 0, nullptr}                                                              \
  }                                                                                  \
  ;                                                                                  \
  static const AFX_MSGMAP messageMap = {&TheBaseClass::GetThisMessageMap, &_messageEntries[0]}; \
  return &messageMap;                                                                \
  }

#define ON_COMMAND(id, memberFxn) \
  {WM_COMMAND, CN_COMMAND, static_cast<UINT>(id), static_cast<UINT>(id), &afx::ThunkVoid<&ThisClass::memberFxn>},
#define ON_COMMAND_RANGE(id, idLast, memberFxn)                         \
  {WM_COMMAND, CN_COMMAND, static_cast<UINT>(id), static_cast<UINT>(idLast), \
   &afx::ThunkVoid<&ThisClass::memberFxn>},
#define ON_CONTROL(code, id, memberFxn) \
  {WM_COMMAND, static_cast<UINT>(code), static_cast<UINT>(id), static_cast<UINT>(id), &afx::ThunkVoid<&ThisClass::memberFxn>},
#define ON_BN_CLICKED(id, memberFxn) ON_CONTROL(BN_CLICKED, id, memberFxn)
#define ON_EN_CHANGE(id, memberFxn) ON_CONTROL(EN_CHANGE, id, memberFxn)
#define ON_NOTIFY(code, id, memberFxn)                                                  \
  {WM_NOTIFY, static_cast<UINT>(code), static_cast<UINT>(id), static_cast<UINT>(id), \
   &afx::ThunkNotify<&ThisClass::memberFxn>},
#define ON_WM_SIZE() {WM_SIZE, 0, 0, 0, &afx::ThunkSize<&ThisClass::OnSize>},
#define ON_WM_CREATE() {WM_CREATE, 0, 0, 0, &afx::ThunkCreate<&ThisClass::OnCreate>},
