#include <QCoreApplication>

#include "platform/tests/ApplicationsContract.h"
#include "platform/tests/WindowServerContract.h"
#include "platform/tests/X11Driver.h"

namespace quenda::testing {

INSTANTIATE_TEST_SUITE_P(X11, WindowServerContract, ::testing::Values(&makeX11Driver));
INSTANTIATE_TEST_SUITE_P(X11, ApplicationsContract, ::testing::Values(&makeX11Driver));

}  // namespace quenda::testing

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
