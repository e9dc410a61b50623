#include "decks/split.h"

#include "decks/deckrepair.h"
#include "decks/wbxml.h"
#include "decks/wmlrules.h"
#include "platform/xml/treewalk.h"
#include "platform/xml/xmldocument.h"
#include "util/fileurl.h"
#include "util/text.h"
#include "util/utf8.h"

#include <algorithm>
#include <memory>
#include <set>
#include <utility>

namespace tavro::decks {

namespace {

std::string_view nameOf(xmlNodePtr node) { return reinterpret_cast<const char*>(node->name); }

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// The pieces a word too long for a part is taken in.
constexpr std::size_t kLongestPiece = 64;

// Where a part may end after a piece, from the best place to the worst.
enum class Cut { Paragraph, Line, Word, None };

// The smallest piece of a card's content that goes into a part whole: an element, a word of
// text with the spaces after it, or an element that stands beside the paragraphs (a do).
struct Atom {
  Atom(std::string markupText, std::string said, std::vector<int> within = {})
      : markup(std::move(markupText)), text(std::move(said)), path(std::move(within)) {}

  std::string markup;
  std::string text;      // what it says, for a message
  std::vector<int> path; // the wrappers it stands in, outermost first; none beside the paragraphs
  Cut after = Cut::None; // whether a part may end after it
  bool lineBreak = false;
  bool startsWithSpace = false;
  std::vector<std::string> ids;   // the ids of its elements
  std::vector<std::string> links; // the ids its links within the deck ("#id") lead to
};

// An element that holds atoms and that a cut may go through: a paragraph, formatting, and a
// table, its rows and their cells. Each part that holds some of its atoms opens and closes it.
struct Wrapper {
  std::string open;          // its start tag
  std::string openWithoutId; // its start tag where it goes on in the next part
  std::string close;
  std::size_t firstAtom = 0, endAtom = 0;
  bool table = false;
};

struct Card {
  std::string open, openWithoutId;
  std::string prefix; // onevent and timer, which go into the first part
  std::string id;
  std::vector<Wrapper> wrappers;
  std::vector<Atom> atoms;
  std::size_t longestWord = 0; // a word of text longer than this is taken in pieces
};

// A part: atoms [begin, end) of one card.
struct Piece {
  std::size_t card, begin, end;
};

std::string startTag(xmlNodePtr element, bool withId) {
  std::unique_ptr<xmlNode, decltype(&xmlFreeNode)> copy(xmlDocCopyNode(element, element->doc, 2), xmlFreeNode);
  if (!withId)
    xmlUnsetProp(copy.get(), BAD_CAST "id");
  std::string tag = xml::nodeXml(copy.get());
  if (tag.size() >= 2 && tag.compare(tag.size() - 2, 2, "/>") == 0)
    tag.replace(tag.size() - 2, 2, ">");
  return tag;
}

std::string emptyEmWithId(const std::string& id) {
  xmlChar* escaped = xml::checked(xmlEncodeSpecialChars(nullptr, BAD_CAST id.c_str()));
  std::string em = "<em id=\"" + std::string(reinterpret_cast<const char*>(escaped)) + "\"/>";
  xmlFree(escaped);
  return em;
}

// How a message names a piece: an element by its name and the start of its text (said).
std::string describe(xmlNodePtr node, const std::string& said) {
  std::string text(util::trim(util::collapseSpaces(said)));
  if (text.size() > 60)
    text = text.substr(0, 60) + "...";
  if (node->type != XML_ELEMENT_NODE)
    return "\"" + text + "\"";
  return "<" + std::string(nameOf(node)) + ">" + (text.empty() ? "" : " \"" + text + "\"");
}

std::vector<std::string> idsBelow(xmlNodePtr node) {
  std::vector<std::string> ids;
  xml::walkTree(node, [&](xmlNodePtr n) {
    if (n->type != XML_ELEMENT_NODE)
      return false;
    if (xmlHasProp(n, BAD_CAST "id"))
      ids.push_back(xml::attribute(n, "id"));
    return true;
  });
  return ids;
}

std::vector<std::string> linksBelow(xmlNodePtr node) {
  std::vector<std::string> links;
  xml::walkTree(node, [&](xmlNodePtr n) {
    if (n->type != XML_ELEMENT_NODE)
      return false;
    if (const std::string href = xml::attribute(n, "href"); href.size() > 1 && href[0] == '#')
      links.push_back(href.substr(1));
    return true;
  });
  return links;
}

bool isElement(xmlNodePtr node, std::string_view name) {
  return node->type == XML_ELEMENT_NODE && nameOf(node) == name;
}

// A table whose rows can be cut apart: rows of cells and nothing else.
bool cuttableTable(xmlNodePtr table) {
  if (!table->children)
    return false;
  for (xmlNodePtr row = table->children; row; row = row->next) {
    if (!isElement(row, "tr") || !row->children)
      return false;
    for (xmlNodePtr cell = row->children; cell; cell = cell->next)
      if (!isElement(cell, "td"))
        return false;
  }
  return true;
}

// Opens a wrapper for element; its atoms follow.
std::vector<int> wrap(Card& card, xmlNodePtr element, std::vector<int> path) {
  path.push_back(int(card.wrappers.size()));
  card.wrappers.push_back({startTag(element, true), startTag(element, false), "</" + std::string(nameOf(element)) + ">",
                           card.atoms.size(), 0, nameOf(element) == "table"});
  return path;
}

// Closes the wrapper at the end of path: an empty one holds an atom of nothing, so that it
// stays; a part may end after it at the given place at the latest, and its id is its first atom's.
void unwrap(Card& card, xmlNodePtr element, const std::vector<int>& path, Cut after) {
  Wrapper& w = card.wrappers[std::size_t(path.back())];
  if (card.atoms.size() == w.firstAtom)
    card.atoms.emplace_back("", "", path);
  w.endAtom = card.atoms.size();
  card.atoms.back().after = std::min(card.atoms.back().after, after);
  if (xmlHasProp(element, BAD_CAST "id"))
    card.atoms[w.firstAtom].ids.push_back(xml::attribute(element, "id"));
}

void addContent(Card& card, xmlNodePtr parent, const std::vector<int>& path);

// A table cut between its rows, as lines are, and a row between its cells, as words are.
void addTable(Card& card, xmlNodePtr table, const std::vector<int>& path) {
  const std::vector<int> inTable = wrap(card, table, path);
  for (xmlNodePtr row = table->children; row; row = row->next) {
    const std::vector<int> inRow = wrap(card, row, inTable);
    for (xmlNodePtr cell = row->children; cell; cell = cell->next) {
      const std::vector<int> inCell = wrap(card, cell, inRow);
      addContent(card, cell, inCell);
      unwrap(card, cell, inCell, Cut::Word);
    }
    unwrap(card, row, inRow, Cut::Line);
  }
  unwrap(card, table, inTable, Cut::Line);
}

// The atoms of a paragraph's or a cell's content.
void addContent(Card& card, xmlNodePtr parent, const std::vector<int>& path) {
  for (xmlNodePtr c = parent->children; c; c = c->next) {
    if (c->type == XML_TEXT_NODE && c->content) {
      // One atom a word, its spaces with it; the first takes the spaces before it too.
      const std::string text = reinterpret_cast<const char*>(c->content);
      std::size_t at = 0;
      while (at < text.size()) {
        std::size_t end = at;
        while (at == 0 && end < text.size() && isSpace(text[end]))
          ++end;
        while (end < text.size() && !isSpace(text[end]))
          ++end;
        while (end < text.size() && isSpace(text[end]))
          ++end;
        // A word that takes more than half of a part (a hash, a program's data, an address
        // written out) is taken in pieces, between which a part may end where nothing better
        // is left; a part could not hold it whole with the words around it.
        const bool inPieces = end - at > card.longestWord;
        for (std::size_t from = at; from < end;) {
          std::size_t to = end;
          if (inPieces && to - from > kLongestPiece)
            to = util::characterStart(text, from + kLongestPiece);
          const std::string word = text.substr(from, to - from);
          xmlChar* escaped = xmlEncodeSpecialChars(parent->doc, BAD_CAST word.c_str());
          Atom atom{reinterpret_cast<const char*>(escaped), "\"" + std::string(util::trim(word)) + "\"", path};
          xmlFree(escaped);
          atom.startsWithSpace = isSpace(word.front());
          atom.after = to == end && isSpace(word.back()) ? Cut::Word : Cut::None;
          card.atoms.push_back(std::move(atom));
          from = to;
        }
        at = end;
      }
      continue;
    }
    if (isElement(c, "table") && cuttableTable(c)) {
      addTable(card, c, path);
      continue;
    }
    // Formatting may be cut through: each part shows its words in it.
    if (c->type == XML_ELEMENT_NODE && c->children && isEmphasis(nameOf(c))) {
      const std::vector<int> inside = wrap(card, c, path);
      addContent(card, c, inside);
      unwrap(card, c, inside, Cut::None);
      continue;
    }
    // A link whose text begins or ends with a space stands apart there, as a word does: a
    // page's link around code becomes a row of links that touch, the spaces inside them.
    const std::string said = xml::nodeText(c);
    Atom atom{xml::nodeXml(c), describe(c, said), path};
    atom.lineBreak = isElement(c, "br");
    atom.startsWithSpace = !said.empty() && isSpace(said.front());
    if (atom.lineBreak)
      atom.after = Cut::Line;
    else if (!said.empty() && isSpace(said.back()))
      atom.after = Cut::Word;
    atom.ids = idsBelow(c);
    atom.links = linksBelow(c);
    card.atoms.push_back(std::move(atom));
  }
}

void addParagraph(Card& card, xmlNodePtr p) {
  const std::vector<int> path = wrap(card, p, {});
  const std::size_t first = card.atoms.size();
  addContent(card, p, path);
  // Between an element and the spaces that follow it a part may end too.
  for (std::size_t i = first; i + 1 < card.atoms.size(); ++i)
    if (card.atoms[i].after == Cut::None && card.atoms[i + 1].startsWithSpace)
      card.atoms[i].after = Cut::Word;
  unwrap(card, p, path, Cut::Paragraph);
}

// The card's atoms; a word longer than longestWord bytes is taken in pieces.
Card readCard(xmlNodePtr element, std::size_t longestWord) {
  Card card;
  card.longestWord = longestWord;
  card.open = startTag(element, true);
  card.openWithoutId = startTag(element, false);
  card.id = xml::attribute(element, "id");
  for (xmlNodePtr c = element->children; c; c = c->next) {
    if (c->type != XML_ELEMENT_NODE)
      continue;
    if (nameOf(c) == "onevent" || nameOf(c) == "timer") {
      card.prefix += xml::nodeXml(c);
    } else if (nameOf(c) == "p") {
      addParagraph(card, c);
    } else {
      Atom atom{xml::nodeXml(c), describe(c, xml::nodeText(c))};
      atom.after = Cut::Paragraph;
      atom.ids = idsBelow(c);
      atom.links = linksBelow(c);
      card.atoms.push_back(std::move(atom));
    }
  }
  return card;
}

class Splitter {
public:
  Splitter(xml::XmlDocument& deck, const std::string& name, std::size_t maxBytes, SplitProgress progress)
      : m_name(name), m_maxBytes(maxBytes), m_progress(std::move(progress)) {
    xmlNodePtr root = deck.documentElement();
    if (xmlDtdPtr dtd = xmlGetIntSubset(deck.get()))
      m_prologue += xml::nodeXml(reinterpret_cast<xmlNodePtr>(dtd));
    m_prologue += startTag(root, true);
    std::vector<xmlNodePtr> cards;
    for (xmlNodePtr c = root->children; c; c = c->next) {
      if (c->type != XML_ELEMENT_NODE)
        continue;
      if (nameOf(c) == "card")
        cards.push_back(c);
      else
        m_prologue += xml::nodeXml(c); // head, template
    }
    if (cards.empty())
      throw SplitError("the deck has no card to split");
    // The smallest part this deck can have: a card that goes on, with both ways and nothing in it.
    m_emptyPart = {m_prologue + startTag(cards.front(), false) + softKeys(1, true, true),
                   links(1, true, true) + "</card></wml>"};
    const std::size_t smallest = compiledSize(m_emptyPart.first + m_emptyPart.second);
    if (smallest > m_maxBytes)
      throw SplitError("The limit of " + std::to_string(m_maxBytes) +
                       " bytes is below the smallest deck this page can be split into (" + std::to_string(smallest) +
                       " bytes compiled)");
    // Half of what an empty part leaves: an address or a word that takes more is left out or cut.
    const std::size_t half = (m_maxBytes - smallest) / 2;
    for (xmlNodePtr card : cards)
      leaveUnsendableAddresses(card, smallest, half);
    for (xmlNodePtr card : cards)
      m_cards.push_back(readCard(card, half));
    // While the pieces are packed, a link to a part further on, whose number is not known yet,
    // is measured pointing at a part as far on as the deck may go: a part for each card, and
    // twice as many as its text fills at the limit (two parts side by side hold more than a
    // part may), plus two. The real number has no more digits, or the round after catches it.
    std::size_t text = m_prologue.size();
    m_atomsBefore.push_back(0);
    for (std::size_t c = 0; c < m_cards.size(); ++c) {
      const Card& card = m_cards[c];
      m_atomsBefore.push_back(m_atomsBefore.back() + card.atoms.size());
      if (!card.id.empty())
        m_placeOfId.emplace(card.id, std::pair{c, std::size_t(0)});
      for (std::size_t i = 0; i < card.atoms.size(); ++i) {
        text += card.atoms[i].markup.size();
        for (const auto& id : card.atoms[i].ids)
          m_placeOfId.emplace(id, std::pair{c, i});
      }
    }
    std::size_t far = 10;
    while (far <= m_cards.size() + 2 * text / m_maxBytes + 2)
      far *= 10;
    m_farFile = file(far - 2); // "name-99...9.wml"
  }

