#include "resources/resources.h"

#include "platform/com/comerror.h"
#include "util/text.h"

#include <algorithm>

namespace tavro::resources {

bool contains(std::string_view type, std::string_view name) {
  const auto& entries = detail::table();
  return std::any_of(entries.begin(), entries.end(), [&](const detail::Entry& e) {
    return util::equalsNoCase(e.type, type) && util::equalsNoCase(e.name, name);
  });
}

Bytes find(std::string_view type, std::string_view name) {
  for (const auto& e : detail::table()) {
    if (util::equalsNoCase(e.type, type) && util::equalsNoCase(e.name, name))
      return e.bytes;
  }
  throw com::ComError(com::errResourceNotFound,
                      "resource not found: type '" + std::string(type) + "', '" + std::string(name) + "'");
}

Bytes find(std::string_view type, int number) { return find(type, std::to_string(number)); }

std::string text(std::string_view type, int number) {
  Bytes bytes = find(type, number);
  auto end = std::find(bytes.begin(), bytes.end(), std::uint8_t{0});
  return std::string(bytes.begin(), end);
}

} // namespace tavro::resources
