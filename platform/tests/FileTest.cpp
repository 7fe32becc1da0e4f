// File: whole and positioned reads, refusals of what is no regular file,
// sharing, sizes past 4 GiB, creating and cutting, the write position.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/FaultInjection.h"
#include "platform/File.h"
#include "platform/ReplacementFile.h"
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

TEST_F(PlatformTest, ReadsWholeFilesOfEachSize) {
    for (const std::size_t size : {0u, 1u, 2u, 4099u}) {
        SCOPED_TRACE(size);
        const Bytes expected = countingBytes(size);
        auto file = File::openForReading(write("whole.bin", expected));
        ASSERT_TRUE(file);
        EXPECT_EQ(file->size32(), size);
        Bytes buffer(size + 16, 0xEE);
        EXPECT_EQ(file->read(buffer.data(), buffer.size()), size);
        EXPECT_EQ(Bytes(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(size)), expected);
    }
}

TEST_F(PlatformTest, PositionedReadsStopAtTheEnd) {
    const Bytes bytes = countingBytes(256);
    auto file = File::openForReading(write("positioned.bin", bytes));
    ASSERT_TRUE(file);
    struct Case {
        std::uint64_t offset;
        std::size_t length;
        std::size_t expected;
    };
    for (const Case& c :
         {Case{0, 4, 4}, Case{100, 10, 10}, Case{250, 10, 6}, Case{255, 1, 1}, Case{256, 1, 0}, Case{1000, 8, 0}}) {
        SCOPED_TRACE(c.offset);
        ASSERT_TRUE(file->seek(c.offset));
        Bytes buffer(c.length);
        ASSERT_EQ(file->read(buffer.data(), c.length), c.expected);
        for (std::size_t i = 0; i < c.expected; ++i)
            EXPECT_EQ(buffer[i], bytes[static_cast<std::size_t>(c.offset) + i]);
        // A read at an offset gives the same, wherever the position stands.
        ASSERT_TRUE(file->seek(3));
        Bytes atOffset(c.length);
        ASSERT_EQ(file->readAt(c.offset, atOffset.data(), c.length), c.expected);
        EXPECT_EQ(atOffset, buffer);
    }
}

TEST_F(PlatformTest, OpeningAMissingFileFailsWithTheSystemsReason) {
    EXPECT_EQ(failureOf(File::openForReading(pathOf("missing.bin"))), SystemError::fromCode(kFileNotFound));
    EXPECT_EQ(failureOf(File::createReadWrite(pathOf("no-such-directory/result.txt"))),
              SystemError::fromCode(kPathNotFound));
}

// A missing file or folder is told apart from a file that can't be read.
TEST_F(PlatformTest, NoSuchFileIsToldApart) {
    for (const std::string& path : {pathOf("missing.bin"), pathOf("no-such-directory/a.bin")}) {
        const auto opened = File::openForReading(path);
        ASSERT_FALSE(opened);
        EXPECT_TRUE(opened.error().meansNoSuchFile()) << path;
    }
    EXPECT_FALSE(SystemError::fromCode(kDirectoryRefused).meansNoSuchFile());
    EXPECT_FALSE(SystemError::ours(SystemError::Ours::NotRegularFile).meansNoSuchFile());
}

TEST_F(PlatformTest, AbsolutePathOfARelativeOne) {
    write("target.bin", {1});
    const fs::path current = fs::current_path();
    fs::current_path(directory_);
    const auto absolute = File::absolutePath("./target.bin");
    const auto missing = File::absolutePath("missing.bin");
    fs::current_path(current);
    ASSERT_TRUE(absolute);
    EXPECT_EQ(fs::path(*absolute), fs::canonical(directory_ / "target.bin"));
#ifndef _WIN32
    // Resolved like realpath: links followed, and a missing file refused.
    ASSERT_FALSE(missing);
    EXPECT_TRUE(missing.error().meansNoSuchFile());
    fs::create_directory(directory_ / "sub");
    fs::create_symlink(directory_ / "target.bin", directory_ / "sub" / "link.bin");
    EXPECT_EQ(File::absolutePath(pathOf("sub/../sub/link.bin")), fs::canonical(directory_ / "target.bin").string());
#endif
}

TEST_F(PlatformTest, ADirectoryIsNoFileToRead) {
    const long handles = countOpenHandles();
    EXPECT_EQ(failureOf(File::openForReading(directory_.string())), SystemError::fromCode(kDirectoryRefused));
    EXPECT_EQ(countOpenHandles(), handles);
}

#ifndef _WIN32
// Opened without blocking, then refused: a FIFO has no table to read and can
// hold no result.
TEST_F(PlatformTest, AFifoIsNoFile) {
    const std::string path = pathOf("pipe");
    ASSERT_EQ(::mkfifo(path.c_str(), 0644), 0);
    const long handles = countOpenHandles();
    const SystemError notRegular = SystemError::ours(SystemError::Ours::NotRegularFile);
    EXPECT_EQ(failureOf(File::openForReading(path)), notRegular);
    EXPECT_EQ(failureOf(File::createReadWrite(path)), notRegular);
    EXPECT_EQ(countOpenHandles(), handles);
}
#endif

// Readers share a file with readers only, a writer with nobody: a second
// writer of one "result.txt" is refused, and so is cutting a file being read.
TEST_F(PlatformTest, SharingIsForReadersOnly) {
    const std::string path = write("shared.bin", Bytes{1, 2, 3});
    {
        auto reader = File::openForReading(path);
        ASSERT_TRUE(reader);
        EXPECT_TRUE(File::openForReading(path));
        EXPECT_EQ(failureOf(File::createReadWrite(path)), kInUse);
        EXPECT_EQ(contents(path), (Bytes{1, 2, 3}));
    }
    {
        auto writer = File::createReadWrite(path);
        ASSERT_TRUE(writer);
        EXPECT_EQ(failureOf(File::createReadWrite(path)), kInUse);
        EXPECT_EQ(failureOf(File::openForReading(path)), kInUse);
    }
    EXPECT_TRUE(File::createReadWrite(path));
}

