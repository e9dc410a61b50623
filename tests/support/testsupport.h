#pragma once
// Helpers shared by the tests: temporary folders, where the sources and the shared corpus are.

#include "platform/com/comerror.h"
#include "platform/xml/xmldocument.h"
#include "platform/xml/xsltemplate.h"

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace tavro::test {

/// A fresh folder under the system's temporary folder, removed with everything in it when the
/// object goes.
class TempDir {
public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& path() const { return m_path; }
  std::string str() const { return m_path.string(); }
  /// path() / name as a string.
  std::string file(const std::string& name) const { return (m_path / name).string(); }

private:
  std::filesystem::path m_path;
};

/// The source tree (for samples/ and resources/).
std::filesystem::path sourceDir();
/// The build tree (for the built tools and library).
std::filesystem::path buildDir();
/// The shared corpus folder, or an empty path when it is absent.
std::filesystem::path corpusDir();
/// A folder or file of the shared corpus (e.g. "images/hostile"), or an empty path when it is
/// absent.
std::filesystem::path corpusPath(const std::filesystem::path& part);
/// The corpus's HTML pages (.html and .htm, in every folder below html/), in name order;
/// none when the corpus is absent.
std::vector<std::filesystem::path> corpusPages();

/// What a run of the command line tool gave.
struct ToolResult {
  int exitCode = -1;
  std::string out;
  std::string err;
};

/// Runs the built `tavro` tool with the arguments (no shell), standard input empty, and
/// returns its exit status and output. extraEnv holds "NAME=value" entries added to the
/// environment of the run. With errTo (a terminal, for instance) standard error goes there
/// and is not captured.
ToolResult runTavro(const std::vector<std::string>& args, const std::vector<std::string>& extraEnv = {},
                    const std::string& errTo = "");

/// Runs the tool as runTavro does with standard error on a pseudo-terminal, and returns in err
/// what the terminal shows (its line ends "\r\n"); nullopt where no pseudo-terminal can be
/// opened. The terminal is read once the tool has ended, so the run must say little.
std::optional<ToolResult> runTavroOnTerminal(const std::vector<std::string>& args);

/// The run-time error number f raises, or 0 when it raises none; message (when given) takes
/// the error's text.
template <class F>
int comErrorOf(F&& f, std::string* message = nullptr) {
  try {
    f();
  } catch (const com::ComError& e) {
    if (message)
      *message = e.what();
    return e.number();
  }
  return 0;
}

/// The first fault the WML 1.1 document type definition of the shared corpus finds in a deck
/// ("line N: message"), "" for a valid deck. wmlDtdAvailable() says whether the definition is
/// there to check against.
std::string wmlFault(const std::string& deck);
bool wmlDtdAvailable();

std::string readFile(const std::filesystem::path& path);
void writeFile(const std::filesystem::path& path, const std::string& bytes);
/// How many entries a folder holds (a write that leaves a temporary behind shows here).
int entriesIn(const std::filesystem::path& folder);

/// A 64 KiB tmpfs mounted over folder for the object's life, holding the given files, and
/// then made read-only when asked. mounted() is false where mounting is not allowed.
class SmallMount {
public:
  enum Access { Writable, ReadOnly };
  SmallMount(const std::string& folder, const std::map<std::string, std::string>& files, Access access);
  ~SmallMount();
  SmallMount(const SmallMount&) = delete;
  SmallMount& operator=(const SmallMount&) = delete;
  bool mounted() const { return m_mounted; }

private:
  std::string m_folder;
  bool m_mounted = false;
};

/// Every node of a document, one per line with its kind, name, namespace and content, and
/// each element's attributes: two documents with the same shape have the same nodes, where
/// their XML text could hide a split text node or a namespace.
std::string treeShape(const xml::XmlDocument& doc);

/// Expects transformToDocument to give exactly the document that transformToString's text
/// reads back as (same shape, same text), and to fail exactly when that text does not load.
void expectTransformReadsBack(const xml::XslTemplate& sheet, const xml::XmlDocument& input, const std::string& label);

/// An XSLT 1.0 stylesheet made of body (its templates and top-level elements), compiled, its
/// white space kept as a stylesheet file keeps it. extraNamespaces goes into the root's start
/// tag as it stands (namespace declarations and such attributes).
xml::XslTemplate compileStylesheet(const std::string& body, const std::string& extraNamespaces = "");

} // namespace tavro::test
