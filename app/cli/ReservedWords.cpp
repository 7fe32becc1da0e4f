#include "app/cli/ReservedWords.h"

#include <cstdint>
#include <cstdio>
#include <set>

namespace zemrik::cli {

std::optional<std::string_view> languageReserving(CliLanguage language, std::string_view name) {
    return typed::reservingLanguage(languageRow(language), name);
}

std::optional<std::string_view> fieldReserving(CliLanguage language, std::string_view name) {
    return typed::reservingField(languageRow(language), name);
}

namespace {

bool isIdentifierCharacter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

// FNV-1a, 32 bits: short, and the same on every build.
std::uint32_t nameHash(std::string_view name) {
    std::uint32_t hash = 2166136261u;
    for (const char c : name) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 16777619u;
    }
    return hash;
}

}  // namespace

std::string declarableName(CliLanguage language, std::string_view name) {
    std::string result;
    bool inRun = false;  // inside a run of characters an identifier can't hold
    for (const char c : name) {
        if (isIdentifierCharacter(c))
            result.push_back(c);
        else if (!inRun)
            result.push_back('_');
        inRun = !isIdentifierCharacter(c);
    }
    if (result.empty() || (result.front() >= '0' && result.front() <= '9')) result.insert(result.begin(), '_');
    if (result.size() > kLongestDeclarationName) {
        constexpr std::size_t kKept = kLongestDeclarationName - 9;
        char suffix[16];
        std::snprintf(suffix, sizeof suffix, "_%08x", static_cast<unsigned>(nameHash(name)));
        result.resize(kKept);
        result += suffix;
    }
    if (languageReserving(language, result)) result.push_back('_');
    return result;
}

std::vector<std::pair<std::string, std::string>> declareFieldsIn(CliLanguage language, typed::RecordSpec& record) {
    std::set<std::string, std::less<>> own;
    for (const typed::RecordField& field : record.fields) own.insert(field.name);
    std::set<std::string, std::less<>> declared;
    std::vector<std::pair<std::string, std::string>> renamed;
    for (typed::RecordField& field : record.fields) {
        if (field.isPadding()) continue;
        std::string name = field.name;
        while (fieldReserving(language, name) || declared.contains(name) ||
               (name != field.name && own.contains(name))) {
            name.push_back('_');
        }
        declared.insert(name);
        if (name == field.name) continue;
        renamed.emplace_back(field.name, name);
        field.name = std::move(name);
    }
    return renamed;
}

}  // namespace zemrik::cli
