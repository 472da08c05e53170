#include "client/Time.h"

#include "client/Bus.h"
#include "client/Client.h"
#include "platform/IniFile.h"
#include "srcp/TimeGroup.h"

namespace tenvarra {

TMoBaSRCPTime::TMoBaSRCPTime(TMoBaSRCPBus& OwnerBus)
    : FOwnerBus(OwnerBus), FTimeGroup(std::make_unique<TSRCPTime>()) {
  TMoBaSRCPClient& client = OwnerBus.Client();
  TSRCPTime& group = *FTimeGroup;
  group.SetCommandClient(&client.CommandClient());
  group.SetInfoClient(&client.InfoClient());
  group.SetBus(OwnerBus.Bus());
  group.SetEventMode(semBus);
  group.OnInit = [this](TSRCPBaseDeviceGroup&) { FOwnerBus.Client().DoTimeInit(); };
  group.OnTerm = [this](TSRCPBaseDeviceGroup&) { FOwnerBus.Client().DoTimeTerm(); };
  group.OnChange = [this](TSRCPBaseDeviceGroup&) { FOwnerBus.Client().DoTimeChange(); };
}

TMoBaSRCPTime::~TMoBaSRCPTime() = default;

int32_t TMoBaSRCPTime::TimeMultiplicator() const { return FTimeGroup->TimeFx(); }
void TMoBaSRCPTime::SetTimeMultiplicator(int32_t Value) { FTimeGroup->SetTimeFx(Value); }
int32_t TMoBaSRCPTime::TimeDivisor() const { return FTimeGroup->TimeFy(); }
void TMoBaSRCPTime::SetTimeDivisor(int32_t Value) { FTimeGroup->SetTimeFy(Value); }

void TMoBaSRCPTime::LoadSettings(TIniFile& Settings) {
  const std::string section = FOwnerBus.SettingsSection();
  SetTimeMultiplicator(Settings.ReadInteger(section, "TimeMultiplicator", 1));
  SetTimeDivisor(Settings.ReadInteger(section, "TimeDivisor", 1));
}

void TMoBaSRCPTime::SaveSettings(TIniFile& Settings) {
  const std::string section = FOwnerBus.SettingsSection();
  Settings.WriteInteger(section, "TimeMultiplicator", TimeMultiplicator());
  Settings.WriteInteger(section, "TimeDivisor", TimeDivisor());
}

}  // namespace tenvarra
