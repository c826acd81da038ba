// The column sort's result. The list's sort is an exchange sort: for i < j, whenever key(i) > key(j) (ordinal
// UTF-16), tasks i and j are exchanged. It is not stable, and its result is part of the program's behaviour.
// ExchangeSortOracle runs that algorithm as written (quadratic, the reference in tests); ExchangeSort computes
// exactly the same result fast.
#pragma once

#include <vector>

#include "platform/core/CString.h"

class CTarvelquistDoc;

struct ExchangeSortResult {
  // order[k]: the original index of the element that ends at position k.
  std::vector<int> order;
  // touched[k]: position k took part in at least one exchange (its row is rebuilt and loses its selection).
  std::vector<bool> touched;
  // At least one exchange happened (the document becomes modified).
  bool anyExchange = false;
  // Whether the very last comparison (i = n-2, j = n-1) exchanged: decides what workTask ends holding.
  bool lastComparisonExchanged = false;
};

ExchangeSortResult ExchangeSortOracle(const std::vector<CString>& keys);
ExchangeSortResult ExchangeSort(const std::vector<CString>& keys);

// The column sort on a document: keys of the column (tasktext::SortKey), ExchangeSort, the tasks reordered,
// the modified flag set exactly when at least one pair was exchanged, and workTask left holding the last task
// the exchange sort would have loaded (the task at n-2 when the last comparison exchanged, else at n-1; untouched
// for fewer than two tasks). The list view rebuilds the touched rows afterwards; tvq saves.
ExchangeSortResult SortTasks(CTarvelquistDoc& document, int column);