  SplitDeck split() {
    // Pieces are measured before they are indented and before the links that leave them point
    // at their parts; a link to a part further on is measured pointing at the far part. The
    // string table does not always take the pointed links as it took the measured ones, so a
    // part can come out over the limit: the next round packs it again, and all after it, with a
    // budget of its own, what it held before shrunk as much as it grew. Where a piece packed
    // again ends where one of the last round ended, the rest are the last round's again.
    std::map<std::size_t, std::size_t> budgets;
    std::vector<Piece> pieces, last;
    std::set<std::size_t> overs;
    for (int round = 0; round < 16; ++round) {
      pieces = pack(std::move(pieces), budgets, last, overs, round == 0 ? m_progress : SplitProgress());
      SplitDeck result = finish(pieces);
      overs.clear();
      std::map<std::string, std::size_t> placed;
      for (std::size_t k = 0; k < result.parts.size(); ++k) {
        const std::size_t size = compiledSize(result.parts[k].text);
        result.parts[k].compiledBytes = size;
        if (size > m_maxBytes) {
          const std::size_t before = compiledSize(assemble(pieces[k], k, k + 1 < pieces.size(), &placed));
          budgets[k] = std::min(budgetOf(budgets, k) - 1, before * m_maxBytes / size);
          if (budgets[k] == 0)
            cannotSplit();
          overs.insert(k);
        }
        place(pieces[k], k, placed);
      }
      if (overs.empty()) {
        result.unsent = m_unsent;
        return result;
      }
      last = pieces;
      pieces.resize(*overs.begin());
    }
    cannotSplit();
  }

private:
  // A link, a picture or a task whose address takes more than half of what a part can hold
  // (a page's "run this example" link can carry the example's program in its address) is no
  // use on a phone, and near the limit it would leave the whole deck unsplit: no part could
  // hold it with the words it touches, or once a part's budget is cut for links that grew. The
  // link keeps its words without the link, the picture gives its alt text, and a soft key or an
  // event that would go there goes; each is counted in m_unsent. An address well within half of
  // what an empty part leaves (compiled, an address takes its length and a few bytes more) is
  // not measured.
  void leaveUnsendableAddresses(xmlNodePtr card, std::size_t smallest, std::size_t half) {
    // A task stands for its anchor, soft key or event, which is what a part would hold.
    auto holderOf = [card](xmlNodePtr n) { return nameOf(n) == "go" && n->parent != card ? n->parent : n; };
    std::vector<xmlNodePtr> unsendable;
    xml::walkTree(card, [&](xmlNodePtr n) {
      if (n->type != XML_ELEMENT_NODE)
        return false;
      const bool picture = nameOf(n) == "img";
      if ((picture || nameOf(n) == "a" || nameOf(n) == "go") &&
          xml::attribute(n, picture ? "src" : "href").size() + 32 > half) {
        xmlNodePtr holder = holderOf(n);
        const bool inCard = holder->parent == card;
        const std::string alone = inCard ? xml::nodeXml(holder) : "<p>" + xml::nodeXml(holder) + "</p>";
        if (compiledSize(m_emptyPart.first + alone + m_emptyPart.second) > smallest + half)
          unsendable.push_back(n);
      }
      return true;
    });
    auto remove = [](xmlNodePtr n) {
      xmlUnlinkNode(n);
      xmlFreeNode(n);
    };
    for (xmlNodePtr n : unsendable) {
      ++m_unsent;
      xmlNodePtr holder = holderOf(n);
      const std::string name(nameOf(holder));
      if (name != "img" && name != "a" && name != "anchor") {
        remove(holder); // a soft key or an event, which is nothing without its task
        continue;
      }
      // What stands in its place keeps its id, which links may lead to.
      if (xmlHasProp(holder, BAD_CAST "id")) {
        xmlNodePtr mark = xml::checked(xmlNewDocNode(holder->doc, nullptr, BAD_CAST "em", nullptr));
        xmlSetProp(mark, BAD_CAST "id", BAD_CAST xml::attribute(holder, "id").c_str());
        xmlAddPrevSibling(holder, mark);
      }
      if (name == "img") {
        if (const std::string alt = xml::attribute(n, "alt"); !alt.empty())
          xmlAddPrevSibling(n, xml::checked(xmlNewDocText(n->doc, BAD_CAST alt.c_str())));
      } else {
        if (holder != n)
          remove(n); // the anchor's task
        while (xmlNodePtr child = holder->children) {
          xmlUnlinkNode(child);
          xmlAddPrevSibling(holder, child);
        }
      }
      remove(holder);
    }
  }

