#pragma once
// In-place ascending sort of elements 1..n of a text array by character code
// (a Shell sort with gaps 2^k - 1). Element 0 is never touched.

#include <string>
#include <vector>

namespace poolside {

// `items` must hold indices 0..n; n <= 0 leaves it unchanged.
void SortStrings(std::vector<std::string>& items, int n);

}  // namespace poolside
