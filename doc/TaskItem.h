// One task: subject, due date, priority, memo. A task without a due date carries 1 January 2100 00:00:00.
#pragma once

#include "platform/core/COleDateTime.h"
#include "platform/core/CObject.h"
#include "platform/core/CString.h"

class TaskItem : public CObject {
 public:
  // Subject "件名", due date now (whole seconds), priority "A", memo "".
  TaskItem();
  // A task whose four fields are set next (read from a file, copied from another task): it skips the default
  // texts and the clock, which a load of 100,000 tasks would otherwise pay for each and then overwrite.
  struct FieldsFollow {};
  explicit TaskItem(FieldsFollow) : dueDate(0.0, COleDateTime::valid) {}
  ~TaskItem() override;
  // Tasks are made in blocks of many: a load makes 100,000 at once, and a list that goes leaves its slots for the
  // next one instead of 100,000 small pieces to the allocator. The slots stay with the program.
  static void* operator new(std::size_t size);
  static void operator delete(void* task, std::size_t size) noexcept;

  // A task is copied field by field with CopyFieldsFrom, never as an object.
  TaskItem(const TaskItem&) = delete;
  TaskItem& operator=(const TaskItem&) = delete;

  CString GetSubject() const { return subject; }
  void SetSubject(CString value) { subject = std::move(value); }
  COleDateTime GetDueDate() const { return dueDate; }
  void SetDueDate(COleDateTime value) { dueDate = value; }
  CString GetPriority() const { return priority; }
  void SetPriority(CString value) { priority = std::move(value); }
  CString GetMemo() const { return memo; }
  void SetMemo(CString value) { memo = std::move(value); }

  // Copies the four fields (the due date with its status) from another task: subject, due date, priority,
  // memo, in that order. Every copy of a task is made by this.
  void CopyFieldsFrom(const TaskItem& other);

  COleDateTime dueDate;
  CString subject;
  CString priority;
  CString memo;
};

// 1 January 2100 00:00:00, status valid (73051.0).
COleDateTime NoDueDateValue();
