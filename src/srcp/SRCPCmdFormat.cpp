// Formatting of TSRCPCmd: the line is built from the message's syntax row,
// with fixed shapes for error lines and a bare OK.

#include "srcp/SRCPCmd.h"

namespace tenvarra {

void TSRCPCmd::AddErrorLine(TSRCPString& Builder) {
  if (IsAnswer) Builder.AddTimestamp(Timestamp);
  // The table's code, not the Code field: the line must match its text.
  Builder.AddInt(KindToCode(FKind, FVersion));
  Builder.Add("ERROR");
  Builder.Add(KindText(FKind));
}

void TSRCPCmd::FormatParam(TSRCPParamKind Kind, TSRCPString& Builder) {
  TSRCPBaseDevice* device = Devices(FGroup);
  switch (Kind) {
    case pkTime: Builder.AddTimestamp(Timestamp); break;
    case pkCode: Builder.AddInt(Code); break;
    case pkWord:
    case pkWord2: Builder.Add(KindWord(FKind)); break;
    case pkGroup: Builder.Add(GroupName(FGroup)); break;
    case pkBus: Builder.AddInt(Bus); break;
    case pkDeviceText:
      if (device) {
        std::string text;
        device->GetText(text);
        Builder.Add(text);
      }
      break;
    case pkInitWord: Builder.Add("INIT"); break;
    case pkTermWord: Builder.Add("TERM"); break;
    case pkText:
      Builder.Add(Text);
      if (device) device->FormatParam(Kind, Builder);
      break;
    default:
      if (device) device->FormatParam(Kind, Builder);
  }
}

void TSRCPCmd::Format(std::string& Line) {
  TSRCPString builder;
  for (auto& device : FDevices) device->BeginLine();
  if (IsError()) {
    AddErrorLine(builder);
  } else if (FKind == mkOk) {
    if (IsAnswer) builder.AddTimestamp(Timestamp);
    builder.AddInt(Code);
    builder.Add("OK");
    builder.Add(KindText(mkOk));
  } else {
    FParamIndex = 0;
    if (FRow) {
      for (TSRCPParamKind kind = NextParam(); kind != pkNone; kind = NextParam())
        FormatParam(kind, builder);
    } else {
      // Nothing defines this line; say so instead of sending a guess.
      FKind = mkErrInternal;
      AddErrorLine(builder);
    }
  }
  Line = std::move(builder.Value);
}

std::string TSRCPCmd::Format() {
  std::string line;
  Format(line);
  return line;
}

}  // namespace tenvarra
