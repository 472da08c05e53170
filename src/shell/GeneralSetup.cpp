#include "shell/GeneralSetup.h"

#include <array>
#include <charconv>
#include <cstdint>

namespace tenvarra {

namespace {

struct TBusField {
  TSetupField Field;
  std::string TGeneralSetupFields::*Text;
  int32_t TSettings::*Bus;
};

// In the order they are taken back.
constexpr std::array<TBusField, 7> BusFields{{
    {TSetupField::MMGLBus, &TGeneralSetupFields::MMGLBus, &TSettings::MMGLBus},
    {TSetupField::NMRAGLSBus, &TGeneralSetupFields::NMRAGLSBus, &TSettings::NMRAGLSBus},
    {TSetupField::NMRAGLLBus, &TGeneralSetupFields::NMRAGLLBus, &TSettings::NMRAGLLBus},
    {TSetupField::MMGABus, &TGeneralSetupFields::MMGABus, &TSettings::MMGABus},
    {TSetupField::NMRAGABus, &TGeneralSetupFields::NMRAGABus, &TSettings::NMRAGABus},
    {TSetupField::S88Bus, &TGeneralSetupFields::S88Bus, &TSettings::S88Bus},
    {TSetupField::PowerBus, &TGeneralSetupFields::PowerBus, &TSettings::PowerBus},
}};

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string Quoted(std::string_view Text) { return "'" + std::string(Text) + "'"; }

std::string RangeText(int32_t Min, int32_t Max) {
  return std::to_string(Min) + " .. " + std::to_string(Max);
}

// The field's text as an integer; a conversion error names the field.
int32_t FieldInteger(TSetupField Field, std::string_view Text, bool Trim) {
  try {
    return Trim ? IntegerOfTrimmedText(Text) : IntegerOfText(Text);
  } catch (const EConvertError& e) {
    throw EGeneralSetupError(Field, e.what());
  }
}

int32_t FieldInRange(TSetupField Field, std::string_view Text, int32_t Min, int32_t Max) {
  const int32_t value = FieldInteger(Field, Text, false);
  if (value < Min || value > Max)
    throw EGeneralSetupError(Field,
                             std::to_string(value) + " is not within " + RangeText(Min, Max));
  return value;
}

}  // namespace

const char* SetupFieldLabel(TSetupField Field) {
  switch (Field) {
    case TSetupField::Host: return "Server";
    case TSetupField::Port: return "Port";
    case TSetupField::ActivationTime: return "Sol activation time";
    case TSetupField::MMGLBus: return "Marklin/Motorola loco decoders";
    case TSetupField::NMRAGLSBus: return "NMRA/DCC loco decoders with short address";
    case TSetupField::NMRAGLLBus: return "NMRA/DCC loco decoders with long address";
    case TSetupField::MMGABus: return "Marklin/Motorola solenoid decoders";
    case TSetupField::NMRAGABus: return "NMRA/DCC solenoid decoders";
    case TSetupField::S88Bus: return "S88 feedback";
    case TSetupField::PowerBus: return "Power";
    case TSetupField::S88Modules: return "Number of S88 modules";
  }
  return "";
}

EGeneralSetupError::EGeneralSetupError(TSetupField Field, const std::string& What)
    : std::runtime_error(std::string(SetupFieldLabel(Field)) + ": " + What), FField(Field) {}

int32_t IntegerOfText(std::string_view Text) {
  std::string_view rest = Text;
  while (!rest.empty() && IsBlank(rest.front())) rest.remove_prefix(1);
  // from_chars takes a minus but no plus.
  const bool plus = !rest.empty() && rest.front() == '+';
  if (plus) rest.remove_prefix(1);
  int32_t value = 0;
  const char* end = rest.data() + rest.size();
  const auto [ptr, ec] = std::from_chars(rest.data(), end, value);
  const bool signTwice = plus && !rest.empty() && rest.front() == '-';
  if (rest.empty() || ec != std::errc() || ptr != end || signTwice)
    throw EConvertError(Quoted(Text) + " is not a valid integer value");
  return value;
}

int32_t IntegerOfTrimmedText(std::string_view Text) {
  std::string_view rest = Text;
  while (!rest.empty() && IsBlank(rest.front())) rest.remove_prefix(1);
  while (!rest.empty() && IsBlank(rest.back())) rest.remove_suffix(1);
  return IntegerOfText(rest);
}

TGeneralSetupFields GeneralSetupFields(const TSettings& Settings) {
  TGeneralSetupFields f;
  f.Host = Settings.Host;
  f.Port = std::to_string(Settings.Port);
  f.ActivationTime = std::to_string(Settings.ActivationTime);
  for (const TBusField& bus : BusFields) {
    const int32_t number = Settings.*bus.Bus;
    if (number < SetupBusMin || number > SetupBusMax)
      throw EGeneralSetupError(bus.Field, "the bus number " + std::to_string(number) +
                                              " is not within " +
                                              RangeText(SetupBusMin, SetupBusMax));
    f.*bus.Text = std::to_string(number);
  }
  f.WriteLogFile = Settings.WriteLogFile;
  f.LearningMode = Settings.LearningMode;
  f.S88Modules = std::to_string(Settings.S88Modules);
  f.SerialHandshake = Settings.SerialHandshake;
  return f;
}

void ApplyGeneralSetup(const TGeneralSetupFields& Fields, TSettings& Settings) {
  for (const char c : Fields.Host)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
      throw EGeneralSetupError(TSetupField::Host,
                               "a host name must not contain control characters");
  Settings.Host = Fields.Host;
  Settings.Port = FieldInteger(TSetupField::Port, Fields.Port, false);
  Settings.ActivationTime = static_cast<uint32_t>(
      FieldInRange(TSetupField::ActivationTime, Fields.ActivationTime, 0, INT32_MAX));
  for (const TBusField& bus : BusFields)
    Settings.*bus.Bus = FieldInRange(bus.Field, Fields.*bus.Text, SetupBusMin, SetupBusMax);
  Settings.WriteLogFile = Fields.WriteLogFile;
  Settings.LearningMode = Fields.LearningMode;
  Settings.S88Modules = FieldInteger(TSetupField::S88Modules, Fields.S88Modules, true);
  Settings.SerialHandshake = Fields.SerialHandshake;
}

}  // namespace tenvarra
