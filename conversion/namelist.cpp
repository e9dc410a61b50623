#include "conversion/namelist.h"

#include <algorithm>

namespace tavro::conversion {

void NameList::setSelected(int index, bool selected) {
  m_selected.at(std::size_t(index)) = selected;
  changed.raise();
}

int NameList::ListIndex() const {
  auto it = std::find(m_selected.begin(), m_selected.end(), true);
  return it == m_selected.end() ? -1 : int(it - m_selected.begin());
}

void NameList::setListIndex(int index) {
  std::fill(m_selected.begin(), m_selected.end(), false);
  if (index >= 0)
    m_selected.at(std::size_t(index)) = true;
  changed.raise();
}

void NameList::AddItem(const std::string& text) {
  m_items.push_back(text);
  m_selected.push_back(false);
  changed.raise();
}

void NameList::RemoveItem(int index) {
  m_items.erase(m_items.begin() + index);
  m_selected.erase(m_selected.begin() + index);
  changed.raise();
}

void NameList::Clear() {
  m_items.clear();
  m_selected.clear();
  changed.raise();
}

bool NameList::contains(const std::string& text) const {
  return std::find(m_items.begin(), m_items.end(), text) != m_items.end();
}

} // namespace tavro::conversion
