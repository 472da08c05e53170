#include "devices/DialogProtocols.h"

#include <gtest/gtest.h>

namespace tenvarra {
namespace {

struct TExpectedChoice {
  const char* Name;
  uint8_t Base;
  int32_t Extension, MaxAddress, MaxSteps, MaxFunctions, Bus;
};

TEST(DialogProtocols, ElevenChoicesWithTheirLimitsAndDefaultBus) {
  const TExpectedChoice expected[] = {
      {"Old Motorola", 4, 1, 80, 14, 1, 1},
      {"New Motorola (M2)", 4, 2, 80, 14, 5, 1},
      {"Extended Motorola 1 (M3)", 4, 2, 255, 28, 5, 1},
      {"Extended Motorola 2 (M4)", 4, 2, 255, 14, 5, 1},
      {"Extended Motorola 3 (M5)", 4, 2, 80, 27, 5, 1},
      {"NMRA Base (NB)", 5, 1, 99, 14, 0, 2},
      {"Extended NMRA 1 (N1a)", 5, 1, 99, 14, 5, 2},
      {"Extended NMRA 1 (N1b)", 5, 1, 99, 28, 5, 2},
      {"Extended NMRA 2 (N2)", 5, 1, 99, 128, 5, 2},
      {"Extended NMRA 3 (N3)", 5, 2, 10239, 28, 5, 3},
      {"Extended NMRA 4 (N4)", 5, 2, 10239, 128, 5, 3},
  };
  const TDialogProtocols& choices = DialogProtocols();
  for (int32_t i = 0; i < TDialogProtocols::Count; ++i) {
    SCOPED_TRACE(i);
    const TMoBaLocoProtocol* p = choices[i];
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->Name, expected[i].Name);
    EXPECT_EQ(p->Base, expected[i].Base);
    EXPECT_EQ(p->Extension, expected[i].Extension);
    EXPECT_EQ(p->MaxAddress, expected[i].MaxAddress);
    EXPECT_EQ(p->MaxSteps, expected[i].MaxSteps);
    EXPECT_EQ(p->MinSteps, 0);
    EXPECT_EQ(p->MaxFunctions, expected[i].MaxFunctions);
    EXPECT_EQ(p->Groups.count(), 1u);
    EXPECT_TRUE(p->Groups.test(expected[i].Bus));
    EXPECT_TRUE(p->Desc.empty());
    EXPECT_EQ(choices.IndexOf(p), i);
  }
  EXPECT_EQ(choices[-1], nullptr);
  EXPECT_EQ(choices[11], nullptr);
  EXPECT_EQ(&DialogProtocols(), &choices);  // shared, never rebuilt
}

TEST(DialogProtocols, TheTwoSolenoidProtocols) {
  auto motorola = CreateMotorolaSolenoidProtocol();
  auto nmra = CreateNmraAccessoryProtocol();
  EXPECT_EQ(motorola->Name, "Motorola Solenoid");
  EXPECT_EQ(motorola->Base, MoBaBaseMotorola);
  EXPECT_EQ(motorola->MaxAddress, 256);
  EXPECT_TRUE(motorola->Groups.test(5));
  EXPECT_EQ(nmra->Name, "NMRA Accessory");
  EXPECT_EQ(nmra->Base, MoBaBaseNmra);
  EXPECT_EQ(nmra->MaxAddress, 4096);
  EXPECT_TRUE(nmra->Groups.test(6));
  for (const auto* p : {motorola.get(), nmra.get()}) {
    EXPECT_EQ(p->Extension, 0);
    EXPECT_EQ(p->MaxPort, 1);
    EXPECT_EQ(p->MaxValue, 1);
    EXPECT_EQ(p->Groups.count(), 1u);
    EXPECT_TRUE(p->Desc.empty());
  }
}

}  // namespace
}  // namespace tenvarra
