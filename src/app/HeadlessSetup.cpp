#include "app/HeadlessSetup.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <exception>

#include "devices/DialogProtocols.h"
#include "shell/Bridge.h"
#include "shell/DeviceEditor.h"
#include "shell/EditedTables.h"
#include "shell/GeneralSetup.h"

namespace tenvarra {

namespace {

// A field of the general setup by the word typed for it: a text field with
// its check, or a check box.
struct TFieldName {
  const char* Name;
  const char* Label;  // for the check boxes; text fields use SetupFieldLabel
  std::optional<TSetupField> Field;
  std::string TGeneralSetupFields::*Text;
  bool TGeneralSetupFields::*Flag;
};

constexpr std::array<TFieldName, 14> FieldNames{{
    {"host", nullptr, TSetupField::Host, &TGeneralSetupFields::Host, nullptr},
    {"port", nullptr, TSetupField::Port, &TGeneralSetupFields::Port, nullptr},
    {"activation-time", nullptr, TSetupField::ActivationTime, &TGeneralSetupFields::ActivationTime, nullptr},
    {"serial-handshake", "Serial Handshake", std::nullopt, nullptr, &TGeneralSetupFields::SerialHandshake},
    {"mm-loco-bus", nullptr, TSetupField::MMGLBus, &TGeneralSetupFields::MMGLBus, nullptr},
    {"nmra-short-loco-bus", nullptr, TSetupField::NMRAGLSBus, &TGeneralSetupFields::NMRAGLSBus, nullptr},
    {"nmra-long-loco-bus", nullptr, TSetupField::NMRAGLLBus, &TGeneralSetupFields::NMRAGLLBus, nullptr},
    {"mm-solenoid-bus", nullptr, TSetupField::MMGABus, &TGeneralSetupFields::MMGABus, nullptr},
    {"nmra-solenoid-bus", nullptr, TSetupField::NMRAGABus, &TGeneralSetupFields::NMRAGABus, nullptr},
    {"s88-bus", nullptr, TSetupField::S88Bus, &TGeneralSetupFields::S88Bus, nullptr},
    {"power-bus", nullptr, TSetupField::PowerBus, &TGeneralSetupFields::PowerBus, nullptr},
    {"log-file", "Write log file", std::nullopt, nullptr, &TGeneralSetupFields::WriteLogFile},
    {"learning-mode", "activate learning mode", std::nullopt, nullptr, &TGeneralSetupFields::LearningMode},
    {"s88-modules", nullptr, TSetupField::S88Modules, &TGeneralSetupFields::S88Modules, nullptr},
}};

std::string LabelOf(const TFieldName& Name) {
  return std::string(Name.Field ? SetupFieldLabel(*Name.Field) : Name.Label) + " (" + Name.Name + ")";
}

std::optional<bool> Switch(const std::string& Text) {
  if (Text == "on" || Text == "1" || Text == "yes") return true;
  if (Text == "off" || Text == "0" || Text == "no") return false;
  return std::nullopt;
}

std::string Lower(std::string Text) {
  std::transform(Text.begin(), Text.end(), Text.begin(), [](unsigned char c) { return std::tolower(c); });
  return Text;
}

TCommandAnswer Refused(std::string Text) { return {{std::move(Text)}, true}; }

// A whole number 0 .. Max written in decimal.
std::optional<int32_t> Number(const std::string& Text, int32_t Max) {
  if (Text.empty() || Text.size() > 9 || Text.find_first_not_of("0123456789") != std::string::npos)
    return std::nullopt;
  const long value = std::stol(Text);
  return value <= Max ? std::optional<int32_t>(static_cast<int32_t>(value)) : std::nullopt;
}

// A loco protocol by its entry (0 .. 10), its name or the short name in its
// brackets ("M2", "N1a"), any case; -1 when none is meant.
int32_t LocoItem(const std::string& Text) {
  const TDialogProtocols& protocols = DialogProtocols();
  if (const auto entry = Number(Text, TDialogProtocols::Count - 1)) return *entry;
  const std::string wanted = Lower(Text);
  for (int32_t i = 0; i < TDialogProtocols::Count; ++i) {
    const std::string name = Lower(protocols[i]->Name);
    const auto open = name.find('(');
    if (name == wanted || (open != std::string::npos && name.substr(open + 1, name.size() - open - 2) == wanted))
      return i;
  }
  return -1;
}

std::string LocoChoices() {
  std::string text;
  const TDialogProtocols& protocols = DialogProtocols();
  for (int32_t i = 0; i < TDialogProtocols::Count; ++i)
    text += (i ? ", " : "") + std::to_string(i) + " " + protocols[i]->Name;
  return text;
}

}  // namespace

std::vector<std::string> THeadlessSetup::HelpLines() {
  return {
      "settings                       the general setup's values",
      "set FIELD VALUE                change one and save (settings shows the fields)",
      "locos, solenoids               the device tables: address and protocol",
      "loco add ADDRESS PROTOCOL      add a loco (protocol 0-10 or its name, e.g. M2, N1a) and save",
      "loco delete ADDRESS            remove a loco and save",
      "solenoid add ADDRESS 0|1       add a solenoid (0 Marklin/ Motorola, 1 NMRA/DCC) and save",
      "solenoid delete ADDRESS        remove a solenoid and save",
  };
}

std::optional<TCommandAnswer> THeadlessSetup::Run(const std::vector<std::string>& Words) {
  if (Words.empty()) return std::nullopt;
  const std::string& verb = Words[0];
  if (verb == "settings" && Words.size() == 1) return Settings();
  if ((verb == "locos" || verb == "solenoids") && Words.size() == 1) return List(verb == "locos");
  if (verb == "set") {
    // The setup would write its own values back over this one.
    if (FBridge.GeneralSetupOpen()) return Refused(GeneralSetupOpenText);
    if (Words.size() < 3) return Refused("set takes a field and a value: set FIELD VALUE");
    std::string value = Words[2];
    for (std::size_t i = 3; i < Words.size(); ++i) value += " " + Words[i];
    return Set(Words[1], value);
  }
  if (verb == "loco" || verb == "solenoid") {
    const bool loco = verb == "loco";
    if (Words.size() == 4 && Words[1] == "add") return Add(loco, Words[2], Words[3]);
    if (Words.size() == 3 && Words[1] == "delete") return Delete(loco, Words[2]);
    return Refused(loco ? "loco takes: add ADDRESS PROTOCOL, or delete ADDRESS"
                        : "solenoid takes: add ADDRESS 0|1, or delete ADDRESS");
  }
  return std::nullopt;
}

TCommandAnswer THeadlessSetup::Settings() const {
  TGeneralSetupFields fields;
  try {
    fields = GeneralSetupFields(FBridge.Settings());
  } catch (const std::exception& Error) {
    return Refused(Error.what());
  }
  TCommandAnswer answer;
  for (const TFieldName& name : FieldNames) {
    const std::string value = name.Text ? fields.*name.Text : (fields.*name.Flag ? "on" : "off");
    answer.Lines.push_back(LabelOf(name) + ": " + value);
  }
  return answer;
}

TCommandAnswer THeadlessSetup::Set(const std::string& Name, const std::string& Value) {
  const auto found = std::find_if(FieldNames.begin(), FieldNames.end(),
                                  [&](const TFieldName& F) { return Name == F.Name; });
  if (found == FieldNames.end()) {
    std::string names;
    for (const TFieldName& name : FieldNames) names += std::string(names.empty() ? "" : ", ") + name.Name;
    return Refused("no setup field \"" + Name + "\" (" + names + ")");
  }
  TGeneralSetupFields fields;
  try {
    fields = GeneralSetupFields(FBridge.Settings());
  } catch (const std::exception& Error) {
    return Refused(Error.what());
  }
  if (found->Flag) {
    const auto on = Switch(Value);
    if (!on) return Refused(LabelOf(*found) + " takes on or off, not \"" + Value + "\"");
    fields.*found->Flag = *on;
  } else {
    if (const auto wrong = CheckSetupField(*found->Field, Value)) return Refused(*wrong);
    fields.*found->Text = Value;
  }
  const std::string done = LabelOf(*found) + " set to " + Value;
  try {
    FBridge.GeneralSetupSave(fields);
  } catch (const EGeneralSetupError& Error) {
    return Refused(Error.what());
  } catch (const std::exception& Error) {
    // The value is in force for this run; only the file is behind.
    return Refused(done + ", but " + Error.what());
  }
  return {{done + "; loco.dat saved"}};
}

TCommandAnswer THeadlessSetup::List(bool Locos) const {
  TCommandAnswer answer;
  if (Locos) {
    const TLocoTable& table = FBridge.LocoTable();
    for (int32_t i = 0; i < table.LocoCount(); ++i) {
      const TMoBaAdvancedLoco& loco = *table.LocoAt(i);
      answer.Lines.push_back(std::to_string(loco.Address()) + " " +
                             (loco.LocoProtocol() ? loco.LocoProtocol()->Name : "no protocol"));
    }
  } else {
    const TSolenoidTable& table = FBridge.SolenoidTable();
    for (int32_t i = 0; i < table.SolenoidCount(); ++i) {
      const TMoBaAdvancedSolenoid& solenoid = *table.SolenoidAt(i);
      answer.Lines.push_back(std::to_string(solenoid.Address()) + " " +
                             (solenoid.SolenoidProtocol() ? solenoid.SolenoidProtocol()->Name : "no protocol"));
    }
  }
  if (answer.Lines.empty()) answer.Lines.push_back(Locos ? "no locos" : "no solenoids");
  return answer;
}

TCommandAnswer THeadlessSetup::Add(bool Loco, const std::string& Address, const std::string& Protocol) {
  TEditedLocoTable locos(FBridge.LocoTable());
  TEditedSolenoidTable solenoids(FBridge.Store());
  TEditedTable& table = Loco ? static_cast<TEditedTable&>(locos) : static_cast<TEditedTable&>(solenoids);
  const int32_t item = Loco ? LocoItem(Protocol) : Number(Protocol, 1).value_or(-1);
  if (item < 0)
    return Refused(Loco ? "a loco protocol is 0-10 or its name (" + LocoChoices() + "), not \"" + Protocol + "\""
                        : "a solenoid protocol is 0 (Marklin/ Motorola) or 1 (NMRA/DCC), not \"" + Protocol + "\"");
  // The dialogs bring an address into the protocol's range; here a typed
  // address that would change is refused instead.
  const auto address = Number(Address, 99999);
  if (!address || *address < 1 || table.RuledAddress(item, *address) != *address)
    return Refused(std::string(Loco ? "Loco" : "Solenoid") + " address \"" + Address +
                   "\" is outside what the protocol allows (1 to " +
                   std::to_string(table.RuledAddress(item, 999999)) + ")");
  TDeviceEditor editor(table);
  editor.Open();
  editor.New();
  const TSaveOutcome outcome = editor.Save(item, Address);
  if (outcome.Result != TSaveResult::srSaved) return Refused(outcome.Message);
  return Saved(std::string(Loco ? "loco " : "solenoid ") + Address + " added");
}

TCommandAnswer THeadlessSetup::Delete(bool Loco, const std::string& Address) {
  TEditedLocoTable locos(FBridge.LocoTable());
  TEditedSolenoidTable solenoids(FBridge.Store());
  TEditedTable& table = Loco ? static_cast<TEditedTable&>(locos) : static_cast<TEditedTable&>(solenoids);
  const auto address = Number(Address, 99999);
  TDeviceEditor editor(table);
  if (!address || !editor.Select(*address))
    return Refused(std::string("no ") + (Loco ? "loco" : "solenoid") + " with address \"" + Address + "\"");
  editor.Delete();
  return Saved(std::string(Loco ? "loco " : "solenoid ") + Address + " deleted");
}

TCommandAnswer THeadlessSetup::Saved(std::string Done) {
  if (!FBridge.SaveStoreFile()) return Refused(Done + ", but loco.dat could not be saved");
  return {{Done + "; loco.dat saved"}};
}

}  // namespace tenvarra