  // The compiled size of a part: as it will be compiled (exact), or without the string table,
  // whose building grows with the cube of the text; the table mostly lowers that size, though
  // not always (its own length and the words it takes cost bytes too).
  static std::size_t compiledSize(const std::string& text, bool exact = true) {
    return compileWbxml(text, exact).size();
  }

  std::string file(std::size_t part) const { return util::percentEncode(partName(m_name, part) + ".wml", "-._~"); }

  // The ways back and on from part index for phones with soft keys: "do" elements.
  std::string softKeys(std::size_t index, bool back, bool next) const {
    std::string out;
    if (next)
      out += "<do type=\"accept\" name=\"next\" label=\"Next\"><go href=\"" + file(index + 1) + "\"/></do>";
    if (back)
      out += "<do type=\"prev\" name=\"back\" label=\"Back\"><go href=\"" + file(index - 1) + "\"/></do>";
    return out;
  }

  // The same ways for the other phones: the card's last paragraph, with links.
  std::string links(std::size_t index, bool back, bool next) const {
    if (!back && !next)
      return {};
    std::string out = back ? "<a href=\"" + file(index - 1) + "\">Back</a>" : "";
    if (next)
      out += std::string(back ? " " : "") + "<a href=\"" + file(index + 1) + "\">Next</a>";
    return "<p>" + out + "</p>";
  }

