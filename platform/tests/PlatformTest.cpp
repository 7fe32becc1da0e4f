#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <memory>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/FaultInjection.h"
#include "platform/File.h"
#include "platform/FileMapping.h"
#include "platform/InputCopy.h"
#include "platform/ReplacementFile.h"
#include "platform/Thread.h"
#include "platform/ZeroedMemory.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#endif

namespace zemrik::platform {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

#ifdef _WIN32
constexpr std::uint32_t kFileNotFound = ERROR_FILE_NOT_FOUND;
constexpr std::uint32_t kPathNotFound = ERROR_PATH_NOT_FOUND;
constexpr std::uint32_t kDirectoryRefused = ERROR_ACCESS_DENIED;
const SystemError kInUse = SystemError::fromCode(ERROR_SHARING_VIOLATION);
#else
constexpr std::uint32_t kFileNotFound = ENOENT;
constexpr std::uint32_t kPathNotFound = ENOENT;
constexpr std::uint32_t kDirectoryRefused = EISDIR;
const SystemError kInUse = SystemError::ours(SystemError::Ours::InUse);
#endif

void pause(int milliseconds) {
#ifdef _WIN32
    Sleep(static_cast<DWORD>(milliseconds));
#else
    usleep(static_cast<useconds_t>(milliseconds) * 1000);
#endif
}

// Waits for a flag set by another thread, giving up after a few seconds.
bool waitFor(const std::atomic<bool>& flag) {
    for (int attempt = 0; attempt < 500 && !flag.load(); ++attempt) pause(10);
    return flag.load();
}

template <class T>
std::optional<SystemError> failureOf(const SystemResult<T>& result) {
    if (result) return std::nullopt;
    return result.error();
}

Bytes countingBytes(std::size_t size) {
    Bytes bytes(size);
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(i * 7 + 1);
    return bytes;
}

class PlatformTest : public ::testing::Test {
protected:
    void SetUp() override {
        clearFaults();
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        directory_ = fs::temp_directory_path() /
                     ("zemrik-platform-" + std::string(info->name()) + "-" + std::to_string(std::random_device{}()));
        fs::create_directories(directory_);
    }
    void TearDown() override {
        clearFaults();
        std::error_code ignored;
        fs::remove_all(directory_, ignored);
    }

    std::string pathOf(const std::string& name) const { return (directory_ / name).string(); }

