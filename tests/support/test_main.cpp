#include <clocale>

#include <gtest/gtest.h>

#include "support/fixed_clock.h"
#include "support/test_environment.h"

int main(int argc, char** argv) {
    testsupport::applyTestEnvironment();
    std::setlocale(LC_ALL, "C");
    testsupport::installStandardClock();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
