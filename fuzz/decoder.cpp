// Any byte stream the application may write, cut into writes of any size that
// arrive at any moment (while the decoder is at work, while a learning dialog
// is open, after the pairing window has run out but before their event), with
// contact reports from the server in between, and any switches and learning
// answers: the decoder and the engine must take every byte, never crash or
// trip a sanitizer, keep the S88 image to its 62 bytes, answer with whole
// feedback replies only, and carry out exactly what one read of the writes
// between two contact reports gives. A 32 that ends a read is a command of
// its own, so a write that ends with 32 takes the next byte along.
//
// Input: byte 0 sets the switches and learning answers (bits 0-6), and
// whether the pairing window runs out before the event of bytes that come
// while a first byte waits (bit 7); then records, each either a contact
// report (head bit 7 set: bit 0 active, then two bytes of contact number,
// offset so that numbers below 1 occur) or a write (head bits 0-4: length -
// 1; bits 5-6: 0 when it comes with an event of its own, else at the 1st,
// 2nd or 3rd time the decoder asks the port for its count once it is the
// next write, or during a dialog; then the bytes).

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "emulation/LinePort.h"
#include "emulation/TestHost.h"

namespace {

using namespace tenvarra;
using TBytes = std::vector<uint8_t>;

std::array<uint8_t, TS88Image::ByteCount> Image(const TTenvarra& Engine) {
  std::array<uint8_t, TS88Image::ByteCount> bytes{};
  for (int32_t i = 0; i < TS88Image::ByteCount; ++i) bytes[static_cast<std::size_t>(i)] = Engine.S88Byte(i);
  return bytes;
}

void Check(bool Holds) {
  if (!Holds) std::abort();
}

// The test host, but it writes what it sees as lines of one text that keeps
// its memory from input to input, instead of a string of its own per line
// made and freed with every input.
class TTrailHost : public test::TTestHost {
public:
  std::string Trail;

  void Reset() {
    TTestHost::Reset();
    Trail.clear();
  }
  void WriteLog(std::string_view Text) override { Add("log ", Text); }
  void WriteScreen(std::string_view Text) override { Add("screen ", Text); }

protected:
  void Record(std::string_view Call) override { Add(Port->HandshakeLine() ? "call, line up: " : "call: ", Call); }

private:
  void Add(const char* Kind, std::string_view Text) { Trail.append(Kind).append(Text).push_back('\n'); }
};

// Made once per process and reset after each input: making them took most
// of the time. Each input frees what it allocated, so the fuzzer sees no leak.
using TLineEmulation = test::TBasicEmulation<test::TLinePort, test::TManualLoop, TTrailHost>;

struct TRuns {
  TLineEmulation Whole;  // the writes between two contact reports in one read
  TLineEmulation Split;  // as the input cuts and times them
  // The writes since the last contact report: their bytes, where each ends,
  // and when each comes (see above).
  std::vector<uint8_t> Stream;
  std::vector<std::size_t> Ends;
  std::vector<int> Delays;
  // How often the decoder has asked since the next write became the next.
  std::size_t AskedFor = 0;
  int Asked = 0;

  void Play(bool WindowFirst) {
    // A read that ends with 32 is a command of its own: such a cut moves on.
    for (std::size_t i = 0; i + 1 < Ends.size();) {
      if (Stream[Ends[i] - 1] != TCommandDecoder::SolenoidOff) {
        ++i;
      } else if (++Ends[i] == Ends[i + 1]) {
        Ends.erase(Ends.begin() + static_cast<std::ptrdiff_t>(i) + 1);
        Delays.erase(Delays.begin() + static_cast<std::ptrdiff_t>(i) + 1);
      }
    }
    Whole.Port.Write(Stream.data(), Stream.size());
    Whole.Port.Arrive();
    Whole.Port.Deliver();
    for (std::size_t i = 0, start = 0; i < Ends.size(); start = Ends[i++])
      Split.Port.Write(Stream.data() + start, Ends[i] - start);
    test::PlayWrites(Split.Port, Split.Loop, [&] { return WindowFirst; });
    Check(Whole.Port.Unread() == 0 && Split.Port.Unread() == 0);
    Check(Whole.Port.Written().size() % 2 == 0);  // two bytes per module read
    Check(Split.Port.Written() == Whole.Port.Written());
    Whole.Port.ClearWritten(), Split.Port.ClearWritten();
    Stream.clear(), Ends.clear(), Delays.clear();
  }
  // How the next write to reach Split's line comes; 0 with its own event.
  int NextDelay() const { return Split.Port.Waiting() > 0 ? Delays[Delays.size() - Split.Port.Waiting()] : 0; }
  // Whether the next write comes now that the decoder asks for the count.
  bool ArrivesWhenAsked() {
    const std::size_t next = Delays.size() - Split.Port.Waiting();
    if (next != AskedFor) AskedFor = next, Asked = 0;
    return NextDelay() != 0 && ++Asked >= NextDelay();
  }
};

}  // namespace

