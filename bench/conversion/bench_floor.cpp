// The floor of any converter built on an HTML5 parser and XSLT: one gumbo parse of the page,
// then libxml2 reads it into a tree (as XML when it is well-formed, else with its HTML
// parser), an identity stylesheet copies the tree and the copy is written out. A process of
// its own, so that its time and memory are measured as the command line tool's are.
//
//   bench_floor PAGE OUT

#include "util/allocator.h"

#include <gumbo.h>
#include <libxml/HTMLparser.h>
#include <libxml/parser.h>
#include <libxslt/transform.h>
#include <libxslt/xsltutils.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: bench_floor PAGE OUT\n");
    return 2;
  }
  tavro::util::tuneMimalloc();
  std::ifstream in(argv[1], std::ios::binary);
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());

  GumboOptions options = kGumboDefaultOptions;
  options.max_errors = 0;
  GumboOutput* parsed = gumbo_parse_with_options(&options, text.data(), text.size());
  gumbo_destroy_output(&options, parsed);

  xmlDocPtr doc = xmlReadMemory(text.data(), int(text.size()), nullptr, "UTF-8",
                                XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
  if (!doc)
    doc = htmlReadMemory(text.data(), int(text.size()), nullptr, "UTF-8",
                         HTML_PARSE_NONET | HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING);
  const char* identity = "<xsl:stylesheet version=\"1.0\" xmlns:xsl=\"http://www.w3.org/1999/XSL/Transform\">"
                         "<xsl:template match=\"@*|node()\"><xsl:copy><xsl:apply-templates select=\"@*|node()\"/>"
                         "</xsl:copy></xsl:template></xsl:stylesheet>";
  xsltStylesheetPtr sheet = xsltParseStylesheetDoc(
      xmlReadMemory(identity, int(std::char_traits<char>::length(identity)), nullptr, nullptr, 0));
  xmlDocPtr copy = doc && sheet ? xsltApplyStylesheet(sheet, doc, nullptr) : nullptr;
  xmlChar* written = nullptr;
  int length = 0;
  if (!copy || xsltSaveResultToString(&written, &length, copy, sheet) != 0)
    return 1;
  std::ofstream(argv[2], std::ios::binary).write(reinterpret_cast<const char*>(written), length);
  xmlFree(written);
  xmlFreeDoc(copy);
  xmlFreeDoc(doc);
  xsltFreeStylesheet(sheet);
  return 0;
}