  // The text of a part before it is indented. To be measured (with the parts of the ids placed
  // so far), its links that leave it point at the part that holds their id, or at the far part
  // when that comes later; else they are as they were, to be followed once all are placed.
  std::string assemble(const Piece& piece, std::size_t index, bool next,
                       const std::map<std::string, std::size_t>* placed = nullptr) const {
    const Card& card = m_cards[piece.card];
    const bool firstOfCard = piece.begin == 0;
    std::string out =
        m_prologue + (firstOfCard ? card.open + card.prefix : card.openWithoutId) + softKeys(index, index > 0, next);
    std::vector<int> open;
    auto closeTo = [&](std::size_t depth) {
      for (; open.size() > depth; open.pop_back())
        out += card.wrappers[std::size_t(open.back())].close;
    };
    for (std::size_t i = piece.begin; i < piece.end; ++i) {
      const Atom& atom = card.atoms[i];
      // The line break where a paragraph is cut goes with the cut; its id, which links may
      // lead to, stays in an empty em.
      const bool cutLine = i + 1 == piece.end && atom.lineBreak && atom.after == Cut::Line;
      if (cutLine && atom.ids.empty())
        break;
      if (atom.path != open) {
        std::size_t same = 0;
        while (same < open.size() && same < atom.path.size() && open[same] == atom.path[same])
          ++same;
        closeTo(same);
        for (; open.size() < atom.path.size(); open.push_back(atom.path[open.size()]))
          out += openTag(card, std::size_t(atom.path[open.size()]), i, piece);
      }
      if (cutLine)
        out += emptyEmWithId(atom.ids.front());
      else if (placed && !atom.links.empty())
        out += pointedAway(atom, piece, *placed);
      else
        out += atom.markup;
    }
    closeTo(0);
    return out + links(index, index > 0, next) + "</card></wml>";
  }

