#include "tests/export/exporttestsupport.h"

#include "platform/html/document.h"

#include <algorithm>

#include <cerrno>
#include <filesystem>
#include <stdexcept>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tavro::test {

host::HostProjectRef makeProject(const std::string& folder,
                                 const std::vector<std::pair<std::string, std::string>>& documents) {
  auto project = host::FolderProject::create(folder, "Site", folder + "/app");
  for (const auto& [name, source] : documents) {
    writeFile(folder + "/" + name + ".wml", source);
    if (!project->AddDocument(name))
      throw std::runtime_error("cannot add " + name);
  }
  return host::HostProjectRef(project);
}

std::string deck(const std::string& title, const std::string& body) {
  return "<?xml version=\"1.0\"?>\n<wml><card id=\"c1\" title=\"" + title + "\">" + body + "</card></wml>\n";
}

namespace {

using Attributes = std::vector<std::pair<std::string, std::string>>;

bool blank(const std::string& text) { return text.find_first_not_of(" \t\r\n\f") == std::string::npos; }

// The element children and non-blank text of each side, as (name or "#text", attributes or text).
struct Item {
  std::string name;
  std::string text;
  Attributes attributes;
  const void* node;
};

Attributes attributesOf(xmlNodePtr e) {
  Attributes attributes;
  for (xmlAttrPtr a = e->properties; a; a = a->next)
    attributes.emplace_back(reinterpret_cast<const char*>(a->name),
                            xml::attribute(e, reinterpret_cast<const char*>(a->name)));
  std::sort(attributes.begin(), attributes.end());
  return attributes;
}

Attributes attributesOf(const html::Element& e) {
  Attributes attributes;
  for (const auto& a : e.attributes())
    attributes.emplace_back(a.name, a.value);
  std::sort(attributes.begin(), attributes.end());
  return attributes;
}

std::vector<Item> itemsOf(xmlNodePtr parent) {
  std::vector<Item> items;
  for (xmlNodePtr c = parent->children; c; c = c->next) {
    if (c->type == XML_ELEMENT_NODE) {
      items.push_back({reinterpret_cast<const char*>(c->name), {}, attributesOf(c), c});
    } else if (c->type == XML_TEXT_NODE || c->type == XML_CDATA_SECTION_NODE) {
      std::string text = c->content ? reinterpret_cast<const char*>(c->content) : "";
      if (!items.empty() && items.back().name == "#text")
        items.back().text += text;
      else
        items.push_back({"#text", text, {}, nullptr});
    }
  }
  std::erase_if(items, [](const Item& i) { return i.name == "#text" && blank(i.text); });
  return items;
}

std::vector<Item> itemsOf(const html::Node& parent) {
  std::vector<Item> items;
  for (const auto& c : parent.childNodes()) {
    if (c->isElement()) {
      const auto& e = static_cast<const html::Element&>(*c);
      // The parser puts the rows of a table into a tbody of its own.
      if (e.localName() == "tbody" && e.attributes().empty() && parent.isElement() &&
          static_cast<const html::Element&>(parent).localName() == "table") {
        std::vector<Item> rows = itemsOf(e);
        items.insert(items.end(), rows.begin(), rows.end());
        continue;
      }
      items.push_back({e.localName(), {}, attributesOf(e), c.get()});
    } else if (c->nodeType() == html::NodeType::Text) {
      if (!items.empty() && items.back().name == "#text")
        items.back().text += c->data();
      else
        items.push_back({"#text", c->data(), {}, nullptr});
    }
  }
  std::erase_if(items, [](const Item& i) { return i.name == "#text" && blank(i.text); });
  return items;
}

bool holdsFieldset(xmlNodePtr e) {
  for (xmlNodePtr c = e->children; c; c = c->next)
    if (c->type == XML_ELEMENT_NODE && std::string_view(reinterpret_cast<const char*>(c->name)) == "fieldset")
      return true;
  return false;
}

std::string compare(xmlNodePtr meant, const html::Node& read, const std::string& path) {
  const std::vector<Item> want = itemsOf(meant), got = itemsOf(read);
  for (std::size_t i = 0; i < std::max(want.size(), got.size()); ++i) {
    const std::string where = path + "/" + std::to_string(i + 1);
    if (i >= want.size())
      return where + ": read " + got[i].name + " that is not meant";
    if (i >= got.size())
      return where + ": " + want[i].name + " is not read";
    // A paragraph that holds a fieldset is written as a div: HTML ends a paragraph where a
    // fieldset starts.
    const bool paragraphAsDiv = want[i].name == "p" && got[i].name == "div" &&
                                holdsFieldset(static_cast<xmlNodePtr>(const_cast<void*>(want[i].node)));
    if ((want[i].name != got[i].name && !paragraphAsDiv) || want[i].text != got[i].text ||
        want[i].attributes != got[i].attributes)
      return where + ": meant " + want[i].name + " '" + want[i].text + "', read " + got[i].name + " '" + got[i].text +
             "'";
    if (want[i].node) {
      std::string fault = compare(static_cast<xmlNodePtr>(const_cast<void*>(want[i].node)),
                                  *static_cast<const html::Node*>(got[i].node), where + " " + want[i].name);
      if (!fault.empty())
        return fault;
    }
  }
  return "";
}

} // namespace

