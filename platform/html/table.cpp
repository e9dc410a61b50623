// The table operations of elements: rows and cells, and inserting them.

#include "platform/html/markup.h"
#include "platform/html/node.h"

namespace tavro::html {

ElementPtr Element::insertRow(int index) {
  bool isTable = is("table");
  if (!isTable && !is("thead") && !is("tbody") && !is("tfoot"))
    detail::invalidCall("insertRow needs a TABLE, THEAD, TBODY or TFOOT element");
  auto existing = rows();
  if (index < -1 || index > int(existing.size()))
    detail::invalidCall("row index " + std::to_string(index) + " is out of range");
  auto row = std::make_shared<Element>("tr", m_ownerDocument);
  if (!isTable) {
    NodePtr ref = (index == -1 || index == int(existing.size())) ? nullptr : NodePtr(existing[std::size_t(index)]);
    insertBefore(row, ref);
  } else if (existing.empty()) {
    // A table without rows gets a TBODY to hold them, as the HTML parser would make.
    ElementPtr body;
    for (auto& c : children()) {
      if (c->is("tbody"))
        body = c;
    }
    if (!body)
      body = std::static_pointer_cast<Element>(appendChild(std::make_shared<Element>("tbody", m_ownerDocument)));
    body->appendChild(row);
  } else if (index == -1 || index == int(existing.size())) {
    existing.back()->m_parent->appendChild(row);
  } else {
    const auto& ref = existing[std::size_t(index)];
    ref->m_parent->insertBefore(row, ref);
  }
  return row;
}

ElementPtr Element::insertCell(int index) {
  if (!is("tr"))
    detail::invalidCall("insertCell needs a TR element");
  auto existing = cells();
  if (index < -1 || index > int(existing.size()))
    detail::invalidCall("cell index " + std::to_string(index) + " is out of range");
  auto cell = std::make_shared<Element>("td", m_ownerDocument);
  NodePtr ref = (index == -1 || index == int(existing.size())) ? nullptr : NodePtr(existing[std::size_t(index)]);
  insertBefore(cell, ref);
  return cell;
}

std::vector<ElementPtr> Element::rows() const {
  std::vector<ElementPtr> out;
  for (auto& c : children()) {
    if (c->is("tr")) {
      out.push_back(c);
    } else if (is("table") && (c->is("thead") || c->is("tbody") || c->is("tfoot"))) {
      for (auto& r : c->children()) {
        if (r->is("tr"))
          out.push_back(r);
      }
    }
  }
  return out;
}

std::vector<ElementPtr> Element::cells() const {
  std::vector<ElementPtr> out;
  for (auto& c : children()) {
    if (c->is("td") || c->is("th"))
      out.push_back(c);
  }
  return out;
}

} // namespace tavro::html
