// FileMapping and MappedView: read-only and read-write mappings, named
// objects, and the refusals that leave nothing open.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "platform/FaultInjection.h"
#include "platform/File.h"
#include "platform/FileMapping.h"
#include "platform/tests/PlatformTest.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#endif

namespace zemrik::platform {
namespace {

TEST_F(PlatformTest, MappingAnEmptyFileWholeFails) {
    auto file = File::openForReading(write("empty.bin", {}));
    ASSERT_TRUE(file);
    const long before = countOpenHandles();
    EXPECT_FALSE(FileMapping::create(*file, MappingAccess::ReadOnly, 0, "RVA mapping!"));
    EXPECT_EQ(countOpenHandles(), before);
}

TEST_F(PlatformTest, MappingRefusalsLeaveNothingOpen) {
    auto readOnly = File::openForReading(write("ten.bin", countingBytes(10)));
    ASSERT_TRUE(readOnly);
    const long before = countOpenHandles();
    EXPECT_FALSE(FileMapping::create(*readOnly, MappingAccess::ReadOnly, 11, nullptr));   // past the end
    EXPECT_FALSE(FileMapping::create(*readOnly, MappingAccess::ReadWrite, 10, nullptr));  // no write access
    EXPECT_FALSE(FileMapping::create(File(), MappingAccess::ReadOnly, 0, nullptr));
    EXPECT_FALSE(MappedView::map(FileMapping()));
    EXPECT_EQ(countOpenHandles(), before);
    EXPECT_EQ(readOnly->size32(), 10u);
}

TEST_F(PlatformTest, ReadOnlyViewShowsTheFile) {
    const Bytes bytes = countingBytes(5000);
    auto file = File::openForReading(write("image.bin", bytes));
    ASSERT_TRUE(file);
    auto mapping = FileMapping::create(*file, MappingAccess::ReadOnly, 0, "RVA mapping!");
    ASSERT_TRUE(mapping);
    EXPECT_EQ(mapping->size(), bytes.size());
    auto view = MappedView::map(*mapping);
    ASSERT_TRUE(view);
    ASSERT_EQ(view->size(), bytes.size());
    EXPECT_EQ(Bytes(view->data(), view->data() + view->size()), bytes);
}

TEST_F(PlatformTest, ANameInUseNeverShowsAnotherFile) {
    auto first = File::openForReading(write("first.bin", Bytes(64, 0x11)));
    auto second = File::openForReading(write("second.bin", Bytes(64, 0x22)));
    ASSERT_TRUE(first && second);
    auto firstMapping = FileMapping::create(*first, MappingAccess::ReadOnly, 0, "Zemrik");
    auto secondMapping = FileMapping::create(*second, MappingAccess::ReadOnly, 0, "Zemrik");
    ASSERT_TRUE(firstMapping && secondMapping);
    auto view = MappedView::map(*secondMapping);
    ASSERT_TRUE(view);
    EXPECT_EQ(Bytes(view->data(), view->data() + view->size()), Bytes(64, 0x22));
}

#ifdef _WIN32
TEST_F(PlatformTest, ANameHeldByAnotherKindOfObjectIsNotInTheWay) {
    HANDLE event = CreateEventA(nullptr, TRUE, FALSE, "Zemrik");
    ASSERT_NE(event, nullptr);
    auto file = File::openForReading(write("input.bin", Bytes(16, 0x33)));
    ASSERT_TRUE(file);
    auto mapping = FileMapping::create(*file, MappingAccess::ReadOnly, 0, "Zemrik");
    CloseHandle(event);
    ASSERT_TRUE(mapping);
    auto view = MappedView::map(*mapping);
    ASSERT_TRUE(view);
    EXPECT_EQ(Bytes(view->data(), view->data() + view->size()), Bytes(16, 0x33));
}
#endif

TEST_F(PlatformTest, ReadWriteMappingGrowsTheFileAndWritesLand) {
    const std::string path = pathOf("result.txt");
    const std::string text = "static unsigned char table[3] = {\r\n\t0x01, 0x02, 0x03 };";
    constexpr std::uint64_t estimate = 4096 + 17;
    {
        auto file = File::createReadWrite(path);
        ASSERT_TRUE(file);
        auto mapping = FileMapping::create(*file, MappingAccess::ReadWrite, estimate, "Zemrik");
        ASSERT_TRUE(mapping);
        EXPECT_EQ(file->size32(), estimate);
        auto view = MappedView::map(*mapping);
        ASSERT_TRUE(view);
        ASSERT_EQ(view->size(), estimate);
        EXPECT_EQ(Bytes(view->data(), view->data() + view->size()), Bytes(estimate, 0));
        std::copy(text.begin(), text.end(), view->data());
        view->unmap();
        mapping->close();
        EXPECT_TRUE(file->truncate(text.size()));
    }
    EXPECT_EQ(contents(path), Bytes(text.begin(), text.end()));
}

TEST_F(PlatformTest, ReadWriteMappingNeverShrinksTheFile) {
    auto file = File::createReadWrite(pathOf("long.bin"));
    ASSERT_TRUE(file);
    ASSERT_TRUE(file->truncate(100));
    auto mapping = FileMapping::create(*file, MappingAccess::ReadWrite, 10, nullptr);
    ASSERT_TRUE(mapping);
    EXPECT_EQ(mapping->size(), 10u);
    EXPECT_EQ(file->size32(), 100u);
}

}  // namespace
}  // namespace zemrik::platform
