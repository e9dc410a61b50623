#include "projectview/recentprojects.h"

namespace tavro::projectview {

namespace {

std::string withoutTrailingSlash(std::string folder) {
  while (folder.size() > 1 && folder.back() == '/')
    folder.pop_back();
  return folder;
}

} // namespace

std::vector<std::string> withRecentProject(const std::vector<std::string>& recent, const std::string& folder) {
  std::vector<std::string> list;
  auto add = [&](const std::string& entry) {
    std::string f = withoutTrailingSlash(entry);
    if (f.empty() || list.size() >= maxRecentProjects)
      return;
    for (const auto& kept : list)
      if (kept == f)
        return;
    list.push_back(std::move(f));
  };
  add(folder);
  for (const auto& entry : recent)
    add(entry);
  return list;
}

} // namespace tavro::projectview
