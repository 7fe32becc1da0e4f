#include "run/RunRequest.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/FaultInjection.h"
#include "run/tests/SystemHandles.h"
#include "testing/TestFiles.h"

namespace zemrik {
namespace {

using test::PeImageBuilder;
using test::TempFile;

struct Message {
    std::string text;
    std::string caption;
    MessageIcon icon;
};

// A front end whose fields start out valid: Bytes, C, size 40, address 0,
// 8 items per line, no check box ticked. It records what it is told.
class FakeSource : public RequestSource {
public:
    explicit FakeSource(std::string inputPath) : path(std::move(inputPath)) {}

    std::string loadedPath() override { return path; }
    int itemsSelection() override { return items; }
    int languageSelection() override { return language; }
    std::string fieldText(NumberField field) override { return fields[field]; }
    bool isChecked(CheckBox box) override { return checked.count(box) != 0; }
    void setFileBoxText(const std::string& text, const FileFailure& failure) override {
        fileBoxTexts.push_back(text);
        fileFailures.push_back(failure);
    }
    void setFileSizeBoxText(const std::string& text) override { fileSizeBoxTexts.push_back(text); }
    void showMessage(const std::string& text, const std::string& caption, MessageIcon icon) override {
        messages.push_back({text, caption, icon});
    }

    std::string path;
    int items = 0;
    int language = 0;
    std::map<NumberField, std::string> fields = {
        {NumberField::TableSize, "40"}, {NumberField::Address, "0"}, {NumberField::ItemsPerLine, "8"}};
    std::set<CheckBox> checked;

