#include "platform/registry/activation.h"
#include "tests/support/testsupport.h"

#include <gtest/gtest.h>

using namespace tavro;
using namespace tavro::com;

TEST(Registry, CommentsAndLinesItCannotReadAreKeptInTheirPlacesAndUnknownIdentifiersCannotBeCreated) {
  test::TempDir dir;
  const auto file = dir.path() / "registry";
  const std::string kept = "# Tavro class registry: program identifier, TAB, library path\n"
                           "# team setup, do not edit by hand\n"
                           "Other.thing\t/opt/other/libother.so\n"
                           "a line without a tab\n"
                           "\n"
                           "TAVRO.Wizard\t/old/libtavro.so\n";
  test::writeFile(file, kept);
  ServerModule module({{"Tavro.wizard", [] { return ObjectPtr(); }}, {"Tavro.colWizards", [] { return ObjectPtr(); }}},
                      "/usr/lib/libtavro.so");
  Registry registry(file);
  EXPECT_EQ(module.registerServer(registry), hrOk);
  // The old entry, whatever the case of its identifier, is replaced where it stood; the new class
  // goes at the end.
  const std::string others = kept.substr(0, kept.find("TAVRO.Wizard"));
  EXPECT_EQ(test::readFile(file),
            others + "Tavro.wizard\t/usr/lib/libtavro.so\n" + "Tavro.colWizards\t/usr/lib/libtavro.so\n");
  Registry reread(file);
  EXPECT_EQ(reread.lookup("tavro.WIZARD"), "/usr/lib/libtavro.so");
  EXPECT_EQ(module.unregisterServer(reread), hrOk);
  EXPECT_EQ(test::readFile(file), others);

  // An identifier it does not hold cannot be created; the message names it.
  std::string message;
  EXPECT_EQ(test::comErrorOf([&] { createObject("Tavro.wizard", reread); }, &message), errCannotCreate);
  EXPECT_NE(message.find("Tavro.wizard"), std::string::npos);
}

TEST(ServerModule, ServesFactoriesForItsClassesOnly) {
  int made = 0;
  ServerModule module({{"Tavro.wizard",
                        [&] {
                          ++made;
                          return ObjectPtr();
                        }}},
                      "/x.so");
  ClassFactory* factory = nullptr;
  EXPECT_EQ(module.getClassObject("Tavro.Wizard", &factory), hrOk);
  ASSERT_NE(factory, nullptr);
  factory->createInstance();
  EXPECT_EQ(made, 1);
  EXPECT_EQ(module.getClassObject("Tavro.other", &factory), hrClassNotAvailable);
  EXPECT_EQ(factory, nullptr);
  EXPECT_EQ(module.getClassObject("Tavro.wizard", nullptr), hrPointer);
}
