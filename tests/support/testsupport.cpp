#include "tests/support/testsupport.h"

#include "platform/xml/treewalk.h"

#include <libxml/parser.h>
#include <libxml/valid.h>

#include <memory>

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <sys/mount.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace tavro::test {

namespace stdfs = std::filesystem;

TempDir::TempDir() {
  std::string pattern = (stdfs::temp_directory_path() / "tavro-test-XXXXXX").string();
  if (!::mkdtemp(pattern.data()))
    throw std::runtime_error("cannot create a temporary folder");
  m_path = pattern;
}

TempDir::~TempDir() {
  std::error_code ec;
  // Tests may leave read-only folders behind; give write access back before removing.
  for (auto it = stdfs::recursive_directory_iterator(m_path, ec); !ec && it != stdfs::recursive_directory_iterator();
       it.increment(ec))
    stdfs::permissions(it->path(), stdfs::perms::owner_all, stdfs::perm_options::add, ec);
  stdfs::permissions(m_path, stdfs::perms::owner_all, stdfs::perm_options::add, ec);
  stdfs::remove_all(m_path, ec);
}

namespace {
stdfs::path fromEnv(const char* name, const char* fallback) {
  const char* v = std::getenv(name);
  return v && *v ? stdfs::path(v) : stdfs::path(fallback);
}
} // namespace

// The folders of the build that made these tests; the scripts' own TAVRO_BUILD_DIR (a
// relative name) must not redirect them.
stdfs::path sourceDir() { return TAVRO_DEFAULT_SOURCE_DIR; }
stdfs::path buildDir() { return TAVRO_DEFAULT_BUILD_DIR; }

stdfs::path corpusDir() {
  stdfs::path shared = fromEnv("TAVRO_SHARED_DIR", TAVRO_DEFAULT_SHARED_DIR);
  stdfs::path corpus = shared / "corpus";
  return stdfs::is_directory(corpus) ? corpus : stdfs::path();
}

stdfs::path corpusPath(const stdfs::path& part) {
  const stdfs::path corpus = corpusDir();
  std::error_code ec;
  return !corpus.empty() && stdfs::exists(corpus / part, ec) ? corpus / part : stdfs::path();
}

std::vector<stdfs::path> corpusPages() {
  std::vector<stdfs::path> pages;
  const stdfs::path dir = corpusPath("html");
  if (dir.empty())
    return pages;
  for (const auto& entry : stdfs::recursive_directory_iterator(dir)) {
    const auto ext = entry.path().extension();
    if (entry.is_regular_file() && (ext == ".html" || ext == ".htm"))
      pages.push_back(entry.path());
  }
  std::sort(pages.begin(), pages.end());
  return pages;
}

ToolResult runTavro(const std::vector<std::string>& args, const std::vector<std::string>& extraEnv,
                    const std::string& errTo) {
  TempDir capture;
  const std::string outPath = capture.file("out"), errPath = errTo.empty() ? capture.file("err") : errTo;
  const std::string tool = (buildDir() / "tavro").string();

  std::vector<std::string> env;
  for (char** e = environ; *e; ++e)
    env.emplace_back(*e);
  env.insert(env.end(), extraEnv.begin(), extraEnv.end());

  const pid_t parent = ::getpid();
  pid_t pid = ::fork();
  if (pid < 0)
    throw std::runtime_error("cannot start tavro");
  if (pid == 0) {
    // When ctest ends a test at its timeout, the tool it started must end with it rather than
    // run on unwatched (a looping tool once filled the disk of a test run).
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (::getppid() != parent)
      ::_exit(127);
    int in = ::open("/dev/null", O_RDONLY);
    int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    int err = errTo.empty() ? ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600)
                            : ::open(errPath.c_str(), O_WRONLY | O_NOCTTY);
    ::dup2(in, 0);
    ::dup2(out, 1);
    ::dup2(err, 2);
    std::vector<char*> argv{const_cast<char*>(tool.c_str())};
    for (const auto& a : args)
      argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (auto& e : env)
      envp.push_back(e.data());
    envp.push_back(nullptr);
    ::execve(tool.c_str(), argv.data(), envp.data());
    ::_exit(127);
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  ToolResult r;
  r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  r.out = readFile(outPath);
  if (errTo.empty())
    r.err = readFile(errPath);
  return r;
}

std::optional<ToolResult> runTavroOnTerminal(const std::vector<std::string>& args) {
  const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
  if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0) {
    if (master >= 0)
      ::close(master);
    return std::nullopt;
  }
  ToolResult run = runTavro(args, {}, ::ptsname(master));
  ::fcntl(master, F_SETFL, O_NONBLOCK);
  char buffer[4096];
  for (ssize_t n; (n = ::read(master, buffer, sizeof buffer)) > 0;)
    run.err.append(buffer, std::size_t(n));
  ::close(master);
  return run;
}

std::string readFile(const stdfs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in)
    throw std::runtime_error("cannot read " + path.string());
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void writeFile(const stdfs::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary);
  out << bytes;
  if (!out)
    throw std::runtime_error("cannot write " + path.string());
}

int entriesIn(const stdfs::path& folder) {
  return int(std::distance(stdfs::directory_iterator(folder), stdfs::directory_iterator()));
}