  // The atom's markup with each link to an id of the deck outside its part pointing at the part
  // that holds the id, or at the far part.
  std::string pointedAway(const Atom& atom, const Piece& piece,
                          const std::map<std::string, std::size_t>& placed) const {
    std::string markup = atom.markup;
    for (const std::string& id : atom.links) {
      const auto where = m_placeOfId.find(id);
      if (where == m_placeOfId.end())
        continue; // an id the deck does not have: the link stays as it is
      const auto [card, atomIndex] = where->second;
      if (card == piece.card && atomIndex >= piece.begin && atomIndex < piece.end)
        continue;
      const auto part = placed.find(id);
      const std::string target = part == placed.end() ? m_farFile : file(part->second);
      const std::string href = "href=\"#" + id + "\"";
      for (std::size_t at = markup.find(href); at != std::string::npos; at = markup.find(href, at + href.size()))
        markup.insert(at + 6, target);
    }
    return markup;
  }

  // The start tag of a wrapper where the part opens it at atom i: with its id where the wrapper
  // begins, and for a table that the cut leaves with fewer cells to a row, the columns it now has.
  static std::string openTag(const Card& card, std::size_t wrapper, std::size_t i, const Piece& piece) {
    const Wrapper& w = card.wrappers[wrapper];
    std::string tag = i == w.firstAtom ? w.open : w.openWithoutId;
    if (!w.table || (w.firstAtom >= piece.begin && w.endAtom <= piece.end))
      return tag;
    // Rows and cells are the wrappers just inside the table: in an atom's path the two after it.
    std::map<int, std::set<int>> cellsOfRow;
    for (std::size_t a = std::max(piece.begin, w.firstAtom); a < std::min(piece.end, w.endAtom); ++a) {
      const std::vector<int>& path = card.atoms[a].path;
      const auto at = std::find(path.begin(), path.end(), int(wrapper));
      if (path.end() - at >= 3)
        cellsOfRow[at[1]].insert(at[2]);
    }
    std::size_t columns = 1;
    for (const auto& [row, cells] : cellsOfRow)
      columns = std::max(columns, cells.size());
    const std::string attribute = " columns=\"";
    if (const std::size_t from = tag.find(attribute); from != std::string::npos) {
      const std::size_t value = from + attribute.size();
      tag.replace(value, tag.find('"', value) - value, std::to_string(columns));
    }
    return tag;
  }

