// Taking unwanted parts out of documents: the fine-tune filter of the preview, and the empty
// table rows and tables the conversion leaves.

#include "conversion/importengine.h"

#include "platform/ui/uiservices.h"
#include "platform/xml/treewalk.h"

#include <libxml/parserInternals.h>

namespace tavro::conversion {

void ImportEngine::StripRemovedElements(std::string& strPreview) {
  ui::BusyPointer busy;
  // Always start again from the unfiltered preview, so names moved back reappear.
  setBodyHtml(strPreview);

  std::string removal;
  for (const auto& name : lstRemovedElements.items())
    removal += (removal.empty() ? "" : ",") + name;
  if (removal.empty())
    return;

  strPreview = bodyHtml();
  if (strPreview.empty())
    return;
  // The body itself gives the document its markup would, without parsing that again.
  auto doc = bodyXml();
  if (!doc)
    return;
  doc->setProperty("SelectionLanguage", "XPath");
  m_domTools.RemoveElements(removal, *doc, false);
  // Tables taken out leave their row groups behind; those go with everything in them.
  if (removal.find("table") != std::string::npos && !doc->selectNodes("//tbody").empty())
    m_domTools.RemoveElements("tbody", *doc, true);
  setBodyHtml(doc->markup());
}

void ImportEngine::NormaliseTables(xml::XmlDocument& doc) {
  // Each test looks only at direct children, so going backwards gives the same result and
  // never touches a node freed with an ancestor removed earlier.
  auto plainText = [](xmlNodePtr n) { return n && n->type == XML_TEXT_NODE && n->name == xmlStringText; };
  auto removeWhere = [&](const std::vector<xmlNodePtr>& nodes, const char* required) {
    bool removed = false;
    for (auto it = nodes.rbegin(); it != nodes.rend(); ++it) {
      xmlNodePtr node = *it;
      bool has = false;
      for (xmlNodePtr c = node->children; c && !has; c = c->next)
        has = c->type == XML_ELEMENT_NODE && xmlStrcmp(c->name, BAD_CAST required) == 0;
      if (has)
        continue;
      xmlNodePtr before = node->prev, after = node->next;
      xmlUnlinkNode(node);
      xmlFreeNode(node);
      removed = true;
      // The text either side becomes one, as any copy of the tree would make it.
      if (plainText(before) && plainText(after)) {
        xmlNodeAddContent(before, after->content);
        xmlUnlinkNode(after);
        xmlFreeNode(after);
      }
    }
    return removed;
  };
  // One walk finds the rows and the tables.
  std::vector<xmlNodePtr> rows, tables;
  xml::walkTree(doc.documentElement(), [&](xmlNodePtr n) {
    if (n->type != XML_ELEMENT_NODE)
      return false;
    if (!n->ns && xmlStrEqual(n->name, BAD_CAST "tr"))
      rows.push_back(n);
    else if (!n->ns && xmlStrEqual(n->name, BAD_CAST "table"))
      tables.push_back(n);
    return true;
  });
  // Rows first, so a table whose rows all lacked cells goes in the same pass. A row that
  // went may have taken tables inside it along: the tables are then found again.
  if (removeWhere(rows, "td"))
    tables = xml::elementsNamed(doc.documentElement(), "table");
  removeWhere(tables, "tr");
}

} // namespace tavro::conversion