// The allocation stacks ASan keeps and its 256 MB quarantine of freed memory
// (fresh pages all the time) cost about a quarter of the time of an input,
// though an input allocates little more than the devices it learns.
// A report still says what went wrong where; run the input again with
// ASAN_OPTIONS=malloc_context_size=30 for the stacks of the allocation and
// the release. A use after release within the last 16 MB freed is still found.
extern "C" const char* __asan_default_options() { return "malloc_context_size=0:quarantine_size_mb=16"; }

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  if (Size == 0) return 0;
  static TRuns runs;
  for (test::TTestHost* host : {&runs.Whole.Host, &runs.Split.Host}) {
    host->Handshake = Data[0] & 1;
    host->Log = Data[0] & 2;
    host->Learning = Data[0] & 4;
    host->LocoAnswer = (Data[0] >> 3 & 15) % 12 - 1;  // -1 cancels
    host->SolenoidAnswer = (Data[0] >> 3 & 15) % 3 - 1;
  }
  const bool windowFirst = Data[0] & 0x80;
  runs.Split.Port.ArriveWhenAsked = [] { return runs.ArrivesWhenAsked(); };
  // The dialog's loop runs the port's event for what comes meanwhile.
  runs.Split.Host.WhileLearning = [] {
    if (runs.NextDelay() != 0 && runs.Split.Port.Arrive()) runs.Split.Port.Deliver();
  };

  TTenvarra& engine = runs.Whole.Engine;
  for (size_t i = 1; i < Size;) {
    const uint8_t head = Data[i++];
    if (head & 0x80) {
      if (Size - i < 2) break;
      const int32_t contact = (Data[i] << 8 | Data[i + 1]) - 1000;
      i += 2;
      runs.Play(windowFirst);
      const auto before = Image(engine);
      engine.SetContact(contact, head & 1);
      runs.Split.Engine.SetContact(contact, head & 1);
      auto after = Image(engine);
      if (contact >= 1 && contact <= TS88Image::ContactCount) {
        const auto index = static_cast<std::size_t>((contact - 1) / 8);
        const auto mask = static_cast<uint8_t>(0x80u >> ((contact - 1) % 8));
        Check(((after[index] & mask) != 0) == ((head & 1) != 0));
        after[index] = static_cast<uint8_t>((after[index] & ~mask) | (before[index] & mask));
      }
      Check(after == before);  // nothing but the contact's own bit changes
    } else {
      const size_t count = std::min<size_t>((head & 0x1f) + 1u, Size - i);
      if (count == 0) break;
      runs.Stream.insert(runs.Stream.end(), Data + i, Data + i + count);
      runs.Ends.push_back(runs.Stream.size());
      runs.Delays.push_back(head >> 5 & 3);
      i += count;
    }
  }
  runs.Play(windowFirst);
  Check(runs.Split.Host.Trail == runs.Whole.Host.Trail);
  Check(runs.Split.Port.HandshakeChanges() == runs.Whole.Port.HandshakeChanges());
  Check(engine.S88Byte(-1) == 0 && engine.S88Byte(TS88Image::ByteCount) == 0);
  runs.Whole.Reset();
  runs.Split.Reset();
  return 0;
}