  bool lastOfDeck(std::size_t card, std::size_t end) const {
    return card + 1 == m_cards.size() && end == m_cards[card].atoms.size();
  }

  Cut cutAt(const Card& card, std::size_t end) const {
    return end == card.atoms.size() ? Cut::Paragraph : card.atoms[end - 1].after;
  }

  [[noreturn]] void cannotSplit() const {
    throw SplitError("The deck cannot be split into decks of at most " + std::to_string(m_maxBytes) +
                     " bytes compiled");
  }

  // The piece runs from begin to the first place where a part may end; the message names what
  // it starts with.
  [[noreturn]] void uncuttable(const Card& card, std::size_t begin) const {
    std::string said = card.atoms[begin].text;
    for (std::size_t i = begin; card.atoms[i].after == Cut::None && i + 1 < card.atoms.size() && said.size() < 80;)
      said += " " + card.atoms[++i].text;
    if (said.size() > 100)
      said = said.substr(0, util::characterStart(said, 96)) + " ...";
    throw SplitError("A piece of the page that cannot be cut does not fit in " + std::to_string(m_maxBytes) +
                     " bytes compiled: " + said);
  }

  // Part index's budget: its own where it came out over the limit once, else the limit.
  std::size_t budgetOf(const std::map<std::size_t, std::size_t>& budgets, std::size_t index) const {
    const auto own = budgets.find(index);
    return own == budgets.end() ? m_maxBytes : own->second;
  }

  // The ids of piece k's atoms, and of its card where it begins the card, as held by part k.
  void place(const Piece& piece, std::size_t k, std::map<std::string, std::size_t>& partOf) const {
    const Card& card = m_cards[piece.card];
    if (piece.begin == 0 && !card.id.empty())
      partOf.emplace(card.id, k);
    for (std::size_t i = piece.begin; i < piece.end; ++i)
      for (const auto& id : card.atoms[i].ids)
        partOf.emplace(id, k);
  }

