#include "entry/colwizards.h"

#include "platform/com/enumerator.h"
#include "util/text.h"

namespace tavro {

using namespace com;

const std::vector<Member<colWizards>>& colWizards::members() {
  static const std::vector<Member<colWizards>> table{
      {"Add", CallKind::Method,
       [](colWizards& c, Args& a) {
         return Variant(c.Add(argument(a, 0).toString(), argument(a, 1).toLong(), argument(a, 2).toString(),
                              argument(a, 3).toString(), optionalArgument(a, 4).toString()));
       }},
      {"Item", CallKind::Get, [](colWizards& c, Args& a) { return Variant(c.Item(argument(a, 0))); }, dispidValue},
      {"Count", CallKind::Get, [](colWizards& c, Args&) { return Variant(int(c.Count())); }},
      {"Remove", CallKind::Method,
       [](colWizards& c, Args& a) {
         c.Remove(argument(a, 0));
         return Variant();
       }},
      {"NewEnum", CallKind::Get, [](colWizards& c, Args&) { return Variant(c.NewEnum()); }, dispidNewEnum},
  };
  return table;
}

std::shared_ptr<clWizardItem> colWizards::Add(const std::string& Caption, std::int32_t IconId,
                                              const std::string& TooltipText, const std::string& strID,
                                              const std::string& sKey) {
  if (!sKey.empty()) {
    for (const auto& e : m_entries) {
      if (e.key && util::equalsNoCase(*e.key, sKey))
        throw ComError(errDuplicateKey);
    }
  }
  auto item = std::make_shared<clWizardItem>();
  item->Caption = Caption;
  item->IconId = IconId;
  item->TooltipText = TooltipText;
  item->strID = strID;
  m_entries.push_back({sKey.empty() ? std::nullopt : std::optional<std::string>(sKey), item});
  return item;
}

std::size_t colWizards::indexOf(const Variant& vntIndexKey) const {
  if (vntIndexKey.type() == Variant::Type::String) {
    const std::string key = vntIndexKey.toString();
    for (std::size_t i = 0; i < m_entries.size(); ++i) {
      if (m_entries[i].key && util::equalsNoCase(*m_entries[i].key, key))
        return i;
    }
    throw ComError(errInvalidCall);
  }
  if (vntIndexKey.isNumeric() || vntIndexKey.isEmpty()) {
    std::int32_t position = vntIndexKey.toLong();
    if (position < 1 || position > Count())
      throw ComError(errSubscript);
    return std::size_t(position - 1);
  }
  throw ComError(errTypeMismatch);
}

std::shared_ptr<clWizardItem> colWizards::Item(const Variant& vntIndexKey) const {
  return m_entries[indexOf(vntIndexKey)].item;
}

void colWizards::Remove(const Variant& vntIndexKey) {
  m_entries.erase(m_entries.begin() + std::ptrdiff_t(indexOf(vntIndexKey)));
}

std::string colWizards::keyAt(std::int32_t position) const {
  const auto& entry = m_entries[indexOf(Variant(int(position)))];
  return entry.key.value_or(std::string());
}

ObjectPtr colWizards::NewEnum() const {
  std::vector<Variant> items;
  for (const auto& e : m_entries)
    items.emplace_back(e.item);
  return std::make_shared<Enumerator>(std::move(items));
}

} // namespace tavro
