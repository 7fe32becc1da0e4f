// CaseName: names each case of a parameterised test after its `name` field,
// so that a failure says which row of the table failed.
#pragma once

#include <gtest/gtest.h>

#include <string>

namespace zemrik::test {

struct CaseName {
    template <class Case>
    std::string operator()(const ::testing::TestParamInfo<Case>& tested) const {
        return std::string(tested.param.name);
    }
};

}  // namespace zemrik::test
