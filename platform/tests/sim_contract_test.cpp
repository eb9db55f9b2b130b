#include "platform/tests/SimDriver.h"
#include "platform/tests/WindowServerContract.h"

namespace quenda::testing {

INSTANTIATE_TEST_SUITE_P(Sim, WindowServerContract, ::testing::Values(&makeSimDriver));

}  // namespace quenda::testing
