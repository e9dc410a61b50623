// tavro compile DECK.wml [-o DECK.wmlc]: the deck as a phone receives it, compiled to WBXML,
// after a check that it is valid WML 1.1.

#include "app/cli/command.h"

#include "decks/wbxml.h"
#include "decks/wmlcheck.h"
#include "platform/fs/filesystem.h"
#include "platform/xml/xmldocument.h"

#include <cstdio>

namespace tavro::cli {

std::string compileCheckedDeck(const std::string& path, const std::string& text) {
  // libwbxml's time grows with the square of a deck's size (minutes for a deck of megabytes),
  // and no phone takes a deck of even a tenth of the size refused here.
  if (text.size() > decks::maxCompiledText)
    throw UserError(path + ": " + std::to_string(text.size()) + " bytes of text, more than any phone takes (" +
                    std::to_string(decks::maxCompiledText >> 10) + " KiB): not compiled");
  xml::XmlDocument deck;
  if (!deck.loadXML(text))
    throw UserError(path + ":" + std::to_string(deck.parseError().line) + ": " + deck.parseError().reason);
  if (auto fault = decks::firstFault(deck))
    throw UserError(path + ":" + std::to_string(fault->line) + ": not valid WML 1.1: " + fault->message);
  try {
    return decks::compileWbxml(text);
  } catch (const decks::WbxmlError& e) {
    throw UserError(path + ": " + e.what());
  }
}

namespace {

struct CompileOptions {
  std::string deck;
  std::string output;
};

int runCompile(const CompileOptions& o) {
  requireFile(o.deck, "a WML deck");
  const std::string text = fs::readFile(o.deck, xml::maxDocumentBytes);
  const std::string compiled = compileCheckedDeck(o.deck, text);
  const std::string output = o.output.empty() ? fs::joinPath(fs::getParentFolderName(fs::getAbsolutePathName(o.deck)),
                                                             fs::getBaseName(o.deck) + ".wmlc")
                                              : o.output;
  fs::writeFileAtomic(output, compiled);
  std::fprintf(stderr, "%s: %zu bytes compiled (%zu as text)\n", output.c_str(), compiled.size(), text.size());
  return exitOk;
}

Registrar compile(HelpPlace::Compile, [](CLI::App& app, int* exitCode) {
  auto o = std::make_shared<CompileOptions>();
  auto* cmd = app.add_subcommand("compile", "Compile a WML 1.1 deck to WBXML, as a WAP gateway sends it to a phone");
  cmd->add_option("DECK", o->deck, "the deck, a .wml file")->required();
  cmd->add_option("-o", o->output, "the compiled deck (default: DECK with the extension .wmlc)");
  cmd->callback([o, exitCode] { *exitCode = runCompile(*o); });
});

} // namespace
} // namespace tavro::cli
