#include "project/control_ranges.h"

#include "base/number_text.h"
#include "base/text_fields.h"

std::vector<std::string> textureSideItems() { return splitFields(kTextureSideList, ','); }

int textureSideIndex(int64_t side) {
  const std::vector<std::string> items = textureSideItems();
  const auto it = std::find(items.begin(), items.end(), std::to_string(side));
  return it == items.end() ? 0 : static_cast<int>(it - items.begin());
}

int textureSide(int64_t side) {
  return static_cast<int>(leadingInt(textureSideItems()[textureSideIndex(side)]));
}
