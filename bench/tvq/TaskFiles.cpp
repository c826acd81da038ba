// Random subjects and memos made of short words of one script at a time, and the rest of each task drawn from
// fixed ranges, inserted through the task commands as the window would.
#include "bench/tvq/TaskFiles.h"

#include <random>
#include <string>

#include "doc/CTarvelquistDoc.h"
#include "doc/TaskCommands.h"
#include "doc/TaskText.h"

namespace tvqbench {
namespace {

constexpr std::u16string_view kJapanese =
    u"会議資料作成確認送付予定打合せ報告書見積請求書発注納品検収契約更新連絡電話メール"
    u"あいうえおかきくけこさしすせそたちつてとなにぬねのはひふへほまみむめもやゆよらりるれろわをん"
    u"アイウエオカキクケコサシスセソタチツテトナニヌネノハヒフヘホマミムメモ";
constexpr std::u16string_view kAscii = u"abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789 -.,";

std::u16string Text(std::mt19937& random, int length) {
  std::u16string text;
  text.reserve(static_cast<std::size_t>(length));
  std::uniform_int_distribution<int> which(0, 1);
  while (static_cast<int>(text.size()) < length) {
    // Words of one script at a time, as people write.
    const bool japanese = which(random) == 0;
    const std::u16string_view pool = japanese ? kJapanese : kAscii;
    std::uniform_int_distribution<std::size_t> pick(0, pool.size() - 1);
    const int word = std::uniform_int_distribution<int>(2, 8)(random);
    for (int i = 0; i < word && static_cast<int>(text.size()) < length; ++i) text.push_back(pool[pick(random)]);
  }
  return text;
}

}  // namespace

void FillRealistic(CTarvelquistDoc& document, int count, unsigned seed) {
  std::mt19937 random(seed);
  std::uniform_int_distribution<int> subjectLength(10, 40);
  std::uniform_int_distribution<int> memoLength(0, 200);
  std::uniform_int_distribution<int> day(39448, 41000);  // 2008 to 2012
  std::uniform_int_distribution<int> second(0, 86399);
  std::uniform_int_distribution<int> letter(1, 4);
  std::uniform_int_distribution<int> digit(0, 9);
  std::uniform_int_distribution<int> percent(0, 99);
  TaskCommands commands(document);
  TaskItem task;
  for (int i = 0; i < count; ++i) {
    task.subject = CString(Text(random, subjectLength(random)));
    task.dueDate = percent(random) < 10 ? NoDueDateValue() : COleDateTime(day(random) + second(random) / 86400.0);
    task.priority = tasktext::PriorityFromChoices(letter(random), digit(random));
    task.memo = CString(Text(random, memoLength(random)));
    commands.Insert(document.GetTaskCount(), task);
  }
  document.SetModifiedFlag(FALSE);
}

}  // namespace tvqbench
