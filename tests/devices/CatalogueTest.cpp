// The fixed protocol sets: the catalogues built from the default tables and
// the choices of the loco dialogs. Their values are the tables' own; what is
// checked here is how the sets are built and shared.
#include "devices/Catalogue.h"

#include <gtest/gtest.h>

#include "devices/DialogProtocols.h"
#include "common/TempDir.h"

namespace tenvarra {
namespace {

TEST(Catalogue, FillingReplacesTheItemsWithCopiesOfTheDefaultRowsWithoutGroups) {
  test::TTempDir dir;
  TMoBaProfiles store(dir.Path());
  TMoBaLocoProtocolList locos(true, &store);
  locos.Add(std::make_unique<TMoBaLocoProtocol>());
  FillDefaultLocoProtocols(locos);
  ASSERT_EQ(locos.Count(), 11);
  EXPECT_TRUE(locos.Modified());
  for (int32_t i = 0; i < locos.Count(); ++i) {
    EXPECT_EQ(locos.Items(i)->Name, MoBaDefaultLocoProtocols[i].Name);
    EXPECT_TRUE(locos.Items(i)->Groups.none());
  }
}

TEST(DialogProtocols, ElevenSharedChoicesKnownByIdentity) {
  const TDialogProtocols& choices = DialogProtocols();
  for (int32_t i = 0; i < TDialogProtocols::Count; ++i) EXPECT_EQ(choices.IndexOf(choices[i]), i);
  EXPECT_EQ(choices[TDialogProtocols::Count], nullptr);
  EXPECT_EQ(choices.IndexOf(MoBaLocoProtocols().Items(0)), -1);
}

}  // namespace
}  // namespace tenvarra
