// The tidying pass: the card's content gathered into paragraphs. The shipped TIDYWML
// stylesheet states the rules; the engine runs them in place on the tree when that is the
// stylesheet it has, which gives the same deck without copying the card.

#include "conversion/tidy.h"

#include "decks/deckrepair.h"

namespace tavro::conversion {

namespace {

constexpr const char* kTidyNamespace = "urn:tavro:tidy";

bool plainElement(xmlNodePtr n, const char* name) {
  return n && n->type == XML_ELEMENT_NODE && !n->ns && xmlStrEqual(n->name, BAD_CAST name);
}

bool holder(xmlNodePtr n, const char* name) {
  return n->type == XML_ELEMENT_NODE && n->ns && xmlStrEqual(n->ns->href, BAD_CAST kTidyNamespace) &&
         xmlStrEqual(n->name, BAD_CAST name);
}

} // namespace

void holdBareText(xml::XmlDocument& doc) {
  auto inRun = [](xmlNodePtr n, bool forward) {
    while (n && (n->type == XML_COMMENT_NODE || (n->type == XML_TEXT_NODE && xmlIsBlankNode(n))))
      n = forward ? n->next : n->prev;
    if (!n)
      return false;
    if (n->type == XML_ELEMENT_NODE)
      return n->ns || xmlStrcmp(n->name, BAD_CAST "p") != 0;
    return n->type == XML_TEXT_NODE || n->type == XML_PI_NODE;
  };
  for (xmlNodePtr card : doc.selectNodes("/wml/card")) {
    // The namespace is declared on each holder: declared on the card, every element the pass
    // copies would carry the declaration along.
    auto hold = [&](xmlNodePtr node, const char* name) {
      xmlNodePtr held = xmlNewDocNode(doc.get(), nullptr, BAD_CAST name, nullptr);
      xmlSetNs(held, xmlNewNs(held, BAD_CAST kTidyNamespace, BAD_CAST "t"));
      xmlReplaceNode(node, held);
      if (node->type == XML_TEXT_NODE) {
        xmlAddChild(held, node);
      } else {
        if (node->content)
          xmlAddChild(held, xmlNewDocText(doc.get(), node->content));
        xmlFreeNode(node);
      }
    };
    for (xmlNodePtr node = card->children; node;) {
      xmlNodePtr next = node->next;
      if (node->type == XML_TEXT_NODE && (!xmlIsBlankNode(node) || (inRun(node->prev, false) && inRun(next, true))))
        hold(node, "text");
      else if (node->type == XML_PI_NODE && xmlStrEqual(node->name, BAD_CAST decks::breakTarget))
        hold(node, "break");
      else if (node->type == XML_PI_NODE && xmlStrEqual(node->name, BAD_CAST decks::idTarget))
        hold(node, "id");
      node = next;
    }
  }
}

bool wrapParagraphs(xml::XmlDocument& doc) {
  // Only the shape the import pass gives is taken in place: a wml of plain cards, neither
  // with attributes or namespaces. Anything else goes through the stylesheet itself.
  xmlDocPtr d = doc.get();
  xmlNodePtr root = doc.documentElement();
  if (!plainElement(root, "wml") || root->properties || root->nsDef || root->next || root->prev)
    return false;
  for (xmlNodePtr c = root->children; c; c = c->next)
    if (c->type == XML_ELEMENT_NODE && (!plainElement(c, "card") || c->properties || c->nsDef))
      return false;

  for (xmlNodePtr c = root->children; c;) {
    xmlNodePtr next = c->next;
    if (c->type != XML_ELEMENT_NODE) {
      xmlUnlinkNode(c); // the pass writes only the cards
      xmlFreeNode(c);
    }
    c = next;
  }
  for (xmlNodePtr card = root->children; card; card = card->next) {
    xmlNodePtr node = card->children;
    card->children = card->last = nullptr;
    xmlNodePtr paragraph = nullptr; // the paragraph the current run goes into
    while (node) {
      xmlNodePtr next = node->next;
      node->parent = nullptr;
      node->prev = node->next = nullptr;
      if (node->type != XML_ELEMENT_NODE) {
        xmlFreeNode(node); // text and comments of the card itself are not written
      } else if (plainElement(node, "p")) {
        paragraph = nullptr;
        xmlAddChild(card, node);
      } else {
        if (!paragraph)
          paragraph = xmlAddChild(card, xmlNewDocNode(d, nullptr, BAD_CAST "p", nullptr));
        if (holder(node, "text")) {
          xmlChar* text = xmlNodeGetContent(node);
          if (text && *text)
            xmlAddChild(paragraph, xmlNewDocText(d, text));
          xmlFree(text);
          xmlFreeNode(node);
        } else if (holder(node, "break")) {
          xmlAddChild(paragraph, xmlNewDocPI(d, BAD_CAST decks::breakTarget, nullptr));
          xmlFreeNode(node);
        } else if (holder(node, "id")) {
          xmlChar* id = xmlNodeGetContent(node);
          xmlAddChild(paragraph, xmlNewDocPI(d, BAD_CAST decks::idTarget, id));
          xmlFree(id);
          xmlFreeNode(node);
        } else {
          xmlAddChild(paragraph, node);
        }
      }
      node = next;
    }
  }
  return true;
}

} // namespace tavro::conversion
