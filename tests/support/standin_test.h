// Base fixture for tests against the stand-in machine: every test starts from
// an empty machine and an empty record, and ends by checking that every file,
// key and device set it was handed was released exactly once.
#pragma once

#include <gtest/gtest.h>

#include "standin/model/machine.h"
#include "standin/recorder/recorder.h"

namespace quorvex::testing {

class StandinTest : public ::testing::Test {
 protected:
  StandinTest() { Reset(); }
  void TearDown() override { EXPECT_TRUE(resources().AllReleased()); }

  static void Reset() {
    standin::ResetMachine();
    standin::ResetRecorder();
  }
  standin::Machine& machine() { return standin::TheMachine(); }
  const standin::CallLog& calls() { return standin::TheRecorder().calls; }
  standin::Resources& resources() { return standin::TheRecorder().resources; }
  standin::Faults& faults() { return standin::TheRecorder().faults; }
};

}  // namespace quorvex::testing
