// Names each row of a parameterised suite after its `name` member, so that a
// failure report says which row broke.
#pragma once

#include <gtest/gtest.h>

#include <string>

namespace quorvex::testing {

struct RowName {
  template <class Row>
  std::string operator()(const ::testing::TestParamInfo<Row>& row) const {
    return row.param.name;
  }
};

}  // namespace quorvex::testing
