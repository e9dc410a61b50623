#pragma once
// A list of element names with a selection: what a list box of the import wizard shows. The
// form maps its list boxes onto two of these; the command line uses them without a window.

#include "platform/html/signal.h"

#include <string>
#include <vector>

namespace tavro::conversion {

class NameList {
public:
  int ListCount() const { return int(m_items.size()); }
  const std::string& List(int index) const { return m_items.at(std::size_t(index)); }
  const std::vector<std::string>& items() const { return m_items; }
  bool Selected(int index) const { return m_selected.at(std::size_t(index)); }
  void setSelected(int index, bool selected);
  /// The selected item, or -1.
  int ListIndex() const;
  /// Selects only the item at index (-1: none).
  void setListIndex(int index);

  void AddItem(const std::string& text);
  void RemoveItem(int index);
  void Clear();
  /// Whether an item's text equals text exactly.
  bool contains(const std::string& text) const;

  /// Raised after every change of the items or the selection.
  html::Signal<> changed;

private:
  std::vector<std::string> m_items;
  std::vector<bool> m_selected;
};

} // namespace tavro::conversion
