// Tasks come from a pool of fixed-size slots in large blocks, with a free list per thread, so that a load's
// tasks lie in list order and freeing them costs no call to the allocator.
#include "doc/TaskItem.h"

#include <algorithm>
#include <memory>
#include <mutex>
#include <new>
#include <vector>

#include "doc/TaskText.h"

namespace {

constexpr std::size_t kTasksPerBlock = 1024;

// A free slot holds the next free one of its thread.
struct FreeSlot {
  FreeSlot* next;
};
constexpr std::size_t kSlotSize = (std::max(sizeof(TaskItem), sizeof(FreeSlot)) + alignof(TaskItem) - 1) /
                                  alignof(TaskItem) * alignof(TaskItem);

// Each thread takes and gives back slots of its own list; the blocks belong to the program.
thread_local FreeSlot* t_freeSlots = nullptr;

using Blocks = std::vector<std::unique_ptr<std::byte[]>>;

// Never destroyed: a task that outlives the others at exit (one in a static object) still has its slot.
Blocks& AllBlocks() {
  alignas(Blocks) static std::byte storage[sizeof(Blocks)];
  static Blocks* const blocks = new (storage) Blocks();
  return *blocks;
}

void AddBlock() {
  static std::mutex mutex;
  auto block = std::make_unique_for_overwrite<std::byte[]>(kSlotSize * kTasksPerBlock);
  std::byte* const memory = block.get();
  {
    const std::lock_guard lock(mutex);
    AllBlocks().push_back(std::move(block));  // owned before any slot is handed out
  }
  // Linked so that the first slot is taken first: the tasks of a load lie in memory in list order.
  for (std::size_t i = kTasksPerBlock; i-- > 0;) t_freeSlots = new (memory + i * kSlotSize) FreeSlot{t_freeSlots};
}

}  // namespace

void* TaskItem::operator new(std::size_t size) {
  if (size != sizeof(TaskItem)) return ::operator new(size);  // a class made from this one
  if (!t_freeSlots) AddBlock();
  FreeSlot* slot = t_freeSlots;
  t_freeSlots = slot->next;
  return slot;
}

void TaskItem::operator delete(void* task, std::size_t size) noexcept {
  if (!task) return;
  if (size != sizeof(TaskItem)) {
    ::operator delete(task);  // plain form: clang builds without sized deallocation
    return;
  }
  t_freeSlots = new (task) FreeSlot{t_freeSlots};
}

TaskItem::TaskItem() : dueDate(0.0, COleDateTime::valid) {
  subject = tasktext::SubjectDefault();
  dueDate = COleDateTime::GetCurrentTime();
  priority = CString(u"A");
  memo = CString();
}

TaskItem::~TaskItem() = default;

void TaskItem::CopyFieldsFrom(const TaskItem& other) {
  SetSubject(other.GetSubject());
  SetDueDate(other.GetDueDate());
  SetPriority(other.GetPriority());
  SetMemo(other.GetMemo());
}

COleDateTime NoDueDateValue() { return COleDateTime(2100, 1, 1, 0, 0, 0); }
