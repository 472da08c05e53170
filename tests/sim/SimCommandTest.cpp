// Each device group's commands on a command session: the reply to each, and
// the information lines the information session gets for them.

#include "SimFixture.h"

namespace tenvarra::test {
namespace {

using SimCommands = TSimTest;

TEST_F(SimCommands, Power) {
  Run({
      {"SET 1 POWER ON", Ok, {"100 INFO 1 POWER ON"}},
      {"SET 1 POWER ON  because\ttests", Ok, {"100 INFO 1 POWER ON"}},  // reported again
      {"GET\t1 POWER", "100 INFO 1 POWER ON", {}},
      {"CHECK 4 POWER ON", Ok, {}},
      {"GET 4 POWER", "100 INFO 4 POWER OFF", {}},
      {"INIT 7 POWER", Ok, {"101 INFO 7 POWER"}},
      {"TERM 7 POWER", Ok, {"102 INFO 7 POWER"}},
      {"SET 4 POWER MAYBE", UnknownValue, {}},
      {"SET 4 POWER on", UnknownValue, {}},
      {"GET 4 POWER 1", TooLong, {}},
      {"GET 0 POWER", BadGroup, {}},
      {"GET 9 POWER", WrongValue, {}},
  });
}

TEST_F(SimCommands, Locos) {
  Run({
      {"GET 1 GL 24", NoData, {}},
      {"SET 1 GL 24 1 5 14 1", NoData, {}},
      {"INIT 1 GL 24 M 2 14 5", Ok, {"101 INFO 1 GL 24 M 2 14 5"}},
      {"GET 1 GL 24", "100 INFO 1 GL 24 1 0 14 0 0 0 0 0", {}},
      {"SET 1 GL 24 1 50 100 1 0 0 0 0", Ok, {"100 INFO 1 GL 24 1 50 100 1 0 0 0 0"}},
      // Fewer function values keep the others; an emergency stop reports speed 0.
      {"SET 1 GL 24 0 7 14 0 1", Ok, {"100 INFO 1 GL 24 0 7 14 0 1 0 0 0"}},
      {"SET 1 GL 24 2 7 14 0", Ok, {"100 INFO 1 GL 24 2 0 14 0 1 0 0 0"}},
      {"CHECK 1 GL 24 1 3 14 1", Ok, {}},
      {"GET 1 GL 24", "100 INFO 1 GL 24 2 0 14 0 1 0 0 0", {}},
      {"GET 1 DESCRIPTION GL 24", "101 INFO 1 GL 24 M 2 14 5", {}},
      {"SET 1 GL 24 1 15 14 0", WrongValue, {}},  // above V_max
      {"SET 1 GL 24 = 5 14 0", WrongValue, {}},
      {"SET 1 GL 24 1 5 14 2", WrongValue, {}},
      {"SET 1 GL 24 1 5 14 0 0 0 0 0 1", TooLong, {}},  // six values, five functions
      {"SET 1 GL 24 1 5", TooShort, {}},
      {"INIT 1 GL 3 2147483647 255", BadProtocol, {}},  // a loco without protocol
      {"INIT 1 GL 3 N 1 14 5", BadProtocol, {}},        // not on the Motorola bus
      {"INIT 1 GL 3 M 3 14 5", WrongValue, {}},
      {"INIT 1 GL 256 M 2 14 5", WrongValue, {}},
      {"INIT 1 GL 3 M 2 14", TooShort, {}},
      {"INIT 3 GL 300 P 128 5 1", TooLong, {}},
      {"INIT 1 GL 5 M 2 1 5", Ok, {"101 INFO 1 GL 5 M 2 1 5"}},  // a function decoder
      // A loco without functions is sent none, and reported with f0 0.
      {"INIT 2 GL 75 N 1 14 0", Ok, {"101 INFO 2 GL 75 N 1 14 0"}},
      {"SET 2 GL 75 1 64 100", Ok, {"100 INFO 2 GL 75 1 64 100 0"}},
      {"SET 2 GL 75 1 64 100 1", TooLong, {}},
      {"INIT 3 GL 10239 N 2 128 5", Ok, {"101 INFO 3 GL 10239 N 2 128 5"}},
      {"INIT 3 GL 300 P 128 5", Ok, {"101 INFO 3 GL 300 P 128 5"}},
      {"INIT 3 GL 300 N 1 28 2", Ok, {"101 INFO 3 GL 300 N 1 28 2"}},  // again: the new data
      {"TERM 1 GL 24", Ok, {"102 INFO 1 GL 24"}},
      {"TERM 1 GL 24", NoData, {}},
      {"GET 1 DESCRIPTION GL 24", NoData, {}},
      {"VERIFY 1 GL 5", BadOperation, {}},
      {"GET 1 gl 5", BadGroup, {}},
      {"GET 5 GL 5", BadGroup, {}},
  });
}

TEST_F(SimCommands, Accessories) {
  Run({
      {"SET 5 GA 12 0 1 -1", NoData, {}},
      {"INIT 5 GA 12 M", Ok, {"101 INFO 5 GA 12 M"}},
      {"GET 5 GA 12 0", "100 INFO 5 GA 12 0 0", {}},  // never set: off
      {"SET 5 GA 12 1 1 -1", Ok, {"100 INFO 5 GA 12 1 1"}},
      {"CHECK 5 GA 12 0 1 200", Ok, {}},
      {"GET 5 GA 12 1", "100 INFO 5 GA 12 1 1", {}},
      {"GET 5 GA 12 0", "100 INFO 5 GA 12 0 0", {}},  // ports are independent
      {"SET 5 GA 12 2 1 -1", WrongValue, {}},
      {"SET 5 GA 12 0 2 -1", WrongValue, {}},
      {"SET 5 GA 12 0 1 -2", WrongValue, {}},
      {"INIT 5 GA 13 N", BadProtocol, {}},
      {"INIT 5 GA 325 M", WrongValue, {}},
      {"INIT 6 GA 4096 N", Ok, {"101 INFO 6 GA 4096 N"}},
      {"INIT 6 GA 4097 N", WrongValue, {}},
      {"GET 6 DESCRIPTION GA 4096", "101 INFO 6 GA 4096 N", {}},
      {"INIT 5 GA 12 P", Ok, {"101 INFO 5 GA 12 P"}},  // afresh: ports off
      {"GET 5 GA 12 1", "100 INFO 5 GA 12 1 0", {}},
      {"TERM 5 GA 12", Ok, {"102 INFO 5 GA 12"}},
      {"GET 5 GA 12 0", NoData, {}},
  });
}

TEST_F(SimCommands, FeedbackContacts) {
  Run({
      {"INIT 8 FB S88 LPT1 8", Ok, {"101 INFO 8 FB"}},
      {"INIT 8 FB S88 LPT1 8", Ok, {"101 INFO 8 FB"}},  // again: no 424
      {"GET 8 FB 17", "100 INFO 8 FB 17 0", {}},
      {"SET 8 FB 17 1", Ok, {"100 INFO 8 FB 17 1"}},
      {"SET 8 FB 17 1", Ok, {}},  // no change, no report
      {"GET 8 FB 17", "100 INFO 8 FB 17 1", {}},
      {"GET 8 FB 497", NoData, {}},
      {"SET 8 FB 497 1", WrongValue, {}},
      {"SET 8 FB 1 2", WrongValue, {}},
      {"WAIT 8 FB 1 1 1", BadOperation, {}},
      {"TERM 8 FB", Ok, {"102 INFO 8 FB"}},
  });
}

TEST_F(SimCommands, ServerBus) {
  Run({
      {"GET 0 DESCRIPTION", "100 INFO 0 DESCRIPTION SESSION SERVER TIME", {}},
      {"GET 8 DESCRIPTION", "100 INFO 8 DESCRIPTION FB POWER", {}},
      {"GET 9 DESCRIPTION", WrongValue, {}},
      {"GET 1 DESCRIPTION GL", TooShort, {}},
      {"GET 1 DESCRIPTION GA 1", BadGroup, {}},
      {"GET 8 DESCRIPTION FB 1", BadOperation, {}},
      {"GET 0 SERVER", "100 INFO 0 SERVER RUNNING", {}},
      {"TERM 0 SERVER", Forbidden, {}},
      {"GET 0 SESSION 2", "100 INFO 0 SESSION 2 INFO", {}},
      {"GET 0 SESSION 3", NoData, {}},
      {"GET 0 TIME", NoData, {}},
      {"SET 0 TIME 2460000 12 30 0", NoData, {}},
      {"WAIT 0 TIME 2460000 12 30 0", NoData, {}},
      {"INIT 0 TIME 1 0", WrongValue, {}},
      {"INIT 0 TIME 0 1", Ok, {"101 INFO 0 TIME 0 1", "100 INFO 0 TIME *"}},  // a standing clock
      {"SET 0 TIME 2460000 12 30 5", Ok, {"100 INFO 0 TIME 2460000 12 30 5"}},
      {"GET 0 TIME", "100 INFO 0 TIME 2460000 12 30 5", {}},
      {"WAIT 0 TIME 2460000 12 30 0", NoData, {}},  // the clock stands still
      {"WAIT 0 TIME 2460000 12 60 0", WrongValue, {}},
      {"SET 0 TIME 2460000 24 0 0", WrongValue, {}},
      {"CHECK 0 TIME 2460001 0 0 0", Ok, {}},
      {"TERM 0 TIME", Ok, {"102 INFO 0 TIME"}},
      {"GET 0 SM 1", BadGroup, {}},
      {"GET 1 LOCK GL 1", BadGroup, {}},
      {"FOO 1 POWER", UnknownCommand, {}},
      {"GO", UnknownCommand, {}},
      {"SET PROTOCOL SRCP 0.8.2", UnknownCommand, {}},
      {"GET 1", TooShort, {}},
      {"GET x POWER", WrongValue, {}},
  });
}

TEST_F(SimCommands, ResetTakesTheLayoutBackToItsStart) {
  Run({
      {"INIT 0 TIME 0 1", Ok, {"101 INFO 0 TIME 0 1", "100 INFO 0 TIME *"}},
      {"INIT 2 GL 7 N 1 14 1", Ok, {"101 INFO 2 GL 7 N 1 14 1"}},
      {"INIT 6 GA 9 N", Ok, {"101 INFO 6 GA 9 N"}},
      {"SET 4 POWER ON", Ok, {"100 INFO 4 POWER ON"}},
      {"SET 8 FB 3 1", Ok, {"100 INFO 8 FB 3 1"}},
      {"RESET 0 SERVER", Ok,
       {"100 INFO 0 SERVER RESETTING", "102 INFO 2 GL 7", "100 INFO 4 POWER OFF", "102 INFO 6 GA 9",
        "100 INFO 8 FB 3 0", "102 INFO 0 TIME", "100 INFO 0 SERVER RUNNING"}},
      {"GET 2 GL 7", NoData, {}},
  });
}

}  // namespace
}  // namespace tenvarra::test