TEST_F(PlatformTest, SizeIsClampedAtFourGibibytes) {
    struct Case {
        std::uint64_t length;
        std::uint32_t reported;
    };
    for (const Case& c : {Case{0xFFFFFFFEu, 0xFFFFFFFEu}, Case{0xFFFFFFFFu, 0xFFFFFFFFu},
                          Case{0x100000000u, 0xFFFFFFFFu}, Case{0x100000001u, 0xFFFFFFFFu}}) {
        SCOPED_TRACE(c.length);
        auto file = File::createReadWrite(pathOf("sparse.bin"));
        ASSERT_TRUE(file);
        ASSERT_TRUE(file->truncate(c.length));
        EXPECT_EQ(file->size32(), c.reported);
    }
}

// On 32-bit systems too: offsets past 2 GiB and 4 GiB are reached, not wrapped.
TEST_F(PlatformTest, ReadsAndWritesPastTwoAndFourGibibytes) {
    const std::uint64_t offsets[] = {0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFFu, 0x100000000u, 0x100000001u};
    const auto markerAt = [&](std::size_t index) { return static_cast<std::uint8_t>(0xA0 + index); };
    const auto writeMarkers = [&](File& file) {
        for (std::size_t i = 0; i < std::size(offsets); ++i) {
            const std::uint8_t marker = markerAt(i);
            ASSERT_TRUE(file.seek(offsets[i]));
            ASSERT_TRUE(file.write(&marker, 1));
        }
    };
    const auto expectMarkers = [&](const std::string& path) {
        auto file = File::openForReading(path);
        ASSERT_TRUE(file);
        for (std::size_t i = 0; i < std::size(offsets); ++i) {
            SCOPED_TRACE(offsets[i]);
            std::uint8_t byte = 0;
            ASSERT_TRUE(file->seek(offsets[i]));
            EXPECT_EQ(file->read(&byte, 1), 1u);
            EXPECT_EQ(byte, markerAt(i));
        }
    };
    {
        auto file = File::createReadWrite(pathOf("written.bin"));
        ASSERT_TRUE(file);
        writeMarkers(*file);
    }
    expectMarkers(pathOf("written.bin"));
    // A replacement is opened by other means.
    auto replacement = ReplacementFile::createBeside(pathOf("replaced.bin"));
    ASSERT_TRUE(replacement);
    writeMarkers(replacement->file());
    ASSERT_TRUE(replacement->commit());
    expectMarkers(pathOf("replaced.bin"));
}

// Written through a link, a result would land in the file the link names:
// someone else's, or one the link makes up. Neither comes about.
TEST_F(PlatformTest, CreatingOverASymbolicLinkIsRefusedAndTouchesNothing) {
    const fs::path link = directory_ / "result.txt";
    const fs::path victim = directory_ / "victim.txt";
    for (const bool victimExists : {true, false}) {
        SCOPED_TRACE(victimExists ? "a link to a file" : "a link to no file");
        fs::remove(link);
        fs::remove(victim);
        if (victimExists) write("victim.txt", Bytes{'v'});
        std::error_code error;
        fs::create_symlink(victim.filename(), link, error);
        if (error || !fs::is_symlink(link)) GTEST_SKIP() << "this system makes no symbolic links here";
        const long handles = countOpenHandles();

        EXPECT_EQ(failureOf(File::createReadWrite(link.string())), SystemError::ours(SystemError::Ours::SymbolicLink));

        EXPECT_EQ(countOpenHandles(), handles);
        EXPECT_TRUE(fs::is_symlink(link));
        EXPECT_EQ(fs::exists(victim), victimExists);
        if (victimExists) {
            EXPECT_EQ(contents(victim.string()), Bytes{'v'});
        }
    }
}

TEST_F(PlatformTest, CreateReplacesALongerFileAndTruncateCutsExactly) {
    const std::string path = write("result.txt", countingBytes(100));
    {
        auto file = File::createReadWrite(path);
        ASSERT_TRUE(file);
        EXPECT_EQ(file->size32(), 0u);
        EXPECT_TRUE(file->truncate(10));
        EXPECT_EQ(file->size32(), 10u);
        EXPECT_TRUE(file->truncate(3));
        EXPECT_EQ(file->size32(), 3u);
    }
    EXPECT_EQ(contents(path), Bytes(3, 0));
}

TEST_F(PlatformTest, WritePlaceFollowsThePositionOfARegularFile) {
    auto file = File::createReadWrite(pathOf("out.txt"));
    ASSERT_TRUE(file);
    ASSERT_TRUE(file->write("0123456789", 10));
    auto place = file->writePlace();
    ASSERT_TRUE(place && *place);
    EXPECT_EQ((*place)->offset, 10u);
    EXPECT_EQ((*place)->length, 10u);
    ASSERT_TRUE(file->seek(4));
    place = file->writePlace();
    ASSERT_TRUE(place && *place);
    EXPECT_EQ((*place)->offset, 4u);
    EXPECT_EQ((*place)->length, 10u);
#ifndef _WIN32
    int ends[2];
    ASSERT_EQ(::pipe(ends), 0);
    const File reader{HandleOwner(ends[0])};
    const File writer{HandleOwner(ends[1])};
    place = writer.writePlace();
    ASSERT_TRUE(place);
    EXPECT_FALSE(*place) << "what goes into a pipe cannot be taken back";
#endif
}

}  // namespace
}  // namespace zemrik::platform