    std::string write(const std::string& name, const Bytes& bytes) const {
        std::ofstream out(directory_ / name, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        return pathOf(name);
    }

    static Bytes contents(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    fs::path directory_;
};

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
        for (std::size_t i = 0; i < c.expected; ++i) EXPECT_EQ(buffer[i], bytes[c.offset + i]);
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

TEST(SystemErrorTest, DescribesTheSystemsCodesAndOurReasons) {
    const std::string notFound = SystemError::fromCode(kFileNotFound).describe();
#ifdef _WIN32
    EXPECT_FALSE(notFound.empty());
    EXPECT_EQ(notFound.find_last_of("\r\n"), std::string::npos) << notFound;
#else
    EXPECT_EQ(notFound, std::strerror(ENOENT));
#endif
    EXPECT_EQ(SystemError::ours(SystemError::Ours::NotRegularFile).describe(), "Not a regular file");
    EXPECT_EQ(SystemError::ours(SystemError::Ours::InUse).describe(), "File is in use");
    EXPECT_EQ(SystemError::ours(SystemError::Ours::FileShrank).describe(), "File shrank during the run");
    EXPECT_EQ(SystemError::ours(SystemError::Ours::SymbolicLink).describe(), "Is a symbolic link");
}

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

std::set<std::string> entriesOf(const fs::path& directory) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(directory)) names.insert(entry.path().filename().string());
    return names;
}

TEST_F(PlatformTest, ReplacementTakesThePlaceOnlyWhenCommitted) {
    const std::string destination = write("table.h", {'o', 'l', 'd'});
    {
        auto dropped = ReplacementFile::createBeside(destination);
        ASSERT_TRUE(dropped);
        EXPECT_EQ(fs::path(dropped->path()).parent_path(), directory_);
        ASSERT_TRUE(dropped->file().write("half", 4));
        EXPECT_EQ(entriesOf(directory_).size(), 2u);
    }
    EXPECT_EQ(contents(destination), (Bytes{'o', 'l', 'd'}));
    EXPECT_EQ(entriesOf(directory_), std::set<std::string>{"table.h"});

    auto replacement = ReplacementFile::createBeside(destination);
    ASSERT_TRUE(replacement);
    ASSERT_TRUE(replacement->file().write("whole", 5));
    EXPECT_EQ(contents(destination), (Bytes{'o', 'l', 'd'}));
    ASSERT_TRUE(replacement->commit());
    EXPECT_EQ(contents(destination), (Bytes{'w', 'h', 'o', 'l', 'e'}));
    EXPECT_EQ(entriesOf(directory_), std::set<std::string>{"table.h"});
}

TEST_F(PlatformTest, ReplacementThatCannotTakeThePlaceIsRemoved) {
    {
        auto replacement = ReplacementFile::createBeside(pathOf("table.h"));
        ASSERT_TRUE(replacement);
        ASSERT_TRUE(replacement->file().write("whole", 5));
        fs::create_directory(directory_ / "table.h");  // a directory where the file would go
        EXPECT_FALSE(replacement->commit());
    }
    EXPECT_EQ(entriesOf(directory_), std::set<std::string>{"table.h"});
    EXPECT_TRUE(fs::is_directory(directory_ / "table.h"));
    EXPECT_FALSE(ReplacementFile::createBeside(pathOf("missing/table.h")));
}

// Renaming over anything but a regular file would put a plain file in its
// place, so it is refused before anything is created.
TEST_F(PlatformTest, ReplacementRefusesWhatIsNotARegularFile) {
    fs::create_directory(directory_ / "directory");
    std::map<std::string, SystemError> refusals = {{"directory", SystemError::fromCode(kDirectoryRefused)}};
#ifndef _WIN32
    ASSERT_EQ(::mkfifo(pathOf("fifo").c_str(), 0600), 0);
    refusals.emplace("fifo", SystemError::ours(SystemError::Ours::NotRegularFile));
#endif
    std::set<std::string> names;
    for (const auto& [name, reason] : refusals) {
        names.insert(name);
        const auto replacement = ReplacementFile::createBeside(pathOf(name));
        ASSERT_FALSE(replacement) << name;
        EXPECT_EQ(replacement.error(), reason) << name;
    }
    EXPECT_EQ(entriesOf(directory_), names);
}

#ifndef _WIN32
TEST_F(PlatformTest, ReplacementKeepsTheDestinationsPermissions) {
    const std::string destination = write("table.h", {'o', 'l', 'd'});
    fs::permissions(destination, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    auto replacement = ReplacementFile::createBeside(destination);
    ASSERT_TRUE(replacement);
    ASSERT_TRUE(replacement->commit());
    EXPECT_EQ(fs::status(destination).permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}
#endif

TEST_F(PlatformTest, ZeroedMemoryIsZeroAndWritable) {
    for (const std::size_t size : {1u, 4096u, 4097u, 1u << 20}) {
        SCOPED_TRACE(size);
        auto memory = ZeroedMemory::allocate(size);
        ASSERT_TRUE(memory);
        ASSERT_EQ(memory->size(), size);
        EXPECT_EQ(std::string(memory->data(), size), std::string(size, '\0'));
        memory->data()[0] = 'a';
        memory->data()[size - 1] = 'z';
        EXPECT_EQ(memory->data()[size - 1], 'z');
    }
    EXPECT_FALSE(ZeroedMemory::allocate(0));
}

TEST_F(PlatformTest, JoinWaitsForTheThread) {
    std::atomic<bool> done{false};
    auto thread = Thread::start([&done] {
        pause(50);
        done = true;
    });
    ASSERT_TRUE(thread);
    EXPECT_TRUE(thread->joinable());
    thread->join();
    EXPECT_TRUE(done);
    EXPECT_FALSE(thread->joinable());
}

TEST_F(PlatformTest, MoveOnlyCallableRunsAndIsDestroyedOnItsThread) {
    std::atomic<int> seen{0};
    auto value = std::make_unique<int>(42);
    auto thread = Thread::start([&seen, value = std::move(value)] { seen = *value; });
    ASSERT_TRUE(thread);
    thread->join();
    EXPECT_EQ(seen, 42);
}

TEST_F(PlatformTest, DroppedThreadRunsOnByItself) {
    std::atomic<bool> gate{false};
    std::atomic<bool> done{false};
    {
        auto thread = Thread::start([&gate, &done] {
            waitFor(gate);
            done = true;
        });
        ASSERT_TRUE(thread);
    }
    gate = true;
    EXPECT_TRUE(waitFor(done));
}

TEST_F(PlatformTest, UnstartedCallableIsDestroyedAtOnce) {
    auto owned = std::make_shared<int>(1);
    std::weak_ptr<int> watch = owned;
    armFault(Acquisition::StartThread);
    EXPECT_FALSE(Thread::start([owned = std::move(owned)] { (void)owned; }));
    EXPECT_TRUE(watch.expired());
}

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
