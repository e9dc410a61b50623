#pragma once
// Resources carried inside the library: stylesheets, the element catalogue and the catalogue
// bitmaps, looked up by type name and number (or name), as a Windows module's resources are.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tavro::resources {

using Bytes = std::span<const std::uint8_t>;

/// The bytes of a resource. Type names and names compare without regard to case.
/// Throws com::ComError (number 1813, "resource not found") naming the resource when there is none.
Bytes find(std::string_view type, int number);
Bytes find(std::string_view type, std::string_view name);

/// True when the resource exists.
bool contains(std::string_view type, std::string_view name);

/// The resource's text: its bytes up to the first NUL, as UTF-8.
std::string text(std::string_view type, int number);

namespace detail {
struct Entry {
  const char* type;
  const char* name;
  Bytes bytes;
};
const std::vector<Entry>& table();
} // namespace detail

} // namespace tavro::resources
