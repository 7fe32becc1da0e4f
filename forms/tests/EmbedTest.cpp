// The embed form: each assembler's and C's declaration, and the paths none of
// them can write.
#include <gtest/gtest.h>

#include <string>

#include "forms/Embed.h"

namespace zemrik::forms {
namespace {

Expected<std::string, std::string> declared(std::string_view language, std::string_view path, std::uint64_t offset) {
    return embedDeclaration(*typed::findLanguageRow(language), {.path = path,
                                                                .offset = offset,
                                                                .tableSize = 16,
                                                                .declaration = {
                                                                    .countConstant = typed::CountConstant::After,
                                                                    .lineBreaks = typed::LineBreaks::Lf,
                                                                }});
}

TEST(Embed, EachLanguageDeclaresTheStretch) {
    const struct {
        std::string_view language;
        std::string_view path;
        std::uint64_t offset;
        std::string_view text;
    } cases[] = {
        {"c", "/t/a.bin", 0,
         "static unsigned char table[] = {\n#embed \"/t/a.bin\" limit(16)\n};\n"
         "static const unsigned int table_len = 16;"},
        {"c", "/t/{name}.bin", 4294967296,
         "static unsigned char table[] = {\n#if defined(__clang__)\n"
         "#embed \"/t/{name}.bin\" clang::offset(4294967296) limit(16)\n#else\n"
         "#embed \"/t/{name}.bin\" gnu::offset(4294967296) limit(16)\n#endif\n};\n"
         "static const unsigned int table_len = 16;"},
        {"asm", "/t/\"a\".bin", 8, "table\tincbin '/t/\"a\".bin', 8, 16\ntable_len\tequ 16"},
        {"gas", "/t/\\\"\n.bin", 8, "table:\n\t.incbin \"/t/\\\\\\\"\\012.bin\", 8, 16\n\t.set table_len, 16"},
    };
    for (const auto& [language, path, offset, text] : cases) {
        const auto declaration = declared(language, path, offset);
        ASSERT_TRUE(declaration) << declaration.error();
        EXPECT_EQ(*declaration, text) << language;
    }
}

TEST(Embed, PathsTheLanguageCantWriteAreRefused) {
    const struct {
        std::string_view language;
        std::string_view path;
        std::string_view reason;
    } cases[] = {
        {"c", "/t/\"a\"", "the path holds a '\"', which #embed can't write"},
        {"c", "/t/a\nb", "the path holds a line break, which the language can't write"},
        {"asm", "/t/\"a'", "the path holds both quotes, which incbin can't write"},
        {"asm", "/t/a\rb", "the path holds a line break, which the language can't write"},
    };
    for (const auto& [language, path, reason] : cases) {
        const auto declaration = declared(language, path, 0);
        ASSERT_FALSE(declaration) << path;
        EXPECT_EQ(declaration.error(), reason);
    }
}

TEST(Embed, LanguagesWithoutABuildTimeIncludeAreRefused) {
    for (const typed::LanguageRow& row : typed::languageRows()) {
        const bool has = row.cliName == "c" || row.cliName == "asm" || row.cliName == "gas";
        EXPECT_EQ(embedRefusal(row).has_value(), !has) << row.cliName;
    }
}

}  // namespace
}  // namespace zemrik::forms
