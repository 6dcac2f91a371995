#pragma once

#include <gtest/gtest.h>

#include <string>

namespace vok::testing {

// Names a table-driven test case after its row's `name`.
struct RowName {
  template <class Row>
  std::string operator()(const ::testing::TestParamInfo<Row>& row) const {
    return row.param.name;
  }
};

}  // namespace vok::testing