std::string treeShape(const xml::XmlDocument& doc) {
  std::string out;
  auto text = [](const xmlChar* s) {
    return s ? std::string(reinterpret_cast<const char*>(s)) : std::string("(null)");
  };
  auto line = [&](int depth, xmlNodePtr node) {
    out += std::string(std::size_t(depth) * 2, ' ') + std::to_string(int(node->type)) + " " + text(node->name);
    if (node->ns)
      out += " {" + text(node->ns->href) + "}";
    for (xmlNsPtr ns = node->nsDef; ns; ns = ns->next)
      out += " xmlns:" + text(ns->prefix) + "=" + text(ns->href);
    if (node->type != XML_ELEMENT_NODE)
      out += " [" + text(node->content) + "]";
    out += "\n";
    if (node->type == XML_ELEMENT_NODE) {
      for (xmlAttrPtr a = node->properties; a; a = a->next) {
        out += std::string(std::size_t(depth) * 2 + 1, ' ') + "@" + text(a->name) +
               (a->ns ? " {" + text(a->ns->href) + "}" : std::string());
        for (xmlNodePtr v = a->children; v; v = v->next)
          out += " [" + text(v->content) + "]";
        out += "\n";
      }
    }
  };
  if (doc.empty())
    return out;
  xml::walkTree(reinterpret_cast<xmlNodePtr>(doc.get()), [&](xmlNodePtr node) {
    if (node->type == XML_DOCUMENT_NODE)
      return true;
    int depth = 0;
    for (xmlNodePtr p = node->parent; p && p->type != XML_DOCUMENT_NODE; p = p->parent)
      ++depth;
    line(depth, node);
    return node->type == XML_ELEMENT_NODE;
  });
  return out;
}

void expectTransformReadsBack(const xml::XslTemplate& sheet, const xml::XmlDocument& input, const std::string& label) {
  SCOPED_TRACE(label);
  std::string text;
  auto direct = sheet.transformToDocument(input, &text);
  auto written = sheet.transformToString(input);
  if (!written) { // libxslt refused: so does the document
    EXPECT_FALSE(direct.has_value());
    return;
  }
  EXPECT_EQ(text, *written);
  xml::XmlDocument readBack;
  const bool loads = readBack.loadXML(*written);
  ASSERT_EQ(direct.has_value(), loads) << *written;
  if (loads) {
    EXPECT_EQ(test::treeShape(*direct), test::treeShape(readBack)) << *written;
  }
  auto withoutText = sheet.transformToDocument(input);
  ASSERT_EQ(withoutText.has_value(), loads);
  if (loads) {
    EXPECT_EQ(test::treeShape(*withoutText), test::treeShape(readBack));
  }
}

namespace {

// The definition is read from memory: the parsers here never load a DTD from disk.
xmlDtdPtr wmlDtd() {
  static xmlDtdPtr dtd = [] {
    const auto path = corpusPath("wml/wml11.dtd");
    if (path.empty())
      return xmlDtdPtr(nullptr);
    const std::string text = readFile(path);
    xmlParserInputBufferPtr input =
        xmlParserInputBufferCreateMem(text.data(), int(text.size()), XML_CHAR_ENCODING_UTF8);
    return xmlIOParseDTD(nullptr, input, XML_CHAR_ENCODING_UTF8);
  }();
  return dtd;
}

void collectFault(void* context, const xmlError* error) {
  auto* fault = static_cast<std::string*>(context);
  if (fault->empty() && error)
    *fault = "line " + std::to_string(error->line) + ": " + (error->message ? error->message : "");
}

} // namespace

bool wmlDtdAvailable() { return wmlDtd() != nullptr; }

std::string wmlFault(const std::string& deck) {
  xmlDtdPtr dtd = wmlDtd();
  if (!dtd)
    return {};
  xml::XmlDocument doc;
  doc.setPreserveWhiteSpace(true);
  if (!doc.loadXML(deck))
    return "not well-formed: " + doc.parseError().reason;
  std::string fault;
  std::unique_ptr<xmlValidCtxt, decltype(&xmlFreeValidCtxt)> context(xmlNewValidCtxt(), xmlFreeValidCtxt);
  xmlSetStructuredErrorFunc(&fault, [](void* c, xmlErrorPtr e) { collectFault(c, e); });
  const bool valid = xmlValidateDtd(context.get(), doc.get(), dtd) == 1;
  xml::initialise(); // the usual error routing back
  if (!valid && fault.empty())
    fault = "not valid";
  return valid ? std::string() : fault;
}

xml::XslTemplate compileStylesheet(const std::string& body, const std::string& extraNamespaces) {
  xml::XmlDocument doc;
  doc.setPreserveWhiteSpace(true);
  EXPECT_TRUE(doc.loadXML("<xsl:stylesheet version=\"1.0\" xmlns:xsl=\"http://www.w3.org/1999/XSL/Transform\" " +
                          extraNamespaces + ">" + body + "</xsl:stylesheet>"))
      << doc.parseError().reason;
  xml::XslTemplate compiled;
  compiled.setStylesheet(doc);
  return compiled;
}

SmallMount::SmallMount(const std::string& folder, const std::map<std::string, std::string>& files, Access access)
    : m_folder(folder) {
  std::filesystem::create_directories(folder);
  if (::mount("tavro-test", folder.c_str(), "tmpfs", MS_NOSUID | MS_NODEV | MS_NOEXEC, "size=64k") != 0)
    return;
  m_mounted = true;
  for (const auto& [name, bytes] : files)
    writeFile(folder + "/" + name, bytes);
  if (access == ReadOnly && ::mount(nullptr, folder.c_str(), nullptr,
                                    MS_REMOUNT | MS_RDONLY | MS_NOSUID | MS_NODEV | MS_NOEXEC, nullptr) != 0) {
    ::umount2(folder.c_str(), MNT_DETACH);
    m_mounted = false;
  }
}

SmallMount::~SmallMount() {
  if (m_mounted)
    ::umount2(m_folder.c_str(), MNT_DETACH);
}

} // namespace tavro::test
