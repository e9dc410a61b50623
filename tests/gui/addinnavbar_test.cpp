// The navigation bar as a host meets it: created by name from the built libtavro.so.

#include "platform/registry/activation.h"
#include "tests/gui/guitest.h"
#include "tests/support/testsupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

using namespace tavro;
using namespace tavro::com;

TEST(AddinNavBar, AHostWithAnApplicationCreatesTavroNavBarByName) {
  test::application();
  test::TempDir dir;
  const std::string library = (test::buildDir() / "libtavro.so").string();
  ASSERT_TRUE(std::filesystem::exists(library)) << library;
  const std::string registryFile = dir.file("registry");
  ::setenv("TAVRO_REGISTRY", registryFile.c_str(), 1);
  auto registerServer = reinterpret_cast<HResult (*)()>(librarySymbol(loadLibrary(library), "DllRegisterServer"));
  ASSERT_NE(registerServer, nullptr);
  ASSERT_EQ(registerServer(), hrOk);
  ::unsetenv("TAVRO_REGISTRY");

  ObjectPtr bar = createObject("Tavro.NavBar", Registry(registryFile));
  EXPECT_EQ(bar->typeName(), "NavBar");
  EXPECT_EQ(getProperty(bar, "NavigationMode").toLong(), 0);
  putProperty(bar, "NavigationMode", Variant(1));
  EXPECT_EQ(getProperty(bar, "NavigationMode").toLong(), 1);
  // Another class is refused without a word.
  callMethod(bar, "SetTabControl", {Variant(createObject("Tavro.clWizardItem", Registry(registryFile)))});
}
