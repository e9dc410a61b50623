#include "projectview/recentprojects.h"

#include <gtest/gtest.h>

using tavro::projectview::maxRecentProjects;
using tavro::projectview::withRecentProject;
using List = std::vector<std::string>;

TEST(RecentProjects, NewestFirstEachOnceAndBounded) {
  EXPECT_EQ(withRecentProject({}, "/p/a"), List{"/p/a"});
  EXPECT_EQ(withRecentProject({"/p/a", "/p/b"}, "/p/b"), (List{"/p/b", "/p/a"}));
  EXPECT_EQ(withRecentProject({"/p/a/", "", "/p/b"}, "/p/a"), (List{"/p/a", "/p/b"}));
  EXPECT_EQ(withRecentProject({"/p/a"}, ""), List{"/p/a"});

  List many;
  for (std::size_t i = 0; i < maxRecentProjects + 3; ++i)
    many.push_back("/p/" + std::to_string(i));
  const List kept = withRecentProject(many, "/new");
  ASSERT_EQ(kept.size(), maxRecentProjects);
  EXPECT_EQ(kept.front(), "/new");
  EXPECT_EQ(kept.back(), "/p/" + std::to_string(maxRecentProjects - 2));
}