    std::vector<std::string> fileBoxTexts;
    std::vector<FileFailure> fileFailures;
    std::vector<std::string> fileSizeBoxTexts;
    std::vector<Message> messages;
};

constexpr int kWords = 1;
constexpr int kDwords = 2;
constexpr int kDataStr = 3;

std::vector<std::uint8_t> bytesOfSize(std::size_t size) { return std::vector<std::uint8_t>(size, 0xA5); }

// Builds the request and proves that a refusal keeps no descriptor open.
std::optional<RunRequest> buildCountingHandles(FakeSource& source) {
    test::primeSystemHandles();
    const long before = platform::countOpenHandles();
    std::optional<RunRequest> request = buildRunRequest(source);
    const long after = platform::countOpenHandles();
    EXPECT_EQ(after - before, request ? 1 : 0);
    return request;
}

std::string onlyMessage(const FakeSource& source) {
    if (source.messages.size() != 1) return "messages shown: " + std::to_string(source.messages.size());
    EXPECT_EQ(source.messages[0].caption, "Error");
    EXPECT_EQ(source.messages[0].icon, MessageIcon::None);
    return source.messages[0].text;
}

using Change = std::function<void(FakeSource&)>;

Change items(int index) {
    return [index](FakeSource& s) { s.items = index; };
}
Change language(int index) {
    return [index](FakeSource& s) { s.language = index; };
}
Change field(NumberField which, std::string text) {
    return [which, text](FakeSource& s) { s.fields[which] = text; };
}
Change all(std::vector<Change> changes) {
    return [changes](FakeSource& s) {
        for (const Change& change : changes) change(s);
    };
}

struct RefusalCase {
    std::string name;
    Change change;
    std::string message;
};

const std::string kMustSelectItems = "You MUST select the size of the elements !";
const std::string kMustSelectLanguage = "You MUST select a language !";
const std::string kMustEnterSize = "You MUST enter the size of the table !";
const std::string kConvertSize = "Error converting the table size";
const std::string kMustEnterOffset = "You MUST enter the offset of the table !";
const std::string kConvertOffset = "Error converting the table offset";
const std::string kMustEnterItems = "You MUST enter the number of items per line !";
const std::string kConvertItems = "Error converting the number of items";
const std::string kDivisible = "The tablesize must be divisible by the size of elements !";
const std::string kZero = "A zero somewhere :)";
const std::string kTooBig = "Hey man, your table is bigger than the file itself !";

TEST(RunRequestTest, RefusesEachFaultyFieldWithItsMessage) {
    const TempFile file(bytesOfSize(0x100));
    const std::vector<RefusalCase> cases = {
        {"no element size", items(-1), kMustSelectItems},
        {"element size past the list", items(3), kMustSelectItems},
        {"no language", language(-1), kMustSelectLanguage},
        {"language past the list", language(4), kMustSelectLanguage},
        {"size empty", field(NumberField::TableSize, ""), kMustEnterSize},
        {"size 0x", field(NumberField::TableSize, "0x"), kConvertSize},
        {"size 0xZ", field(NumberField::TableSize, "0xZ"), kConvertSize},
        {"size blanks", field(NumberField::TableSize, "   "), kConvertSize},
        {"size 255 blanks before the digits", field(NumberField::TableSize, std::string(255, ' ') + "40"),
         kConvertSize},
        {"address empty", field(NumberField::Address, ""), kMustEnterOffset},
        {"address letters", field(NumberField::Address, "zz"), kConvertOffset},
        {"items empty", field(NumberField::ItemsPerLine, ""), kMustEnterItems},
        {"items hex", field(NumberField::ItemsPerLine, "x8"), kConvertItems},
        {"size 3 with Words", all({items(kWords), field(NumberField::TableSize, "3")}), kDivisible},
        {"size 6 with Dwords in Data Str",
         all({items(kDwords), language(kDataStr), field(NumberField::TableSize, "6")}), kDivisible},
        {"size -1 with Words", all({items(kWords), field(NumberField::TableSize, "-1")}), kDivisible},
        {"size -1 with Dwords", all({items(kDwords), field(NumberField::TableSize, "-1")}), kDivisible},
        {"items 256", field(NumberField::ItemsPerLine, "256"), kZero},
        {"items 0", field(NumberField::ItemsPerLine, "0"), kZero},
        {"items 0x10 reads as 0", field(NumberField::ItemsPerLine, "0x10"), kZero},
        {"size 0", field(NumberField::TableSize, "0"), kZero},
        {"size -1 with Bytes", field(NumberField::TableSize, "-1"), kTooBig},
        {"one past the end", all({field(NumberField::Address, "1"), field(NumberField::TableSize, "100")}), kTooBig},
        {"size one past the file", field(NumberField::TableSize, "101"), kTooBig},
        {"offset plus size wraps in 32 bits",
         all({field(NumberField::Address, "FFFFFFFF"), field(NumberField::TableSize, "2")}), kTooBig},
    };
    for (const RefusalCase& c : cases) {
        SCOPED_TRACE(c.name);
        FakeSource source(file.path());
        c.change(source);
        EXPECT_FALSE(buildCountingHandles(source));
        EXPECT_EQ(onlyMessage(source), c.message);
        EXPECT_TRUE(source.fileBoxTexts.empty());
        EXPECT_EQ(source.fileSizeBoxTexts, std::vector<std::string>{"100"});
    }
}

TEST(RunRequestTest, ChecksInTheirFixedOrder) {
    const TempFile file(bytesOfSize(0x10));
    FakeSource source(file.path());
    source.items = -1;
    source.language = -1;
    source.fields = {{NumberField::TableSize, ""}, {NumberField::Address, ""}, {NumberField::ItemsPerLine, ""}};
    // Each step mends the fault just reported and introduces the next one.
    const std::vector<std::pair<Change, std::string>> steps = {
        {all({}), kMustSelectItems},
        {items(kWords), kMustSelectLanguage},
        {language(0), kMustEnterSize},
        {field(NumberField::TableSize, "3"), kMustEnterOffset},
        {field(NumberField::Address, "F"), kMustEnterItems},
        {field(NumberField::ItemsPerLine, "0"), kDivisible},
        {field(NumberField::TableSize, "0"), kZero},
        {field(NumberField::TableSize, "2"), kZero},
        {field(NumberField::ItemsPerLine, "1"), kTooBig},
    };
    for (const auto& [change, message] : steps) {
        SCOPED_TRACE(message);
        change(source);
        source.messages.clear();
        EXPECT_FALSE(buildCountingHandles(source));
        EXPECT_EQ(onlyMessage(source), message);
    }
    field(NumberField::Address, "E")(source);
    EXPECT_TRUE(buildRunRequest(source));
}

TEST(RunRequestTest, AnUnopenableFileIsReportedInTheFileBox) {
    const std::vector<std::string> paths = {"", "/nonexistent-zemrik-dir/none.bin"};
    for (const std::string& path : paths) {
        SCOPED_TRACE(path);
        FakeSource source(path);
        EXPECT_FALSE(buildCountingHandles(source));
        EXPECT_EQ(source.fileBoxTexts, std::vector<std::string>{"Can't open file !"});
        ASSERT_EQ(source.fileFailures.size(), 1u);
        EXPECT_EQ(source.fileFailures[0].path, path);
        EXPECT_NE(source.fileFailures[0].reason, platform::SystemError());
        EXPECT_TRUE(source.fileSizeBoxTexts.empty());
        EXPECT_TRUE(source.messages.empty());
    }
    const TempFile file(bytesOfSize(4));
    FakeSource source(file.path());
    platform::armFault(platform::Acquisition::OpenFile);
    EXPECT_FALSE(buildCountingHandles(source));
    platform::clearFaults();
    EXPECT_EQ(source.fileBoxTexts, std::vector<std::string>{"Can't open file !"});
    EXPECT_EQ(source.fileFailures, (std::vector<FileFailure>{{file.path(), platform::injectedFaultError()}}));
}

TEST(RunRequestTest, ShowsTheFileSizeInUpperCaseHex) {
    const std::vector<std::pair<std::size_t, std::string>> sizes = {{0, "0"}, {0x1AB, "1AB"}, {0x10000, "10000"}};
    for (const auto& [size, text] : sizes) {
        const TempFile file(bytesOfSize(size));
        FakeSource source(file.path());
        static_cast<void>(buildRunRequest(source));
        EXPECT_EQ(source.fileSizeBoxTexts, std::vector<std::string>{text});
    }
}

TEST(RunRequestTest, AcceptsAValidRequest) {
    const TempFile file(bytesOfSize(0x100));
    FakeSource source(file.path());
    source.items = kDwords;
    source.language = 2;
    source.fields = {
        {NumberField::TableSize, "0x40"}, {NumberField::Address, "c0"}, {NumberField::ItemsPerLine, "257"}};
    source.checked = {CheckBox::DumpToFile, CheckBox::Decimal};
    const std::optional<RunRequest> request = buildCountingHandles(source);
    ASSERT_TRUE(request);
    EXPECT_TRUE(source.messages.empty());
    EXPECT_TRUE(request->inputFile.isOpen());
    EXPECT_EQ(request->fileSize, 0x100u);
    EXPECT_EQ(request->elementSize, ElementSize::Dword);
    EXPECT_EQ(request->language, Language::Delphi);
    EXPECT_EQ(request->tableSize, 0x40u);
    EXPECT_EQ(request->offset, 0xC0u);
    EXPECT_EQ(request->itemsPerLine, 1);
    EXPECT_TRUE(request->dumpToFile);
    EXPECT_EQ(request->notation, Notation::Decimal);
}

TEST(RunRequestTest, AcceptedFieldValues) {
    const TempFile file(bytesOfSize(0x100));
    struct Case {
        std::string name;
        Change change;
        std::uint32_t tableSize;
        std::uint32_t offset;
        ElementSize elementSize;
    };
    const std::vector<Case> cases = {
        {"hex without prefix", field(NumberField::TableSize, "40"), 0x40, 0, ElementSize::Byte},
        {"hex with prefix", field(NumberField::TableSize, "0x40"), 0x40, 0, ElementSize::Byte},
        {"whole file from address 0", field(NumberField::TableSize, "100"), 0x100, 0, ElementSize::Byte},
        {"ends at the end of the file", all({field(NumberField::Address, "FF"), field(NumberField::TableSize, "1")}), 1,
         0xFF, ElementSize::Byte},
        {"Data Str prints bytes", all({items(kWords), language(kDataStr), field(NumberField::TableSize, "4")}), 4, 0,
         ElementSize::Byte},
        {"Words", items(kWords), 0x40, 0, ElementSize::Word},
        // Only the first 255 characters are read.
        {"digits straddling the 255th character",
         field(NumberField::TableSize, std::string(254, ' ') + "40" + std::string(44, 'z')), 4, 0, ElementSize::Byte},
        {"digits within 255 characters",
         field(NumberField::TableSize, std::string(253, ' ') + "40" + std::string(45, 'z')), 0x40, 0,
         ElementSize::Byte},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeSource source(file.path());
        c.change(source);
        const std::optional<RunRequest> request = buildRunRequest(source);
        ASSERT_TRUE(request);
        EXPECT_EQ(request->tableSize, c.tableSize);
        EXPECT_EQ(request->offset, c.offset);
        EXPECT_EQ(request->elementSize, c.elementSize);
        EXPECT_TRUE(source.messages.empty());
    }
}

TEST(RunRequestTest, TranslatesImageAddressesWhenRvaIsChecked) {
    constexpr std::uint32_t kBase = 0x400000;
    const TempFile image(PeImageBuilder().imageBase(kBase).section({0x1000, 0x200, 0x400}).minimumSize(0x600).build());
    const TempFile text(std::string("just some text\r\n"));
    const TempFile empty(std::string{});
    struct Case {
        std::string name;
        const TempFile& file;
        std::string address;
        std::optional<platform::Acquisition> fault;
        std::string message;  // empty when accepted
        std::uint32_t offset;
    };
    const std::vector<Case> cases = {
        {"section start", image, "401000", std::nullopt, "", 0x400},
        {"headers", image, "400080", std::nullopt, "", 0x80},
        {"table past the file", image, "401200", std::nullopt, kTooBig, 0},
        {"below the image base", image, "3FFFFF", std::nullopt, "RVA < image base !", 0},
        {"beyond the sections", image, "401201", std::nullopt, "RVA beyond the last section !", 0},
        {"text file", text, "0", std::nullopt, "Not a PE file !", 0},
        {"empty file", empty, "0", std::nullopt, "Cannot create the file mapping, try with the offset !", 0},
        {"mapping fails", image, "401000", platform::Acquisition::CreateMapping,
         "Cannot create the file mapping, try with the offset !", 0},
        {"view fails", image, "401000", platform::Acquisition::MapView, "Cannot map the file, try with the offset !",
         0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeSource source(c.file.path());
        source.checked = {CheckBox::Rva};
        source.fields[NumberField::Address] = c.address;
        if (c.fault) platform::armFault(*c.fault);
        const std::optional<RunRequest> request = buildCountingHandles(source);
        platform::clearFaults();
        if (c.message.empty()) {
            ASSERT_TRUE(request);
            EXPECT_EQ(request->offset, c.offset);
            EXPECT_TRUE(source.messages.empty());
        } else {
            EXPECT_FALSE(request);
            EXPECT_EQ(onlyMessage(source), c.message);
        }
    }
}

}  // namespace
}  // namespace zemrik