  // The pieces after those given, each as long as fits in its budget. Where one ends where a
  // piece of last ends, the pieces of last after that one follow, up to the next that came out
  // over the limit (overs), which is packed again.
  std::vector<Piece> pack(std::vector<Piece> pieces, const std::map<std::size_t, std::size_t>& budgets,
                          const std::vector<Piece>& last, const std::set<std::size_t>& overs,
                          const SplitProgress& progress) const {
    std::map<std::string, std::size_t> placed;
    for (std::size_t k = 0; k < pieces.size(); ++k)
      place(pieces[k], k, placed);
    // Where the next piece begins: the atom and its card.
    std::size_t c = 0, begin = 0;
    auto after = [&](const Piece& p) {
      c = p.card;
      begin = p.end;
      if (begin == m_cards[c].atoms.size()) {
        ++c;
        begin = 0;
      }
    };
    if (!pieces.empty())
      after(pieces.back());
    while (c < m_cards.size()) {
      const std::size_t index = pieces.size();
      pieces.push_back(packOne(c, begin, index, budgetOf(budgets, index), placed));
      place(pieces.back(), index, placed);
      if (progress)
        progress(m_atomsBefore[pieces.back().card] + pieces.back().end, m_atomsBefore.back());
      after(pieces.back());
      const Piece& packed = pieces.back();
      auto same = std::find_if(last.begin(), last.end(),
                               [&](const Piece& p) { return p.card == packed.card && p.end == packed.end; });
      if (same == last.end())
        continue;
      const auto upTo = overs.upper_bound(std::size_t(same - last.begin()));
      const auto stop = upTo == overs.end() ? last.end() : last.begin() + std::ptrdiff_t(*upTo);
      for (++same; same < stop; ++same) {
        place(*same, pieces.size(), placed);
        pieces.push_back(*same);
      }
      after(pieces.back());
    }
    return pieces;
  }

  // The piece of card c from atom begin, as part index, as long as fits in budget.
  Piece packOne(std::size_t c, std::size_t begin, std::size_t index, std::size_t budget,
                const std::map<std::string, std::size_t>& placed) const {
    const Card& card = m_cards[c];
    const std::size_t n = card.atoms.size();
    // The furthest end that fits, found without the string table (doubling the step, then
    // halving the gap), checked with it, and then pushed on as far as the string table
    // makes room for; where the table makes that piece bigger, found again with it. As a
    // compile with the table costs many without it, the search with it starts from a guess
    // made without it: the table shrinks (or grows) a longer piece by about the share it
    // does this one, and the end where the size without it reaches the budget scaled by
    // that share is mostly a few atoms from the end that fits.
    std::size_t good = begin;
    // The searches come back to ends they have measured: each size is compiled once.
    std::map<std::pair<std::size_t, bool>, std::size_t> sizes;
    auto sizeTo = [&](std::size_t end, bool exact) {
      auto [it, fresh] = sizes.try_emplace({end, exact}, 0);
      if (fresh)
        it->second = compiledSize(assemble({c, begin, end}, index, !lastOfDeck(c, end), &placed), exact);
      return it->second;
    };
    auto furthest = [&](bool exact, std::size_t limit, std::size_t guess) {
      auto fitsTo = [&](std::size_t end) { return sizeTo(end, exact) <= limit; };
      // From the guess, the steps double away from it: on when it fits, back when not.
      std::size_t bad = n + 1;
      if (guess > good && guess <= n && !fitsTo(guess)) {
        bad = guess;
        for (std::size_t step = 1; bad - good > step; step *= 2) {
          if (fitsTo(bad - step)) {
            good = bad - step;
            break;
          }
          bad -= step;
        }
      } else if (guess > good && guess <= n) {
        good = guess;
      }
      for (std::size_t step = 1; good < n && bad > n; step *= 2) {
        const std::size_t candidate = std::min(n, good + step);
        if (!fitsTo(candidate))
          bad = candidate;
        else
          good = candidate;
      }
      while (bad - good > 1) {
        const std::size_t mid = good + (bad - good) / 2;
        (fitsTo(mid) ? good : bad) = mid;
      }
    };
    if (n > begin) {
      furthest(false, budget, 0);
      std::size_t plain = 0, exact = 0, guess = 0;
      if (good > begin) {
        exact = sizeTo(good, true);
        plain = sizeTo(good, false);
      }
      if (exact != plain) {
        // On from the end found where the table shrinks the piece, back from it where not.
        const std::size_t found = good;
        if (exact > plain)
          good = begin;
        furthest(false, budget * plain / exact, exact > plain ? found : 0);
        guess = std::exchange(good, found);
      }
      if (exact > budget)
        good = begin;
      if (good == begin && sizeTo(begin + 1, true) > budget)
        uncuttable(card, begin);
      good = std::max(good, begin + 1);
      furthest(true, budget, guess);
    }
    auto fitsTo = [&](std::size_t end) { return sizeTo(end, true) <= budget; };
    // Of the ends that fit, the last one at the best kind of place; where a whole word (a
    // row of links that touch) does not fit in a part, between two of its elements.
    std::size_t end = begin;
    for (Cut kind : {Cut::Paragraph, Cut::Line, Cut::Word, Cut::None}) {
      for (std::size_t e = good; e > begin && end == begin; --e)
        if (cutAt(card, e) <= kind && (e == good || fitsTo(e)))
          end = e;
      if (end != begin)
        break;
    }
    if (end == begin && n > begin)
      uncuttable(card, begin);
    return {c, begin, n > begin ? end : n};
  }

