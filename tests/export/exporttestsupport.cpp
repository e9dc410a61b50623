#include "tests/export/exporttestsupport.h"

#include <cerrno>
#include <filesystem>
#include <stdexcept>
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

} // namespace tavro::test
