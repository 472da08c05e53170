#include "shell/StoreFile.h"

#include <gtest/gtest.h>

#include <atomic>
#include <climits>
#include <filesystem>
#include <functional>
#include <thread>

#include "common/TempDir.h"

namespace tenvarra {
namespace {

using test::TTempDir;

// The lines of a file, joined with CR LF and ended by one.
std::string Lines(std::initializer_list<std::string> lines) {
  std::string out;
  for (const auto& l : lines) out += l + "\r\n";
  return out;
}

const std::string Header = Lines({"localhost", "12345", "200", "0", "0", "1", "1", "2", "3", "5",
                                  "6", "8", "1"});

class StoreFileTest : public ::testing::Test {
protected:
  std::string Path() const { return FDir.File("loco.dat"); }

  TTempDir FDir;
  TDeviceStore FStore;
  TStoreFile FFile{Path()};
};

TEST_F(StoreFileTest, WritesTheDocumentedExampleByteForByteLeavingOutDevicesWithoutAnAddress) {
  auto loco = std::make_unique<TMoBaAdvancedLoco>();
  loco->SetProtocol(DialogProtocols()[1]);  // "New Motorola (M2)"
  loco->SetAddress(12);
  ASSERT_TRUE(FStore.LocoTable().AddLoco(loco));
  auto solenoid = std::make_unique<TMoBaAdvancedSolenoid>();
  solenoid->SetProtocol(&FStore.NmraAccessoryProtocol());
  solenoid->SetAddress(7);
  ASSERT_TRUE(FStore.SolenoidTable().AddSolenoid(solenoid));
  // Address 0 from construction (a protocol would raise it to 1): left out, and not counted.
  auto bare = std::make_unique<TMoBaAdvancedSolenoid>();
  ASSERT_TRUE(FStore.SolenoidTable().AddSolenoid(bare));

  FFile.Save(FStore);
  EXPECT_EQ(FDir.Read("loco.dat"),
            Header + Lines({"1", "12", "4", "2", "14", "0", "5", "80", "New Motorola (M2)", "1",
                            "7", "1", "8"}));
  EXPECT_FALSE(FDir.Exists("loco.dat.tmp"));
}

TEST_F(StoreFileTest, SaveAndLoadKeepEveryStoredField) {
  FStore.Settings.Host = "layout.example";
  FStore.Settings.Port = -4;
  FStore.Settings.ActivationTime = 4000000000u;
  FStore.Settings.WriteLogFile = true;
  FStore.Settings.LearningMode = true;
  FStore.Settings.SerialHandshake = false;
  FStore.Settings.MMGLBus = 11;
  FStore.Settings.NMRAGABus = 16;
  FStore.Settings.PowerBus = 4;
  FStore.Settings.S88Modules = 31;
  for (int32_t address : {3, 70, 9000}) {
    auto loco = std::make_unique<TMoBaAdvancedLoco>();
    loco->SetProtocol(DialogProtocols()[address > 99 ? 10 : address > 50 ? 2 : 5]);
    loco->SetAddress(address);
    ASSERT_TRUE(FStore.LocoTable().AddLoco(loco));
  }
  // A loco the setup left without protocol keeps its limits through the file.
  auto bare = std::make_unique<TMoBaAdvancedLoco>();
  bare->SetAddress(123456);
  ASSERT_TRUE(FStore.LocoTable().AddLoco(bare));
  for (int32_t address : {200, 1, 4000}) {
    auto solenoid = std::make_unique<TMoBaAdvancedSolenoid>();
    solenoid->SetProtocol(address == 200 ? &FStore.MotorolaSolenoidProtocol()
                                         : &FStore.NmraAccessoryProtocol());
    solenoid->SetAddress(address);
    ASSERT_TRUE(FStore.SolenoidTable().AddSolenoid(solenoid));
  }
  FFile.Save(FStore);

  TDeviceStore back;
  ASSERT_EQ(FFile.Load(back), TLoadResult::Loaded);
  EXPECT_EQ(back.Settings, FStore.Settings);
  ASSERT_EQ(back.LocoTable().LocoCount(), 4);
  ASSERT_EQ(back.SolenoidTable().SolenoidCount(), 3);
  // The loco without protocol reads back with a protocol of the same limits.
  const TMoBaAdvancedLoco& restored = *back.LocoTable().LocoAt(3);
  EXPECT_EQ(restored.MaxAddress(), FStore.LocoTable().LocoAt(3)->MaxAddress());
  EXPECT_EQ(restored.MaxSteps(), FStore.LocoTable().LocoAt(3)->MaxSteps());
  EXPECT_EQ(restored.FunctionCount(), 255);
  EXPECT_EQ(back.SolenoidTable().SolenoidAt(0)->Protocol(), &back.MotorolaSolenoidProtocol());
  // Every other stored field: saved again, the loaded state gives the same file.
  const std::string first = FDir.Read("loco.dat");
  FFile.Save(back);
  EXPECT_EQ(FDir.Read("loco.dat"), first);
}

TEST_F(StoreFileTest, NoFileIsAFirstStartWithDefaults) {
  EXPECT_EQ(FFile.Load(FStore), TLoadResult::FirstStart);
  EXPECT_FALSE(FDir.Exists("loco.dat.bak"));
}

TEST_F(StoreFileTest, ReadingRulesForFlagsFamiliesDuplicatesAndSolenoidProtocols) {
  FDir.Write("loco.dat",
             Lines({"host", "1", "2", "2", "1", "2", "1", "2", "3", "5", "6", "8", "1", "2",
                    // family 9 keeps the construction family, custom
                    "12", "9", "2", "14", "0", "5", "80", "Odd family",
                    // the same address again is dropped
                    "12", "4", "2", "14", "0", "5", "80", "Duplicate", "2", "7", "3", "7", "0",
                    "6"}));
  ASSERT_EQ(FFile.Load(FStore), TLoadResult::Loaded);
  EXPECT_FALSE(FStore.Settings.WriteLogFile);  // 2 is off
  EXPECT_TRUE(FStore.Settings.LearningMode);
  EXPECT_FALSE(FStore.Settings.SerialHandshake);
  ASSERT_EQ(FStore.LocoTable().LocoCount(), 1);
  EXPECT_EQ(FStore.LocoTable().LocoAt(0)->LocoProtocol()->Base, 0);
  EXPECT_EQ(FStore.LocoTable().LocoAt(0)->LocoProtocol()->Name, "Odd family");
  // Protocol line 3 is not 0, so NMRA; the second solenoid 7 is a duplicate.
  ASSERT_EQ(FStore.SolenoidTable().SolenoidCount(), 1);
  EXPECT_EQ(FStore.SolenoidTable().SolenoidAt(0)->Protocol(), &FStore.NmraAccessoryProtocol());
  EXPECT_EQ(FStore.Settings.S88Modules, 6);
}

TEST_F(StoreFileTest, AnErrorKeepsWhatWasReadBeforeItAndACopyOfTheFile) {
  const std::string damaged = Lines({"server", "999", "300", "1", "0", "1", "1", "2", "3", "5",
                                     "6", "8", "1", "x", "12", "4"});
  FDir.Write("loco.dat", damaged);
  try {
    FFile.Load(FStore);
    FAIL() << "a letter was read as the loco count";
  } catch (const EStoreFileError& e) {
    EXPECT_EQ(e.Line(), 14);
    EXPECT_NE(std::string(e.what()).find(Path()), std::string::npos);
    EXPECT_NE(std::string(e.what()).find("loco count"), std::string::npos);
  }
  EXPECT_EQ(FStore.Settings.Host, "server");
  EXPECT_EQ(FStore.Settings.S88Modules, 8);  // never reached: the default stays
  EXPECT_EQ(FDir.Read("loco.dat.bak"), damaged);

  // A loco record that fails keeps the locos before it.
  TDeviceStore other;
  FDir.Write("loco.dat", Header + Lines({"2", "12", "4", "2", "14", "0", "5", "80", "M2", "13",
                                         "4", "2", "14", "zero", "5", "80", "M2"}));
  EXPECT_THROW(FFile.Load(other), EStoreFileError);
  ASSERT_EQ(other.LocoTable().LocoCount(), 1);
  EXPECT_EQ(other.LocoTable().LocoAt(0)->Address(), 12);
}

TEST_F(StoreFileTest, AFileEndingEarlyIsNoErrorAndInventsNoDevices) {
  // The missing numbers read as 0, the number of S88 modules too.
  FDir.Write("loco.dat", Header);
  ASSERT_EQ(FFile.Load(FStore), TLoadResult::Loaded);
  EXPECT_EQ(FStore.LocoTable().LocoCount(), 0);
  EXPECT_EQ(FStore.Settings.S88Modules, 0);

  // A count that promises more records than follow, even absurdly many, and
  // records cut short: only the whole ones make devices.
  const std::string whole = Lines({"12", "4", "2", "14", "0", "5", "80", "M2"});
  const struct {
    std::string Rest;
    int32_t Solenoids;
  } cases[] = {{Lines({"2000000000"}) + whole, 0},
               {Lines({"2"}) + whole + Lines({"13", "4"}), 0},
               {Lines({"1"}) + whole + Lines({"2", "7", "0", "9"}), 1}};
  for (const auto& c : cases) {
    TDeviceStore other;
    FDir.Write("loco.dat", Header + c.Rest);
    ASSERT_EQ(FFile.Load(other), TLoadResult::Loaded);
    ASSERT_EQ(other.LocoTable().LocoCount(), 1);
    EXPECT_EQ(other.LocoTable().LocoAt(0)->Address(), 12);
    EXPECT_EQ(other.SolenoidTable().SolenoidCount(), c.Solenoids);
    EXPECT_EQ(other.Settings.S88Modules, 0);
  }
}

TEST_F(StoreFileTest, TwoSaversRacingLeaveOneWholeFile) {
  TDeviceStore other;
  other.Settings.Host = "other";
  TStoreFile otherFile(Path());
  std::atomic<int> failures = 0;
  const auto saves = [&failures](TStoreFile& File, const TDeviceStore& Store) {
    for (int i = 0; i < 200; ++i) try {
        File.Save(Store);
      } catch (const std::exception&) {
        ++failures;
      }
  };
  std::thread racer(saves, std::ref(otherFile), std::cref(other));
  saves(FFile, FStore);
  racer.join();
  EXPECT_EQ(failures, 0);
  const std::string saved = FDir.Read("loco.dat");
  EXPECT_TRUE(saved == FormatStoreFile(FStore) || saved == FormatStoreFile(other)) << saved;
  // No temporary file is left behind.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(FDir.Path()), {}), 1);
}

TEST_F(StoreFileTest, ALinkIsSavedThroughAndAFailedSaveNamesWhatFailed) {
  namespace fs = std::filesystem;
  fs::create_directory(FDir.File("synced"));
  FDir.Write("synced/loco.dat", "old");
  fs::permissions(FDir.File("synced/loco.dat"), fs::perms::owner_read | fs::perms::owner_write |
                                                   fs::perms::group_read);
  fs::create_symlink("synced/loco.dat", Path());
  FFile.Save(FStore);
  EXPECT_TRUE(fs::is_symlink(Path()));
  EXPECT_EQ(FDir.Read("synced/loco.dat"), FormatStoreFile(FStore));
  EXPECT_EQ(fs::status(Path()).permissions(),
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);

  // A link into a folder that is gone, and a folder where the file should
  // be: each save fails naming the path that failed and why, and changes nothing.
  fs::remove(Path());
  fs::create_symlink(FDir.File("gone/loco.dat"), Path());
  const struct {
    std::string Error;
    std::string Make;
  } cases[] = {{Path() + " was not saved: cannot create a file in " + FDir.File("gone") +
                    ": No such file or directory", ""},
               {Path() + " was not saved: " + Path() + ": Is a directory", "loco.dat/x"}};
  for (const auto& c : cases) {
    if (!c.Make.empty()) {
      fs::remove(Path());
      fs::create_directories(FDir.File(c.Make));
    }
    try {
      FFile.Save(FStore);
      ADD_FAILURE() << "saved";
    } catch (const std::runtime_error& e) {
      EXPECT_EQ(std::string(e.what()), c.Error);
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(FDir.Path()), {}), 2);
  }
}

TEST_F(StoreFileTest, AnUnreadableFileThatCannotBeKeptIsNotReplaced) {
  const std::string damaged = Header + Lines({"x"});
  FDir.Write("loco.dat", damaged);
  std::filesystem::create_directories(Path() + ".bak/x");  // no copy can go there
  EXPECT_THROW(FFile.Load(FStore), EStoreFileError);
  try {
    FFile.Save(FStore);
    FAIL() << "the only copy of the file was replaced";
  } catch (const std::runtime_error& e) {
    EXPECT_NE(std::string(e.what()).find(".bak"), std::string::npos) << e.what();
  }
  EXPECT_EQ(FDir.Read("loco.dat"), damaged);
  // Once the copy can be made, the save goes ahead.
  std::filesystem::remove_all(Path() + ".bak");
  FFile.Save(FStore);
  EXPECT_EQ(FDir.Read("loco.dat.bak"), damaged);
  EXPECT_EQ(FDir.Read("loco.dat"), FormatStoreFile(FStore));

  // A file that cannot even be opened is an error, not a first start, and
  // is not replaced either.
  const std::string loop = FDir.File("loop.dat");
  std::filesystem::create_symlink(loop, loop);
  TStoreFile looping(loop);
  TDeviceStore other;
  EXPECT_THROW(looping.Load(other), std::runtime_error);
  EXPECT_THROW(looping.Save(other), std::runtime_error);
  EXPECT_TRUE(std::filesystem::is_symlink(loop));
}

TEST_F(StoreFileTest, LineBreaksInNamesAreWrittenAsBlanks) {
  FStore.Settings.Host = "lay\r\nout";
  auto protocol = std::make_unique<TMoBaLocoProtocol>();
  protocol->Name = "Two\nlines\x01";
  auto loco = std::make_unique<TMoBaAdvancedLoco>();
  loco->SetProtocol(FStore.LocoTable().AdoptProtocol(std::move(protocol)));
  loco->SetAddress(3);
  ASSERT_TRUE(FStore.LocoTable().AddLoco(loco));
  FStore.Settings.S88Modules = 4;
  FFile.Save(FStore);
  TDeviceStore back;
  ASSERT_EQ(TStoreFile(Path()).Load(back), TLoadResult::Loaded);
  EXPECT_EQ(back.Settings.Host, "lay  out");
  ASSERT_EQ(back.LocoTable().LocoCount(), 1);
  EXPECT_EQ(back.LocoTable().LocoAt(0)->LocoProtocol()->Name, "Two lines ");
  EXPECT_EQ(back.Settings.S88Modules, 4);
}

}  // namespace
}  // namespace tenvarra
