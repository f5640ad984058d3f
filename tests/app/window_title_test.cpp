// The main window's title for a target whose name is gone; the title with a name is the
// main window's test's.
#include "app/window_title.h"

#include <gtest/gtest.h>

namespace quarry {
namespace {

// The largest id is still decimal.
TEST(TargetTitle, SaysTheNameIsUnknownBesideTheDecimalId) {
    EXPECT_EQ(TargetTitle(std::nullopt, 4294967295u), u"Quarry - [(unknown) (4294967295)]");
}

}  // namespace
}  // namespace quarry
