// tavro xslt NAME IN.xml: applies one of the embedded conversion stylesheets to a file and
// prints the result, so that each pass of an import or export can be looked at on its own.

#include "app/cli/command.h"

#include "platform/fs/filesystem.h"
#include "platform/xml/xmldocument.h"
#include "platform/xml/xsltemplate.h"
#include "resources/resources.h"
#include "util/text.h"

#include <array>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace tavro::cli {
namespace {

constexpr std::array<const char*, 3> stylesheetNames{"HTMLIMPORT", "TIDYWML", "WMLEXPORT"};

struct XsltOptions {
  std::string name;
  std::string input;
  bool preserveWhiteSpace = false;
};

int runXslt(const XsltOptions& options) {
  std::string type;
  for (const char* name : stylesheetNames) {
    if (util::equalsNoCase(options.name, name))
      type = name;
  }
  if (type.empty())
    throw UserError("unknown stylesheet '" + options.name + "' (HTMLIMPORT, TIDYWML or WMLEXPORT)");

  xml::XmlDocument sheet;
  if (!sheet.loadXML(resources::text(type, 101)))
    throw UserError("the embedded " + type + " stylesheet does not parse: " + sheet.parseError().reason);
  xml::XslTemplate stylesheet;
  stylesheet.setStylesheet(sheet);

  requireFile(options.input, "an XML file");
  // Reading on its own first, so that a file too large or unreadable is reported as such.
  const std::string text = fs::readFile(options.input, xml::maxDocumentBytes);
  xml::XmlDocument input;
  input.setPreserveWhiteSpace(options.preserveWhiteSpace);
  if (!input.loadXML(text)) {
    const auto& error = input.parseError();
    std::string where = error.line > 0
                            ? " (line " + std::to_string(error.line) + ", column " + std::to_string(error.linepos) + ")"
                            : std::string();
    throw UserError("'" + options.input + "' is not well-formed XML" + where + ": " + error.reason);
  }

  auto result = stylesheet.transformToString(input);
  if (!result)
    throw UserError(type + " failed on '" + options.input + "': " + stylesheet.lastError());
  std::fwrite(result->data(), 1, result->size(), stdout);
  if (!result->empty() && result->back() != '\n')
    std::fputc('\n', stdout);
  if (std::fflush(stdout) != 0)
    throw UserError("cannot write the result to standard output");
  return exitOk;
}

Registrar xslt(HelpPlace::Xslt, [](CLI::App& app, int* exitCode) {
  auto options = std::make_shared<XsltOptions>();
  auto* cmd = app.add_subcommand("xslt", "Apply an embedded stylesheet (HTMLIMPORT, TIDYWML, WMLEXPORT) to an "
                                         "XML file and print the result");
  cmd->add_option("name", options->name, "Stylesheet: HTMLIMPORT, TIDYWML or WMLEXPORT (any case)")
      ->required()
      ->check(
          CLI::IsMember(std::vector<std::string>(stylesheetNames.begin(), stylesheetNames.end()), CLI::ignore_case));
  cmd->add_option("input", options->input, "XML file to transform")->required();
  cmd->add_flag("--preserve-space", options->preserveWhiteSpace,
                "Keep white-space-only text between elements (dropped by default, as the import and export "
                "do when they load WML)");
  cmd->callback([options, exitCode] { *exitCode = runXslt(*options); });
});

} // namespace
} // namespace tavro::cli
