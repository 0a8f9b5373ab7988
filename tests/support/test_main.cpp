#include "test_environment.h"

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    velmo::test::sandboxDir(); // before anything reads HOME or the registry
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
