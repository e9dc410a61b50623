#pragma once
// The saved properties of a control, as its container keeps them between sessions.

#include "platform/com/variant.h"

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tavro::qt {

/// Named values whose names compare without regard to case. A value equal to its default is
/// not stored, so a bag holds only what differs from a new control.
class PropertyBag {
public:
  /// The stored value, or defaultValue when the bag has none under that name.
  com::Variant readProperty(std::string_view name, const com::Variant& defaultValue = {}) const;
  /// Stores value under name; a value equal to defaultValue removes the entry instead.
  void writeProperty(std::string_view name, const com::Variant& value, const com::Variant& defaultValue = {});

  bool contains(std::string_view name) const;
  /// The entries in the order they were first written, names as first spelt.
  const std::vector<std::pair<std::string, com::Variant>>& entries() const { return m_entries; }

private:
  std::vector<std::pair<std::string, com::Variant>>::iterator find(std::string_view name);
  std::vector<std::pair<std::string, com::Variant>>::const_iterator find(std::string_view name) const;

  std::vector<std::pair<std::string, com::Variant>> m_entries;
};

} // namespace tavro::qt
