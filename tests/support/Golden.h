#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace druvex::test
{

// Compares a short render with the reference stored as tests/golden/<name>.f32 (raw little-endian
// 32-bit floats). The largest absolute difference allowed is `tolerance`.
//
// Reference files are only ever rewritten on purpose: run the test binary with
// DRUVEX_UPDATE_GOLDEN=1 in the environment (see README, "Golden renders"), listen to or inspect
// the result, and commit the changed files together with the change that explains them.
::testing::AssertionResult matchesGolden(const std::string& name, const std::vector<float>& samples,
                                         float tolerance);

} // namespace druvex::test