  SplitDeck finish(const std::vector<Piece>& pieces) const {
    SplitDeck result;
    std::map<std::string, std::size_t> partOf;
    for (std::size_t k = 0; k < pieces.size(); ++k)
      place(pieces[k], k, partOf);
    for (std::size_t k = 0; k < pieces.size(); ++k) {
      xml::XmlDocument part;
      if (!loadDeck(part, assemble(pieces[k], k, k + 1 < pieces.size())))
        throw SplitError("a part of the deck is not well-formed: " + part.parseError().reason);
      // A link within the deck to an id that is now in another part goes to that part.
      for (xmlNodePtr link : part.selectNodes("//*[@href]")) {
        const std::string href = xml::attribute(link, "href");
        if (href.size() < 2 || href[0] != '#')
          continue;
        auto it = partOf.find(href.substr(1));
        if (it != partOf.end() && it->second != k)
          xmlSetProp(link, BAD_CAST "href", BAD_CAST(file(it->second) + href).c_str());
      }
      result.parts.push_back({partName(m_name, k), indentedDeck(part)});
    }
    for (const auto& [id, k] : partOf)
      result.partOfId[id] = partName(m_name, k);
    return result;
  }

  std::string m_name;
  std::size_t m_maxBytes;
  std::string m_prologue; // the document type, the wml start tag, the head and the template
  std::vector<Card> m_cards;
  std::pair<std::string, std::string> m_emptyPart; // the smallest part, before and after its content
  std::size_t m_unsent = 0;                        // links and pictures left as their words
  // Where each id of the deck stands: its card and atom (a card's own id, at its first atom).
  std::map<std::string, std::pair<std::size_t, std::size_t>> m_placeOfId;
  std::string m_farFile; // the file of a part as far on as the deck may go
  SplitProgress m_progress;
  std::vector<std::size_t> m_atomsBefore; // the atoms of the cards before each, and of all last
};

} // namespace

std::string unsentNote(const SplitDeck& split, std::size_t maxBytes) {
  if (split.unsent == 0)
    return {};
  const std::string limit = " more than half of a deck of " + std::to_string(maxBytes) + " bytes";
  if (split.unsent == 1)
    return "1 link or picture left as its text: its address takes" + limit;
  return std::to_string(split.unsent) + " links or pictures left as their text: their addresses take" + limit;
}

std::string partName(const std::string& name, std::size_t index) {
  return index == 0 ? name : name + "-" + std::to_string(index + 1);
}

SplitDeck splitDeck(std::string_view deckText, const std::string& name, std::size_t maxBytes,
                    const SplitProgress& progress) {
  // libwbxml's time grows faster than the deck, so a deck far over any limit is not compiled
  // whole just to learn that it does not fit; the packing finds out from its pieces.
  const SplitDeck unsplit{{{name, std::string(deckText)}}, {}};
  if (deckText.size() <= maxCompiledText && compileWbxml(deckText).size() <= maxBytes)
    return unsplit;
  xml::XmlDocument deck;
  if (!loadDeck(deck, deckText))
    throw SplitError("the deck is not well-formed: " + deck.parseError().reason);
  SplitDeck split = Splitter(deck, name, maxBytes, progress).split();
  // A deck that fits once its unsendable addresses are left out is that one part.
  return split.parts.size() == 1 && split.unsent == 0 ? unsplit : split;
}

} // namespace tavro::decks
