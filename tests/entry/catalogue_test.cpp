#include "entry/picture.h"
#include "entry/wizard.h"
#include "platform/com/enumerator.h"
#include "resources/resources.h"
#include "tests/support/testsupport.h"

#include <gtest/gtest.h>

using namespace tavro;
using com::Variant;

TEST(Catalogue, HoldsTheFourEntriesInOrderReachableByPositionKeyAndEnumeration) {
  auto w = std::make_shared<wizard>();
  com::ObjectPtr entries = com::getProperty(w, "WizardsCollection").toObject();
  EXPECT_EQ(entries, com::getProperty(w, "WizardsCollection").toObject()); // the same object every time
  ASSERT_EQ(com::getProperty(entries, "Count").toLong(), 4);

  std::vector<std::string> walked;
  com::forEach(entries,
               [&](const Variant& v) { walked.push_back(com::getProperty(v.toObject(), "strID").toString()); });
  EXPECT_EQ(walked, (std::vector<std::string>{"Import", "Export", "Ftp", "Image"}));

  // Entry n is reached by position, by its key 100 + n and by a number; each entry's texts and
  // icon are the catalogue command's test's (CliBasics.CatalogueListsTheFourEntriesInOrder).
  for (int i = 1; i <= 4; ++i) {
    const std::string key = std::to_string(100 + i);
    com::ObjectPtr item = com::getProperty(entries, "", {Variant(i)}).toObject(); // Item is the default member
    EXPECT_EQ(com::getProperty(item, "strID").toString(), walked[std::size_t(i - 1)]);
    EXPECT_EQ(com::getProperty(entries, "", {Variant(key)}).toObject(), item) << key;
    EXPECT_EQ(com::getProperty(entries, "", {Variant(double(i))}).toObject(), item) << key;
  }
}

TEST(Catalogue, WrongKeysRaiseTheCollectionErrorsAndKeysAreFoundWithoutRegardToCase) {
  wizard w;
  auto entries = w.WizardsCollection();
  EXPECT_EQ(test::comErrorOf([&] { entries->Item(Variant("Import")); }), 5); // a wizard key is not a collection key
  EXPECT_EQ(test::comErrorOf([&] { entries->Item(Variant(0)); }), 9);
  EXPECT_EQ(test::comErrorOf([&] { entries->Item(Variant(5)); }), 9);
  EXPECT_EQ(test::comErrorOf([&] { entries->Remove(Variant("999")); }), 5);
  EXPECT_EQ(test::comErrorOf([&] { entries->Add("x", 1, "t", "X", "101"); }), 457);
  EXPECT_EQ(entries->Count(), 4); // nothing changed by the failures

  // A collection of its own: keys are found whatever their case.
  auto own = std::make_shared<colWizards>();
  auto a = own->Add("A", 1, "tip a", "a", "Key");
  auto b = own->Add("B", 2, "tip b", "b"); // no key: reachable by position and enumeration only
  EXPECT_EQ(own->Item(Variant("KEY")), a);
  EXPECT_EQ(test::comErrorOf([&] { own->Add("C", 3, "", "c", "kEy"); }), 457);
  EXPECT_EQ(own->Item(Variant(2)), b);
  own->Remove(Variant("key"));
  EXPECT_EQ(own->Count(), 1);
  EXPECT_EQ(own->Item(Variant(1)), b);
  // A caller by name may hand a number as text.
  com::putProperty(b, "IconId", Variant("17"));
  EXPECT_EQ(b->IconId, 17);
}

TEST(Catalogue, GetIconTakesCollectionKeysNotWizardKeys) {
  auto w = std::make_shared<wizard>();
  com::ObjectPtr icon = com::callMethod(w, "getIcon", {Variant("103")}).toObject();
  EXPECT_EQ(com::getProperty(icon, "Type").toLong(), 1);
  EXPECT_EQ(com::getProperty(icon, "Width").toLong(), 423); // 16 pixels in HIMETRIC
  auto file = com::getProperty(icon, "Data").toBytes();
  ASSERT_EQ(file.size(), 14u + 808u);
  EXPECT_EQ(file[0], 'B');
  EXPECT_EQ(file[10], 54); // pixels start after the two headers
  auto dib = resources::find("BITMAP", 103);
  EXPECT_TRUE(std::equal(dib.begin(), dib.end(), file.begin() + 14));
  EXPECT_EQ(test::comErrorOf([&] { w->getIcon("Ftp"); }), 5);
  // A bitmap is found by name too, whatever the case of its type.
  EXPECT_EQ(resources::find("bitmap", "OPTIONS").size(), 808u);
}

TEST(Picture, BytesThatAreNoBitmapRaiseInvalidPicture) {
  std::vector<std::uint8_t> header(40, 0);
  header[0] = 40; // a header of the right size, but 0 x 0 pixels
  for (std::size_t size : {std::size_t(10), header.size()}) {
    std::string message;
    EXPECT_EQ(test::comErrorOf([&] { Picture(std::span(header.data(), size)); }, &message), 481) << size;
    EXPECT_EQ(message, "Invalid picture");
  }
}
