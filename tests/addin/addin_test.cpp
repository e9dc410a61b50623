// The add-in as a host meets it: the built libtavro.so, registered and created by name.

#include "platform/registry/activation.h"
#include "platform/ui/uiservices.h"
#include "tests/support/testsupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <sys/wait.h>
#include <thread>

using namespace tavro;
using namespace tavro::com;

namespace {

class Addin : public ::testing::Test {
protected:
  void SetUp() override {
    library = (test::buildDir() / "libtavro.so").string();
    ASSERT_TRUE(std::filesystem::exists(library)) << library;
    registryFile = dir.file("registry");
    ::setenv("TAVRO_REGISTRY", registryFile.c_str(), 1);
    handle = loadLibrary(library);
  }
  void TearDown() override { ::unsetenv("TAVRO_REGISTRY"); }

  HResult callExport(const char* name) {
    auto fn = reinterpret_cast<HResult (*)()>(librarySymbol(handle, name));
    EXPECT_NE(fn, nullptr) << name;
    return fn ? fn() : hrFail;
  }

  test::TempDir dir;
  std::string library;
  std::string registryFile;
  void* handle = nullptr;
};

} // namespace

TEST_F(Addin, RegistersItsClassesAndUnregistersExactlyThose) {
  test::writeFile(registryFile, "Other.widget\t/opt/other/libother.so\n");
  ASSERT_EQ(callExport("DllRegisterServer"), hrOk);
  Registry registry(registryFile);
  for (const char* id : {"Tavro.wizard", "Tavro.colWizards", "Tavro.clWizardItem", "Tavro.cEventHandler"})
    EXPECT_TRUE(std::filesystem::equivalent(registry.lookup(id).value_or("/nonexistent"), library)) << id;

  ASSERT_EQ(callExport("DllUnregisterServer"), hrOk);
  Registry after(registryFile);
  EXPECT_EQ(after.entries().size(), 1u);
  EXPECT_EQ(after.lookup("Other.widget"), "/opt/other/libother.so");
}

TEST_F(Addin, AHostCreatesTheWizardByNameAndReadsTheCatalogue) {
  ASSERT_EQ(callExport("DllRegisterServer"), hrOk);
  {
    ObjectPtr wizard = createObject("Tavro.wizard", Registry(registryFile));
    EXPECT_EQ(wizard->typeName(), "wizard");
    // The catalogue's content is the entry tests' concern; here it is reached through the library.
    EXPECT_EQ(getProperty(getProperty(wizard, "WizardsCollection").toObject(), "Count").toLong(), 4);
    // Set wiz.Project = Nothing clears the project.
    EXPECT_NO_THROW(putRefProperty(wizard, "Project", Variant(ObjectPtr())));
    // While a host holds an object the library must stay.
    EXPECT_EQ(callExport("DllCanUnloadNow"), hrFalse);
    ObjectPtr item = createObject("Tavro.clWizardItem", Registry(registryFile));
    putProperty(item, "Caption", Variant("x"));
    EXPECT_EQ(getProperty(item, "caption").toString(), "x");
  }
  EXPECT_EQ(callExport("DllCanUnloadNow"), hrOk);
}

TEST(SpawnDetached, StartsTheProgramWithoutWaitingAndLeavesNoZombie) {
  test::TempDir dir;
  const auto marker = dir.path() / "started";
  const auto program = dir.path() / "BraskFTP.exe";
  // The program waits (a few seconds at most) for a file the test makes only once the launch
  // has returned: a launch that waited for the program would find it given up.
  test::writeFile(program, "#!/bin/sh\ncd \"$(dirname \"$0\")\"\n"
                           "for i in $(seq 100); do [ -e go ] && break; sleep 0.05; done\n"
                           "[ -e go ] && echo started > started\n"
                           "echo done > started.end\n");
  std::filesystem::permissions(program, std::filesystem::perms::owner_all);

  EXPECT_TRUE(ui::spawnDetached(program.string()));
  test::writeFile(dir.path() / "go", "");
  // No child of ours is left to reap: the program belongs to init.
  EXPECT_EQ(::waitpid(-1, nullptr, WNOHANG), -1);
  for (int i = 0; i < 200 && !std::filesystem::exists(marker.string() + ".end"); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_TRUE(std::filesystem::exists(marker)) << "the launch waited for the program";

  EXPECT_FALSE(ui::spawnDetached((dir.path() / "missing.exe").string()));
  EXPECT_EQ(::waitpid(-1, nullptr, WNOHANG), -1);
}
