// The column sort's result. The list's sort is an exchange sort: for i < j, whenever key(i) > key(j) (ordinal
// UTF-16), tasks i and j are exchanged. It is not stable, and its result is part of the program's behaviour.
// ExchangeSortOracle runs that algorithm as written (quadratic, the reference in tests); ExchangeSort computes
// exactly the same result fast.
#pragma once

#include <vector>

#include "platform/core/CString.h"

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
