#include "format/key_sort.h"

#include <utility>

namespace poolside {

void SortStrings(std::vector<std::string>& items, int n) {
  // Never reach beyond the array, whatever the caller's count says.
  if (n > static_cast<int>(items.size()) - 1) n = static_cast<int>(items.size()) - 1;
  if (n <= 0) return;
  int g = 1;
  while (g <= n) g *= 2;
  for (;;) {
    g = (g - 1) / 2;
    if (g == 0) break;
    for (int i = 1; i <= n - g; ++i) {
      for (int j = i; j > 0; j -= g) {
        // std::string compares bytes as unsigned char: character code order.
        if (items[j + g] > items[j]) break;
        std::swap(items[j], items[j + g]);
      }
    }
  }
}

}  // namespace poolside