std::string htmlReadsAs(const std::string& page, const xml::XmlDocument& intended) {
  auto doc = html::Document::parse(page, "about:blank");
  bool utf8 = false;
  for (const auto& meta : doc->getElementsByTagName("META"))
    utf8 = utf8 ||
           (meta->parentNode() && meta->parentNode()->localName() == "head" && meta->attribute("charset") == "utf-8");
  if (!utf8)
    return "no UTF-8 declaration in the head";
  xmlNodePtr root = intended.documentElement();
  if (!root || std::string(reinterpret_cast<const char*>(root->name)) != "body")
    return "the intended tree has no body";
  if (attributesOf(root) != attributesOf(*doc->body()))
    return "the body's attributes differ";
  return compare(root, *doc->body(), "body");
}

std::string tinyStylesheet() {
  return R"(<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
  <xsl:output method="xml" indent="no"/>
  <xsl:template match="wml"><body><xsl:apply-templates/></body></xsl:template>
  <xsl:template match="card"><div title="{@title}"><xsl:apply-templates/></div></xsl:template>
  <xsl:template match="p"><p><xsl:apply-templates/></p></xsl:template>
  <xsl:template match="img"><img src="{@src}"/></xsl:template>
  <xsl:template match="halt"><xsl:message terminate="yes">halted</xsl:message></xsl:template>
</xsl:stylesheet>)";
}

namespace {

bool creatingRefused(const std::string& folder) {
  std::string probe = folder + "/.tavro-probe-XXXXXX";
  int fd = ::mkstemp(probe.data());
  if (fd >= 0) {
    ::close(fd);
    ::unlink(probe.c_str());
    return false;
  }
  return errno == EACCES || errno == EPERM || errno == EROFS;
}

} // namespace

std::string refusingFolder(const std::string& scratch) {
  std::string locked = scratch + "/locked";
  std::filesystem::create_directories(locked);
  ::chmod(locked.c_str(), 0555);
  if (creatingRefused(locked))
    return locked;
  // root writes anywhere on an ordinary file system; sysfs lets nobody create files.
  if (std::filesystem::is_directory("/sys") && creatingRefused("/sys"))
    return "/sys";
  return {};
}

ReadOnlyMount::ReadOnlyMount(const std::string& folder, const std::map<std::string, std::string>& files)
    : m_folder(folder) {
  std::filesystem::create_directories(folder);
  if (::mount("tavro-test", folder.c_str(), "tmpfs", MS_NOSUID | MS_NODEV | MS_NOEXEC, "size=64k") != 0)
    return;
  m_mounted = true;
  for (const auto& [name, bytes] : files)
    writeFile(folder + "/" + name, bytes);
  if (::mount(nullptr, folder.c_str(), nullptr, MS_REMOUNT | MS_RDONLY | MS_NOSUID | MS_NODEV | MS_NOEXEC, nullptr) !=
      0) {
    ::umount2(folder.c_str(), MNT_DETACH);
    m_mounted = false;
  }
}

ReadOnlyMount::~ReadOnlyMount() {
  if (m_mounted)
    ::umount2(m_folder.c_str(), MNT_DETACH);
}

} // namespace tavro::test
