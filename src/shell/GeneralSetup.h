#pragma once
// The general setup's values as the person edits them: texts and check states,
// filled from the settings and taken back into them. Kept apart from any
// widget so that every front end takes the values back by the same rules.

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

#include "shell/Settings.h"

namespace tenvarra {

// The fields that hold a value, in the order they are taken back.
enum class TSetupField {
  Host,
  Port,
  ActivationTime,
  MMGLBus,
  NMRAGLSBus,
  NMRAGLLBus,
  MMGABus,
  NMRAGABus,
  S88Bus,
  PowerBus,
  S88Modules,
};

// The label the setup shows beside a field, for messages.
const char* SetupFieldLabel(TSetupField Field);

// Named after the settings they edit.
struct TGeneralSetupFields {
  std::string Host;
  std::string Port;
  std::string ActivationTime;
  std::string MMGLBus;
  std::string NMRAGLSBus;
  std::string NMRAGLLBus;
  std::string MMGABus;
  std::string NMRAGABus;
  std::string S88Bus;
  std::string PowerBus;
  bool WriteLogFile = false;
  bool LearningMode = false;
  std::string S88Modules;
  bool SerialHandshake = false;

  bool operator==(const TGeneralSetupFields&) const = default;
};

// A text that is not an integer, or an integer outside what its value allows.
class EConvertError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

// A field the general setup refuses; the message names the field and its value.
class EGeneralSetupError : public std::runtime_error {
public:
  EGeneralSetupError(TSetupField Field, const std::string& What);
  TSetupField Field() const { return FField; }

private:
  TSetupField FField;
};

// Leading blanks, an optional sign and decimal digits that fit 32 bits;
// anything else, trailing blanks included, throws EConvertError.
int32_t IntegerOfText(std::string_view Text);
// The same after removing blanks at both ends.
int32_t IntegerOfTrimmedText(std::string_view Text);

// Bus numbers the setup edits with up-down buttons, whose position is 16 bits.
inline constexpr int32_t SetupBusMin = -32768;
inline constexpr int32_t SetupBusMax = 32767;

// The fields as the settings fill them, numbers in decimal. A bus number that
// an up-down position cannot hold throws EGeneralSetupError: the setup then
// does not open.
TGeneralSetupFields GeneralSetupFields(const TSettings& Settings);

// Takes the fields back in this order: Host, Port, ActivationTime, the seven
// bus numbers, WriteLogFile, LearningMode, S88Modules, SerialHandshake. The
// first field that is refused throws EGeneralSetupError; the fields before it
// have been taken over, the rest keep their values. Refused: a host name with
// control characters (it would break loco.dat's lines), a number text that is
// not an integer, a negative activation time and a bus number outside
// SetupBusMin .. SetupBusMax (the setup could not be opened again).
void ApplyGeneralSetup(const TGeneralSetupFields& Fields, TSettings& Settings);

}  // namespace tenvarra
