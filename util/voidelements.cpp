#include "util/voidelements.h"

#include <algorithm>
#include <iterator>

namespace tavro::util {

namespace {

constexpr std::string_view names[] = {"area",     "base", "basefont", "bgsound", "br",    "col",    "embed",
                                      "frame",    "hr",   "image",    "img",     "input", "keygen", "link",
                                      "menuitem", "meta", "param",    "source",  "track", "wbr",    "isindex"};

} // namespace

std::span<const std::string_view> voidElements() { return names; }

bool isVoidElement(std::string_view lowerName) {
  return std::find(std::begin(names), std::end(names), lowerName) != std::end(names);
}

} // namespace tavro::util
