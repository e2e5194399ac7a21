#include "shell/about_form.h"

#include <gtest/gtest.h>

TEST(About, FadeRunsFrom250DownTo22InStepsOfTwo) {
    auto steps = Tabout_form::fade_steps();
    ASSERT_EQ(steps.size(), 115u);
    EXPECT_EQ(steps.front(), 250);
    EXPECT_EQ(steps.back(), 22);
    for (size_t i = 1; i < steps.size(); ++i)
        EXPECT_EQ(steps[i - 1] - steps[i], 2);
}
