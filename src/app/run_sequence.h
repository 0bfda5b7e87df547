// The run sequence's phases, shared by the report and the record.
#pragma once

namespace quorvex {

// The three phases in their fixed order, in whichever form was chosen.
void RunPhases();

}  // namespace quorvex
