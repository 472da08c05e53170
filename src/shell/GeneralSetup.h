#pragma once
// The general setup's values as the person edits them: texts and check states,
// filled from the settings and taken back into them. Kept apart from any
// widget so that every front end takes the values back by the same rules.

#include <cstdint>
#include <optional>
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

// A field the general setup refuses; the message names the field and what it allows.
class EGeneralSetupError : public std::runtime_error {
public:
  EGeneralSetupError(TSetupField Field, const std::string& Message)
      : std::runtime_error(Message), FField(Field) {}
  TSetupField Field() const { return FField; }

private:
  TSetupField FField;
};

// Leading blanks, an optional sign and decimal digits that fit 32 bits;
// anything else, trailing blanks included, throws EConvertError.
int32_t IntegerOfText(std::string_view Text);
// The same after removing blanks at both ends.
int32_t IntegerOfTrimmedText(std::string_view Text);

// Bus numbers the setup edits with up-down buttons, whose position is 16 bits:
// one outside this range keeps the setup from opening.
inline constexpr int32_t SetupBusMin = -32768;
inline constexpr int32_t SetupBusMax = 32767;

// The fields as the settings fill them, numbers in decimal. A bus number that
// an up-down position cannot hold throws EGeneralSetupError: the setup then
// does not open.
TGeneralSetupFields GeneralSetupFields(const TSettings& Settings);

// Checks the text of one field as the setup takes it back: none when it is
// good, else a message that names the field and what it allows. Allowed: a
// host name without control characters (they would break loco.dat's lines),
// server port 1 .. 65535, activation time 0 and up, bus numbers 1 ..
// SetupBusMax, S88 modules 0 .. 31 (blanks at both ends do not count).
std::optional<std::string> CheckSetupField(TSetupField Field, std::string_view Text);

struct TSetupFieldError {
  TSetupField Field;
  std::string Message;
};
// The first field that CheckSetupField refuses, in the order they are taken back.
std::optional<TSetupFieldError> CheckGeneralSetup(const TGeneralSetupFields& Fields);

// Takes every field back when each one is good; otherwise throws
// EGeneralSetupError for the first bad field and changes nothing.
void ApplyGeneralSetup(const TGeneralSetupFields& Fields, TSettings& Settings);

}  // namespace tenvarra
