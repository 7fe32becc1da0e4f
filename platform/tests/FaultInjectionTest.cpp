// Fault injection: each armed fault fails the next acquisition of its kind
// only, and clearing disarms them all.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/FaultInjection.h"
#include "platform/File.h"
#include "platform/FileMapping.h"
#include "platform/ReplacementFile.h"
#include "platform/Thread.h"
#include "platform/ZeroedMemory.h"
#include "platform/tests/PlatformTest.h"

namespace zemrik::platform {
namespace {

// Every fault fires exactly once, for its own kind only, and acquires nothing.
TEST_F(PlatformTest, EachArmedFaultFailsOnlyTheNextAcquisitionOfItsKind) {
    const std::string existing = write("input.bin", countingBytes(32));
    auto input = File::openForReading(existing);
    ASSERT_TRUE(input);
    auto mapping = FileMapping::create(*input, MappingAccess::ReadOnly, 0, nullptr);
    ASSERT_TRUE(mapping);
    auto output = File::createReadWrite(pathOf("output.txt"));
    ASSERT_TRUE(output);

    struct Case {
        Acquisition kind;
        std::function<std::optional<SystemError>()> acquire;  // the failure, if any
    };
    const std::vector<Case> cases = {
        {Acquisition::CreateReadWriteFile, [&] { return failureOf(File::createReadWrite(pathOf("result.txt"))); }},
        {Acquisition::OpenFile, [&] { return failureOf(File::openForReading(existing)); }},
        {Acquisition::CreateMapping,
         [&] { return failureOf(FileMapping::create(*input, MappingAccess::ReadOnly, 0, "Zemrik")); }},
        {Acquisition::MapView, [&] { return failureOf(MappedView::map(*mapping)); }},
        {Acquisition::AllocateMemory, [] { return failureOf(ZeroedMemory::allocate(508)); }},
        {Acquisition::StartThread,
         [] {
             auto thread = Thread::start([] {});
             if (thread) thread->join();
             return failureOf(thread);
         }},
        {Acquisition::CreateReplacement, [&] { return failureOf(ReplacementFile::createBeside(pathOf("out.txt"))); }},
        {Acquisition::TruncateFile, [&] { return failureOf(output->truncate(0)); }},
    };
    for (const Case& armed : cases) {
        SCOPED_TRACE(static_cast<int>(armed.kind));
        armFault(armed.kind);
        for (const Case& other : cases) {
            if (other.kind != armed.kind) {
                EXPECT_EQ(other.acquire(), std::nullopt);
            }
        }
        const long before = countOpenHandles();
        EXPECT_EQ(armed.acquire(), injectedFaultError());
        EXPECT_EQ(countOpenHandles(), before);
        EXPECT_EQ(armed.acquire(), std::nullopt);
    }
}

TEST_F(PlatformTest, ClearFaultsDisarmsEverything) {
    armFault(Acquisition::OpenFile);
    armFault(Acquisition::AllocateMemory);
    clearFaults();
    EXPECT_TRUE(File::openForReading(write("a.bin", {1})));
    EXPECT_TRUE(ZeroedMemory::allocate(1));
}

}  // namespace
}  // namespace zemrik::platform
