#include "tests/support/testsupport.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

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

stdfs::path sourceDir() { return fromEnv("TAVRO_SOURCE_DIR", TAVRO_DEFAULT_SOURCE_DIR); }
stdfs::path buildDir() { return fromEnv("TAVRO_BUILD_DIR", TAVRO_DEFAULT_BUILD_DIR); }

stdfs::path corpusDir() {
  stdfs::path shared = fromEnv("TAVRO_SHARED_DIR", TAVRO_DEFAULT_SHARED_DIR);
  stdfs::path corpus = shared / "corpus";
  return stdfs::is_directory(corpus) ? corpus : stdfs::path();
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

} // namespace tavro::test
