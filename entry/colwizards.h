#pragma once
// The wizard catalogue: an ordered collection of clWizardItem entries, numbered from 1, each
// with an optional key that is unique without regard to case.

#include "entry/clwizarditem.h"

#include <optional>

namespace tavro {

class colWizards : public com::Automation<colWizards> {
public:
  static std::string className() { return "colWizards"; }
  static const std::vector<com::Member<colWizards>>& members();

  /// Appends a new entry under sKey (without a key when sKey is empty). A key already present
  /// raises error 457 and changes nothing.
  std::shared_ptr<clWizardItem> Add(const std::string& Caption, std::int32_t IconId, const std::string& TooltipText,
                                    const std::string& strID, const std::string& sKey = {});
  /// A number selects by position (1 = first; outside 1..Count: error 9); a string by key
  /// (missing: error 5).
  std::shared_ptr<clWizardItem> Item(const com::Variant& vntIndexKey) const;
  std::int32_t Count() const { return std::int32_t(m_entries.size()); }
  void Remove(const com::Variant& vntIndexKey);
  /// An enumerator over the entries in order.
  com::ObjectPtr NewEnum() const;
  /// The key of the entry at a position (1 = first); empty when it has none.
  std::string keyAt(std::int32_t position) const;

private:
  struct Entry {
    std::optional<std::string> key;
    std::shared_ptr<clWizardItem> item;
  };
  std::size_t indexOf(const com::Variant& vntIndexKey) const;
  std::vector<Entry> m_entries;
};

} // namespace tavro
