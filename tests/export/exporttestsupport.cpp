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

std::string escaped(const std::string& text) {
  std::string out;
  for (char c : text)
    out += c == '&' ? "&amp;" : c == '<' ? "&lt;" : c == '"' ? "&quot;" : std::string(1, c);
  return out;
}

// One side's tree as markup: elements with their attributes sorted, and the runs of text
// between them (adjacent text joined, white-space-only runs and comments left out).
struct Outline {
  std::string out, text;
  // Ends the run of text before the markup.
  void add(const std::string& markup) {
    if (text.find_first_not_of(" \t\r\n\f") != std::string::npos)
      out += escaped(text);
    text.clear();
    out += markup;
  }
  void open(const std::string& name, Attributes attributes) {
    std::sort(attributes.begin(), attributes.end());
    std::string tag = "<" + name;
    for (const auto& [attribute, value] : attributes)
      tag += " " + attribute + "=\"" + escaped(value) + "\"";
    add(tag + ">");
  }
};

void outline(xmlNodePtr e, Outline& out) {
  std::string name = reinterpret_cast<const char*>(e->name);
  Attributes attributes;
  for (xmlAttrPtr a = e->properties; a; a = a->next)
    attributes.emplace_back(reinterpret_cast<const char*>(a->name),
                            xml::attribute(e, reinterpret_cast<const char*>(a->name)));
  // A paragraph that holds a fieldset is written as a div: HTML ends a paragraph where a
  // fieldset starts.
  for (xmlNodePtr c = e->children; c && name == "p"; c = c->next)
    if (c->type == XML_ELEMENT_NODE && xmlStrEqual(c->name, BAD_CAST "fieldset"))
      name = "div";
  out.open(name, attributes);
  for (xmlNodePtr c = e->children; c; c = c->next) {
    if (c->type == XML_ELEMENT_NODE)
      outline(c, out);
    else if ((c->type == XML_TEXT_NODE || c->type == XML_CDATA_SECTION_NODE) && c->content)
      out.text += reinterpret_cast<const char*>(c->content);
  }
  out.add("</" + name + ">");
}

void outline(const html::Element& e, Outline& out, bool inTable = false) {
  // The parser puts the rows of a table into a tbody of its own.
  const bool ownTbody = inTable && e.localName() == "tbody" && e.attributes().empty();
  Attributes attributes;
  for (const auto& a : e.attributes())
    attributes.emplace_back(a.name, a.value);
  if (!ownTbody)
    out.open(e.localName(), attributes);
  for (const auto& c : e.childNodes()) {
    if (c->isElement())
      outline(static_cast<const html::Element&>(*c), out, e.localName() == "table");
    else if (c->nodeType() == html::NodeType::Text)
      out.text += c->data();
  }
  if (!ownTbody)
    out.add("</" + e.localName() + ">");
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
  Outline meant, read;
  outline(root, meant);
  outline(*doc->body(), read);
  const std::string &want = meant.out, &got = read.out;
  if (want == got)
    return "";
  const std::size_t at =
      std::size_t(std::mismatch(want.begin(), want.end(), got.begin(), got.end()).first - want.begin());
  const std::size_t from = at < 60 ? 0 : at - 60;
  return "meant ..." + want.substr(from, 120) + "\nread  ..." + got.substr(from, 120);
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
