#pragma once
// Walking a libxml2 tree in document order without recursion, so that depth costs no stack.

#include <libxml/tree.h>

#include <vector>

namespace tavro::xml {

/// Visits root and every node below it in document order; visit(node) answers whether to go
/// into the node's children. Entity references are not entered: their children belong to the
/// declaration. visit may unlink and free the node it is given when it answers false, and may
/// change what lies inside it, but must not touch the nodes after it.
template <class Visit>
void walkTree(xmlNodePtr root, Visit visit) {
  xmlNodePtr node = root;
  while (node) {
    // Taken before the visit, which may free the node.
    xmlNodePtr next = node->next;
    xmlNodePtr parent = node->parent;
    if (visit(node) && node->children && node->type != XML_ENTITY_REF_NODE) {
      node = node->children;
      continue;
    }
    if (node == root)
      break;
    if (!next) {
      while (parent != root && !parent->next)
        parent = parent->parent;
      next = parent == root ? nullptr : parent->next;
    }
    node = next;
  }
}

/// The elements below and at root named name, without a namespace, in document order: what
/// the XPath "//name" selects, without building an XPath context for it.
inline std::vector<xmlNodePtr> elementsNamed(xmlNodePtr root, const char* name) {
  std::vector<xmlNodePtr> found;
  walkTree(root, [&](xmlNodePtr n) {
    if (n->type != XML_ELEMENT_NODE)
      return false;
    if (!n->ns && xmlStrEqual(n->name, reinterpret_cast<const xmlChar*>(name)))
      found.push_back(n);
    return true;
  });
  return found;
}

} // namespace tavro::xml
