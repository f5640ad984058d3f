// The main window's title for an open target, also when the process was gone from the
// process snapshot by the time its name was looked up.
#include "memmap/target_process.h"

#include <gtest/gtest.h>

namespace quarry {
namespace {

TEST(TargetTitle, ShowsTheNameAndTheDecimalIdOrSaysTheNameIsUnknown) {
    EXPECT_EQ(TargetTitle(u"notepad.exe", 1234), u"Quarry - [notepad.exe (1234)]");
    EXPECT_EQ(TargetTitle(u"", 8), u"Quarry - [ (8)]");
    EXPECT_EQ(TargetTitle(std::nullopt, 1234), u"Quarry - [(unknown) (1234)]");
    EXPECT_EQ(TargetTitle(u"a b.exe", 4294967295u), u"Quarry - [a b.exe (4294967295)]");
}

}  // namespace
}  // namespace quarry
