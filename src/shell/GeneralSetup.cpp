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

std::string Named(TSetupField Field, const std::string& What) {
  return std::string(SetupFieldLabel(Field)) + ": " + What;
}

struct TNumberRule {
  TSetupField Field;
  std::string TGeneralSetupFields::*Text;
  int32_t Min;
  int32_t Max;
};

// Every number field, in the order they are taken back.
constexpr std::array<TNumberRule, 10> NumberRules{{
    {TSetupField::Port, &TGeneralSetupFields::Port, 1, 65535},
    {TSetupField::ActivationTime, &TGeneralSetupFields::ActivationTime, 0, INT32_MAX},
    {TSetupField::MMGLBus, &TGeneralSetupFields::MMGLBus, 1, SetupBusMax},
    {TSetupField::NMRAGLSBus, &TGeneralSetupFields::NMRAGLSBus, 1, SetupBusMax},
    {TSetupField::NMRAGLLBus, &TGeneralSetupFields::NMRAGLLBus, 1, SetupBusMax},
    {TSetupField::MMGABus, &TGeneralSetupFields::MMGABus, 1, SetupBusMax},
    {TSetupField::NMRAGABus, &TGeneralSetupFields::NMRAGABus, 1, SetupBusMax},
    {TSetupField::S88Bus, &TGeneralSetupFields::S88Bus, 1, SetupBusMax},
    {TSetupField::PowerBus, &TGeneralSetupFields::PowerBus, 1, SetupBusMax},
    // The feedback image has 31 modules.
    {TSetupField::S88Modules, &TGeneralSetupFields::S88Modules, 0, 31},
}};

const TNumberRule* RuleOf(TSetupField Field) {
  for (const TNumberRule& rule : NumberRules)
    if (rule.Field == Field) return &rule;
  return nullptr;
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
      throw EGeneralSetupError(bus.Field, Named(bus.Field, "the bus number " + std::to_string(number) +
                                                              " is not within " +
                                                              RangeText(SetupBusMin, SetupBusMax)));
    f.*bus.Text = std::to_string(number);
  }
  f.WriteLogFile = Settings.WriteLogFile;
  f.LearningMode = Settings.LearningMode;
  f.S88Modules = std::to_string(Settings.S88Modules);
  f.SerialHandshake = Settings.SerialHandshake;
  return f;
}

std::optional<std::string> CheckSetupField(TSetupField Field, std::string_view Text) {
  if (Field == TSetupField::Host) {
    for (const char c : Text)
      if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
        return Named(Field, "a host name must not contain control characters");
    return std::nullopt;
  }
  const TNumberRule& rule = *RuleOf(Field);
  const std::string allowed = RangeText(rule.Min, rule.Max);
  int32_t value = 0;
  try {
    value = IntegerOfTrimmedText(Text);
  } catch (const EConvertError&) {
    return Named(Field, Quoted(Text) + " is not a whole number within " + allowed);
  }
  if (value < rule.Min || value > rule.Max)
    return Named(Field, std::to_string(value) + " is not within " + allowed);
  return std::nullopt;
}

std::optional<TSetupFieldError> CheckGeneralSetup(const TGeneralSetupFields& Fields) {
  if (auto message = CheckSetupField(TSetupField::Host, Fields.Host))
    return TSetupFieldError{TSetupField::Host, *message};
  for (const TNumberRule& rule : NumberRules)
    if (auto message = CheckSetupField(rule.Field, Fields.*rule.Text))
      return TSetupFieldError{rule.Field, *message};
  return std::nullopt;
}

void ApplyGeneralSetup(const TGeneralSetupFields& Fields, TSettings& Settings) {
  if (const auto error = CheckGeneralSetup(Fields)) throw EGeneralSetupError(error->Field, error->Message);
  const auto value = [&Fields](TSetupField Field) {
    return IntegerOfTrimmedText(Fields.*RuleOf(Field)->Text);
  };
  Settings.Host = Fields.Host;
  Settings.Port = value(TSetupField::Port);
  Settings.ActivationTime = static_cast<uint32_t>(value(TSetupField::ActivationTime));
  for (const TBusField& bus : BusFields) Settings.*bus.Bus = value(bus.Field);
  Settings.WriteLogFile = Fields.WriteLogFile;
  Settings.LearningMode = Fields.LearningMode;
  Settings.S88Modules = value(TSetupField::S88Modules);
  Settings.SerialHandshake = Fields.SerialHandshake;
}

}  // namespace tenvarra
