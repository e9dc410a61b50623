#include "conversion/layouttables.h"

#include "platform/xml/treewalk.h"
#include "platform/xml/xmldocument.h"

#include <string_view>
#include <vector>

namespace tavro::conversion {

namespace {

bool named(xmlNodePtr node, std::string_view name) {
  return node && node->type == XML_ELEMENT_NODE && !node->ns && name == reinterpret_cast<const char*>(node->name);
}

bool isBlock(xmlNodePtr node) {
  for (std::string_view name : {"table", "h1", "h2", "h3", "h4", "h5", "h6", "ul", "ol", "dl", "pre", "blockquote",
                                "form", "hr", "address", "center", "fieldset"})
    if (named(node, name))
      return true;
  return false;
}

bool isLayout(xmlNodePtr table) {
  bool found = false;
  xml::walkTree(table, [&](xmlNodePtr node) {
    found = found || (node != table && isBlock(node));
    return !found;
  });
  return found;
}

bool blankText(xmlNodePtr node) {
  return (node->type == XML_TEXT_NODE && xmlIsBlankNode(node)) || node->type == XML_COMMENT_NODE;
}

// What the table holds, in reading order: its caption and the cells of its rows (in its head,
// bodies and foot too), each to become a block, and anything else that stands in it (which a
// page's markup can leave there), to be kept as it is. Columns and blank text go with the table.
struct Piece {
  xmlNodePtr node;
  bool cell;
};
void collect(xmlNodePtr container, std::vector<Piece>& pieces) {
  for (xmlNodePtr c = container->children; c; c = c->next) {
    if (named(c, "td") || named(c, "th") || named(c, "caption"))
      pieces.push_back({c, true});
    else if (named(c, "tr") || named(c, "thead") || named(c, "tbody") || named(c, "tfoot"))
      collect(c, pieces);
    else if (!named(c, "col") && !named(c, "colgroup") && !blankText(c))
      pieces.push_back({c, false});
  }
}

void moveId(xmlNodePtr from, xmlNodePtr to) {
  if (xmlHasProp(to, BAD_CAST "id") || !xmlHasProp(from, BAD_CAST "id"))
    return;
  xmlSetProp(to, BAD_CAST "id", BAD_CAST xml::attribute(from, "id").c_str());
}

} // namespace

int unwrapLayoutTables(xmlNodePtr root) {
  // Outer tables first: an inner one is judged, and taken out, once its cells are blocks.
  int unwrapped = 0;
  for (xmlNodePtr table : xml::elementsNamed(root, "table")) {
    if (!isLayout(table))
      continue;
    xmlNodePtr first = nullptr;
    std::vector<Piece> pieces;
    collect(table, pieces);
    for (const Piece& piece : pieces) {
      xmlNodePtr block = piece.node;
      xmlUnlinkNode(block);
      if (piece.cell) {
        block = xmlNewDocNode(table->doc, nullptr, BAD_CAST "div", nullptr);
        moveId(piece.node, block);
        while (xmlNodePtr child = piece.node->children) {
          xmlUnlinkNode(child);
          xmlAddChild(block, child);
        }
        xmlFreeNode(piece.node);
      }
      // A text node added here may be merged into the one before it, and freed.
      xmlAddPrevSibling(table, block);
      if (piece.cell && !first)
        first = block;
    }
    if (first)
      moveId(table, first);
    xmlUnlinkNode(table);
    xmlFreeNode(table);
    ++unwrapped;
  }
  return unwrapped;
}

} // namespace tavro::conversion
