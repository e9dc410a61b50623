#include "platform/qt/propertybag.h"

#include "util/text.h"

#include <algorithm>

namespace tavro::qt {

namespace {

// Numbers compare by value whatever their width, so a stored Long 0 equals a default of
// Boolean False or Double 0.
bool sameValue(const com::Variant& a, const com::Variant& b) {
  if (a.isNumeric() && b.isNumeric())
    return a.toDouble() == b.toDouble();
  return a == b;
}

} // namespace

std::vector<std::pair<std::string, com::Variant>>::iterator PropertyBag::find(std::string_view name) {
  return std::find_if(m_entries.begin(), m_entries.end(),
                      [&](const auto& entry) { return util::equalsNoCase(entry.first, name); });
}

std::vector<std::pair<std::string, com::Variant>>::const_iterator PropertyBag::find(std::string_view name) const {
  return std::find_if(m_entries.begin(), m_entries.end(),
                      [&](const auto& entry) { return util::equalsNoCase(entry.first, name); });
}

com::Variant PropertyBag::readProperty(std::string_view name, const com::Variant& defaultValue) const {
  auto it = find(name);
  return it == m_entries.end() ? defaultValue : it->second;
}

void PropertyBag::writeProperty(std::string_view name, const com::Variant& value, const com::Variant& defaultValue) {
  auto it = find(name);
  if (sameValue(value, defaultValue)) {
    if (it != m_entries.end())
      m_entries.erase(it);
    return;
  }
  if (it != m_entries.end())
    it->second = value;
  else
    m_entries.emplace_back(std::string(name), value);
}

bool PropertyBag::contains(std::string_view name) const { return find(name) != m_entries.end(); }

} // namespace tavro::qt
