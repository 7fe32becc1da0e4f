// RunningDialog: the fixture giving each dialog test a fresh zemrik.exe in a
// directory of its own.
#pragma once

#include <gtest/gtest.h>

#include "testing/TestFiles.h"
#include "ui/tests/driver/DialogDriver.h"
#include "ui/tests/driver/DialogProcess.h"

namespace zemrik::dialogtest {

using test::countingBytes;
using test::readWholeFile;
using test::TempDirectory;
using test::textBytes;

// A fresh zemrik.exe for each test, working in a directory of its own.
class RunningDialog : public ::testing::Test {
protected:
    TempDirectory directory;
    DialogProcess program{directory.path()};
    DialogDriver driver{program.dialog()};
};

}  // namespace zemrik::dialogtest
