// CObject and run-time class records: the framework creates documents, frames and views from their records.
#pragma once

#include <memory>

#include "platform/core/WinTypes.h"

class CObject;
class CArchive;

struct CRuntimeClass {
  const char* m_lpszClassName;
  int m_nObjectSize;
  CObject* (*m_pfnCreateObject)();  // null when the class is not dynamically creatable
  const CRuntimeClass* m_pBaseClass;

  // A new object of the class; the caller owns it. Null when the class cannot be created.
  CObject* CreateObject() const;
  bool IsDerivedFrom(const CRuntimeClass* base) const;
};

class CObject {
 public:
  virtual ~CObject() = default;
  virtual const CRuntimeClass* GetRuntimeClass() const;
  virtual void Serialize(CArchive& ar) {}
  bool IsKindOf(const CRuntimeClass* cls) const { return GetRuntimeClass()->IsDerivedFrom(cls); }

  static const CRuntimeClass classCObject;

 protected:
  CObject() = default;
};

#define RUNTIME_CLASS(class_name) (&class_name::class##class_name)

#define DECLARE_DYNAMIC(class_name)                              \
 public:                                                         \
  static const CRuntimeClass class##class_name;                  \
  const CRuntimeClass* GetRuntimeClass() const override;

#define DECLARE_DYNCREATE(class_name) \
  DECLARE_DYNAMIC(class_name)         \
  static CObject* CreateObject();

#define IMPLEMENT_DYNAMIC(class_name, base_class_name)                                                    \
  const CRuntimeClass class_name::class##class_name = {#class_name, static_cast<int>(sizeof(class_name)), \
                                                       nullptr, RUNTIME_CLASS(base_class_name)};          \
  const CRuntimeClass* class_name::GetRuntimeClass() const { return RUNTIME_CLASS(class_name); }

#define IMPLEMENT_DYNCREATE(class_name, base_class_name)                                                 \
  CObject* class_name::CreateObject() { return new class_name; }                                         \
  const CRuntimeClass class_name::class##class_name = {#class_name, static_cast<int>(sizeof(class_name)), \
                                                       &class_name::CreateObject,                        \
                                                       RUNTIME_CLASS(base_class_name)};                   \
  const CRuntimeClass* class_name::GetRuntimeClass() const { return RUNTIME_CLASS(class_name); }

// Creates an object from its record as the given type; null when the record is not creatable or not a T.
template <typename T>
std::unique_ptr<T> AfxCreateObject(const CRuntimeClass* cls) {
  std::unique_ptr<CObject> object(cls ? cls->CreateObject() : nullptr);
  if (!object) return nullptr;
  T* typed = dynamic_cast<T*>(object.get());
  if (!typed) return nullptr;
  object.release();
  return std::unique_ptr<T>(typed);
}
