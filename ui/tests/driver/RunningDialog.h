// RunningDialog: the fixture giving each dialog test a fresh zemrik.exe in a
// directory of its own.
#pragma once

#include <gtest/gtest.h>

#include "ui/tests/driver/DialogDriver.h"
#include "ui/tests/driver/DialogProcess.h"
#include "ui/tests/driver/TestFiles.h"

namespace zemrik::dialogtest {

// A fresh zemrik.exe for each test, working in a directory of its own.
class RunningDialog : public ::testing::Test {
protected:
    TempDirectory directory;
    DialogProcess program{directory.path()};
    DialogDriver driver{program.dialog()};
};

}  // namespace zemrik::dialogtest
