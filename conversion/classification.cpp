// Sorting a page's elements against the element catalogue, and the two name lists of the
// fine-tune page.

#include "conversion/importengine.h"

#include "platform/html/browser.h"

namespace tavro::conversion {

namespace {

// A catalogue name is present when the document holds at least one element of that name
// (compared exactly: the names are lower case on both sides).
bool present(const xml::XmlDocument& doc, const std::string& name) { return !doc.selectNodes("//" + name).empty(); }

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

void ImportEngine::ClassifySource(const xml::XmlDocument& doc) {
  for (xmlNodePtr name : childElements(m_xmlElements.selectSingleNode("//unknown"))) {
    if (present(doc, nodeName(name)))
      m_colRemoved.push_back(nodeName(name));
  }
  for (xmlNodePtr group : childElements(m_xmlElements.selectSingleNode("//mapped"))) {
    for (xmlNodePtr name : childElements(group)) {
      if (present(doc, nodeName(name)))
        m_colMapped.push_back(nodeName(name));
    }
  }
}

void ImportEngine::ClassifyResult(const xml::XmlDocument& doc) {
  for (xmlNodePtr name : childElements(m_xmlElements.selectSingleNode("//known"))) {
    if (present(doc, nodeName(name)))
      m_colTransformed.push_back(nodeName(name));
  }
}

void ImportEngine::AnalyseElements(NameList& list) {
  auto doc = document();
  auto consider = [&](const std::string& name) {
    if (!list.contains(name) && !doc->getElementsByTagName(name).empty())
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
