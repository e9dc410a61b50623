#include "util/voidelements.h"

#include <algorithm>
#include <iterator>

namespace tavro::util {

bool isVoidElement(std::string_view lowerName) {
  static constexpr std::string_view names[] = {"area",     "base", "basefont", "bgsound", "br",    "col",    "embed",
                                               "frame",    "hr",   "image",    "img",     "input", "keygen", "link",
                                               "menuitem", "meta", "param",    "source",  "track", "wbr",    "isindex"};
  return std::find(std::begin(names), std::end(names), lowerName) != std::end(names);
}

} // namespace tavro::util
