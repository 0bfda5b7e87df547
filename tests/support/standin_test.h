// Base fixture for tests against the stand-in machine: every test starts from
// an empty machine.
#pragma once

#include <gtest/gtest.h>

#include "platform/standin/machine.h"

namespace quorvex::testing {

class StandinTest : public ::testing::Test {
 protected:
  StandinTest() { standin::ResetMachine(); }
  standin::Machine& machine() { return standin::TheMachine(); }
  const standin::CallLog& calls() { return standin::TheMachine().calls; }
  const standin::Resources& resources() { return standin::TheMachine().resources; }
};

}  // namespace quorvex::testing
