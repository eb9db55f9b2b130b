#include "platform/tests/ApplicationsContract.h"
#include "platform/tests/SimDriver.h"
#include "platform/tests/WindowServerContract.h"

namespace quenda::testing {

INSTANTIATE_TEST_SUITE_P(Sim, WindowServerContract, ::testing::Values(&makeSimDriver));
INSTANTIATE_TEST_SUITE_P(Sim, ApplicationsContract, ::testing::Values(&makeSimDriver));

}  // namespace quenda::testing
