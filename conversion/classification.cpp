// Sorting a page's elements against the element catalogue, and the two name lists of the
// fine-tune page.

#include "conversion/importengine.h"

#include "platform/html/browser.h"
#include "platform/xml/treewalk.h"

#include <unordered_set>

namespace tavro::conversion {

namespace {

// The names of the elements a document holds. A catalogue name is present when the document
// holds at least one element of that name (compared exactly: lower case on both sides); one
// walk answers every name, where a query per name would walk the document each time.
std::unordered_set<std::string> elementNames(const xml::XmlDocument& doc) {
  std::unordered_set<std::string> names;
  xml::walkTree(doc.documentElement(), [&](xmlNodePtr node) {
    if (node->type != XML_ELEMENT_NODE)
      return false;
    names.emplace(reinterpret_cast<const char*>(node->name));
    return true;
  });
  return names;
}

std::string nodeName(xmlNodePtr node) { return reinterpret_cast<const char*>(node->name); }

// The element children of a node: a catalogue group holds nothing else.
std::vector<xmlNodePtr> childElements(xmlNodePtr node) {
  std::vector<xmlNodePtr> out;
  for (xmlNodePtr c = node ? node->children : nullptr; c; c = c->next) {
    if (c->type == XML_ELEMENT_NODE)
      out.push_back(c);
  }
  return out;
}

} // namespace

void ImportEngine::ClassifySource(const std::unordered_set<std::string>& pageNames) {
  auto present = [&](const std::string& name) { return pageNames.count(name) > 0; };
  for (xmlNodePtr name : childElements(m_xmlElements.selectSingleNode("//unknown"))) {
    if (present(nodeName(name)))
      m_colRemoved.push_back(nodeName(name));
  }
  for (xmlNodePtr group : childElements(m_xmlElements.selectSingleNode("//mapped"))) {
    for (xmlNodePtr name : childElements(group)) {
      if (present(nodeName(name)))
        m_colMapped.push_back(nodeName(name));
    }
  }
}

void ImportEngine::ClassifyResult(const xml::XmlDocument& doc) {
  const auto names = elementNames(doc);
  for (xmlNodePtr name : childElements(m_xmlElements.selectSingleNode("//known"))) {
    if (names.count(nodeName(name)))
      m_colTransformed.push_back(nodeName(name));
  }
}

void ImportEngine::AnalyseElements(NameList& list) {
  // The element names of the document the browser shows, gathered in one walk.
  std::unordered_set<std::string> shown;
  auto doc = document();
  if (const auto& root = doc->documentElement()) {
    shown.insert(root->localName());
    html::walkDescendants(*root, [&](const html::Node& node) {
      if (node.isElement())
        shown.insert(static_cast<const html::Element&>(node).localName());
      return true;
    });
  }
  auto consider = [&](const std::string& name) {
    if (!list.contains(name) && shown.count(name))
      list.AddItem(name);
  };
  for (xmlNodePtr name : childElements(m_xmlElements.selectSingleNode("//known")))
    consider(nodeName(name));
  for (xmlNodePtr group : m_xmlElements.selectNodes("//mapped/*[@removable='true']"))
    consider(nodeName(group));
}

void ImportEngine::MoveListItems(NameList& source, NameList& destination, bool removeFromSource) {
  if (source.ListIndex() < 0)
    return;
  std::vector<std::string> moved;
  for (int i = 0; i < source.ListCount(); ++i) {
    if (source.Selected(i)) {
      moved.push_back(source.List(i));
      destination.AddItem(source.List(i));
    }
  }
  if (removeFromSource) {
    for (int i = source.ListCount() - 1; i >= 0; --i) {
      if (std::find(moved.begin(), moved.end(), source.List(i)) != moved.end())
        source.RemoveItem(i);
    }
  }
  destination.setListIndex(destination.ListCount() - 1);
}

} // namespace tavro::conversion
