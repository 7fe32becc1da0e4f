// The owners of system handles: released once, on destruction or move
// assignment, and empty once moved from.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "platform/FaultInjection.h"
#include "platform/File.h"
#include "platform/FileMapping.h"
#include "platform/Thread.h"
#include "platform/ZeroedMemory.h"
#include "platform/tests/PlatformTest.h"

namespace zemrik::platform {
namespace {

TEST_F(PlatformTest, OwnersReleaseOnDestructionAndMoveAssignment) {
    const std::string path = write("input.bin", countingBytes(64));
    const long before = countOpenHandles();
    {
        auto file = File::openForReading(path);
        auto mapping = FileMapping::create(*file, MappingAccess::ReadOnly, 0, nullptr);
        ASSERT_TRUE(file && mapping);
        EXPECT_EQ(countOpenHandles(), before + 2);

        auto otherFile = File::openForReading(path);
        auto otherMapping = FileMapping::create(*otherFile, MappingAccess::ReadOnly, 0, nullptr);
        ASSERT_TRUE(otherFile && otherMapping);
        *file = std::move(*otherFile);
        *mapping = std::move(*otherMapping);
        EXPECT_EQ(countOpenHandles(), before + 2);
        file->close();
        mapping->close();
        EXPECT_EQ(countOpenHandles(), before);
    }
    {
        auto file = File::openForReading(path);
        ASSERT_TRUE(file);
    }
    EXPECT_EQ(countOpenHandles(), before);
}

TEST_F(PlatformTest, MovingLeavesTheSourceEmpty) {
    auto file = File::openForReading(write("input.bin", countingBytes(64)));
    ASSERT_TRUE(file);
    auto mapping = FileMapping::create(*file, MappingAccess::ReadOnly, 0, nullptr);
    ASSERT_TRUE(mapping);
    auto view = MappedView::map(*mapping);
    auto memory = ZeroedMemory::allocate(64);
    auto thread = Thread::start([] {});
    ASSERT_TRUE(view && memory && thread);

    File movedFile(std::move(*file));
    FileMapping movedMapping(std::move(*mapping));
    MappedView movedView(std::move(*view));
    ZeroedMemory movedMemory(std::move(*memory));
    Thread movedThread(std::move(*thread));

    EXPECT_FALSE(file->isOpen());
    EXPECT_FALSE(mapping->isOpen());
    EXPECT_EQ(mapping->size(), 0u);
    EXPECT_FALSE(view->isMapped());
    EXPECT_EQ(memory->data(), nullptr);
    EXPECT_FALSE(thread->joinable());
    EXPECT_TRUE(movedFile.isOpen() && movedMapping.isOpen() && movedView.isMapped());
    EXPECT_EQ(movedView.size(), 64u);
    EXPECT_EQ(movedMemory.size(), 64u);

    *view = std::move(movedView);
    EXPECT_TRUE(view->isMapped());
    EXPECT_FALSE(movedView.isMapped());
    movedThread.join();
}

}  // namespace
}  // namespace zemrik::platform
