#include <clocale>

#include <gtest/gtest.h>

#include "support/test_environment.h"

int main(int argc, char** argv) {
    testsupport::applyTestEnvironment();
    std::setlocale(LC_ALL, "C");
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
