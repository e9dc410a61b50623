#pragma once
// An enumerator over a snapshot of a collection's entries, walked with Next/Skip/Reset/Clone.

#include "platform/com/dispatch.h"

#include <functional>

namespace tavro::com {

class Enumerator : public Automation<Enumerator> {
public:
  explicit Enumerator(std::vector<Variant> items, std::size_t position = 0)
      : m_items(std::move(items)), m_position(position) {}

  static std::string className() { return "Enumerator"; }
  static const std::vector<Member<Enumerator>>& members();

  /// Up to count entries from the current position; fewer at the end.
  std::vector<Variant> next(std::size_t count);
  /// Moves on by count entries; False when fewer were left.
  bool skip(std::size_t count);
  void reset() { m_position = 0; }
  std::shared_ptr<Enumerator> clone() const { return std::make_shared<Enumerator>(m_items, m_position); }

private:
  std::vector<Variant> m_items;
  std::size_t m_position;
};

/// Walks a collection by name, as a for-each loop does: its enumerator (the member with the
/// enumerator's dispatch identifier) and then Next until it is done.
void forEach(const ObjectPtr& collection, const std::function<void(const Variant&)>& visit);

} // namespace tavro::com
