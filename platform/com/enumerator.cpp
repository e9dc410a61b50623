#include "platform/com/enumerator.h"

namespace tavro::com {

const std::vector<Member<Enumerator>>& Enumerator::members() {
  // Next(fetched): returns the next entry and sets fetched to 1, or to 0 at the end.
  static const std::vector<Member<Enumerator>> table{
      {"Next", CallKind::Method,
       [](Enumerator& e, Args& args) {
         auto items = e.next(1);
         if (!args.empty())
           args[0] = Variant(int(items.size()));
         return items.empty() ? Variant() : items.front();
       }},
      {"Skip", CallKind::Method,
       [](Enumerator& e, Args& args) { return Variant(e.skip(std::size_t(argument(args, 0).toLong()))); }},
      {"Reset", CallKind::Method,
       [](Enumerator& e, Args&) {
         e.reset();
         return Variant();
       }},
      {"Clone", CallKind::Method, [](Enumerator& e, Args&) { return Variant(e.clone()); }},
  };
  return table;
}

std::vector<Variant> Enumerator::next(std::size_t count) {
  std::vector<Variant> out;
  while (count-- > 0 && m_position < m_items.size())
    out.push_back(m_items[m_position++]);
  return out;
}

bool Enumerator::skip(std::size_t count) {
  std::size_t left = m_items.size() - m_position;
  m_position += std::min(count, left);
  return count <= left;
}

void forEach(const ObjectPtr& collection, const std::function<void(const Variant&)>& visit) {
  ObjectPtr enumerator = getProperty(collection, "_NewEnum").toObject();
  for (;;) {
    Args args{Variant(0)};
    Variant item = invoke(enumerator, "Next", CallKind::Method, args);
    if (args[0].toLong() == 0)
      break;
    visit(item);
  }
}

} // namespace tavro::com
