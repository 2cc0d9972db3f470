#pragma once

// A suite over one small demo survey made by `oxvtool demo` once for all its
// tests, with a scratch folder of its own for each test's output.

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "tests/support/OxvtoolRun.h"
#include "tests/support/ScratchDir.h"

namespace oxv::test {

class DemoSurveyTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        s_demo = std::make_unique<ScratchDir>();
        ASSERT_EQ(RunOxvtool("demo " + s_demo->Path().string() + " --points 20000").status, 0);
    }
    static void TearDownTestSuite() { s_demo.reset(); }
    static std::string Survey() { return s_demo->File("survey.oxv"); }

    ScratchDir out;

private:
    static inline std::unique_ptr<ScratchDir> s_demo;
};

}  // namespace oxv::test
