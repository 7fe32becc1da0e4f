// InputCopy: a stream copied into an anonymous file, up to the limit, and a
// pipe read to the end its writer gives it.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "platform/FaultInjection.h"
#include "platform/File.h"
#include "platform/FileMapping.h"
#include "platform/InputCopy.h"
#include "platform/Thread.h"
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

// A stream copied into memory is a file like any other: its size, its
// bytes, a mapping of it; one byte past the limit refuses, nothing kept open.
TEST_F(PlatformTest, InputCopiesUpToTheLimitAndRefusesOneBytePast) {
    const Bytes bytes = countingBytes(3 * 1024 * 1024 + 17);  // more than one piece of the copy
    const std::string path = write("stream.bin", bytes);
    const long handlesBefore = countOpenHandles();
    {
        auto source = File::openForReading(path);
        ASSERT_TRUE(source);
        auto copy = copyIntoAnonymousFile(*source, bytes.size());
        ASSERT_TRUE(copy);
        EXPECT_EQ(copy.value().size32(), bytes.size());
        Bytes back(bytes.size());
        ASSERT_TRUE(copy.value().seek(0));
        EXPECT_EQ(copy.value().read(back.data(), back.size()), bytes.size());
        EXPECT_EQ(back, bytes);
        auto mapping = FileMapping::create(copy.value(), MappingAccess::ReadOnly, 0, nullptr);
        ASSERT_TRUE(mapping);
        auto view = MappedView::map(*mapping);
        ASSERT_TRUE(view);
        EXPECT_EQ(std::memcmp(view->data(), bytes.data(), bytes.size()), 0);
    }
    {
        auto source = File::openForReading(path);
        ASSERT_TRUE(source);
        auto copy = copyIntoAnonymousFile(*source, bytes.size() - 1);
        ASSERT_FALSE(copy);
        EXPECT_EQ(copy.error().kind, InputCopyFailure::Kind::TooLarge);
    }
    EXPECT_EQ(countOpenHandles(), handlesBefore);
}

// The two ends of an anonymous pipe: what is written to the second is read
// from the first.
std::pair<File, File> makePipe() {
#ifdef _WIN32
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, nullptr, 0)) return {};
    return {File(HandleOwner(readEnd)), File(HandleOwner(writeEnd))};
#else
    int ends[2];
    if (::pipe(ends) != 0) return {};
    return {File(HandleOwner(ends[0])), File(HandleOwner(ends[1]))};
#endif
}

// A pipe whose writer has closed its end has ended: Windows reports that as a
// failed read (a broken pipe), which is the end of the stream, not an error.
TEST_F(PlatformTest, APipeIsReadToTheEndItsWriterGivesIt) {
    const Bytes bytes = countingBytes(3 * 1024 * 1024 + 17);  // far more than a pipe holds
    auto [reader, writer] = makePipe();
    ASSERT_TRUE(reader.isOpen() && writer.isOpen());
    std::atomic<bool> written{false};
    auto feeder = Thread::start([&bytes, &written, writer = std::move(writer)]() mutable {
        written = static_cast<bool>(writer.write(bytes.data(), bytes.size()));
        writer.close();
    });
    ASSERT_TRUE(feeder);
    auto copy = copyIntoAnonymousFile(reader, bytes.size());
    feeder->join();
    EXPECT_TRUE(written);
    ASSERT_TRUE(copy);
    Bytes back(bytes.size() + 1);
    ASSERT_TRUE(copy.value().seek(0));
    EXPECT_EQ(copy.value().read(back.data(), back.size()), bytes.size());
    back.pop_back();
    EXPECT_EQ(back, bytes);
}

}  // namespace
}  // namespace zemrik::platform
