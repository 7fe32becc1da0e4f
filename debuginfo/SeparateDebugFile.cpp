#include "debuginfo/SeparateDebugFile.h"

#include <zlib.h>

#include <cstdio>
#include <utility>

#include "platform/File.h"

namespace zemrik::debuginfo {
namespace {

using Checked = Expected<void, Refusal>;
using Source = Expected<DebugInfoSource, Refusal>;

std::string lowerHex(std::span<const std::uint8_t> bytes) {
    std::string text;
    for (const std::uint8_t byte : bytes) {
        char pair[3];
        std::snprintf(pair, sizeof pair, "%02x", byte);
        text += pair;
    }
    return text;
}

std::string crcText(std::uint32_t crc) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%x", crc);  // as readelf --debug-dump=links shows it
    return text;
}

// zlib's CRC-32, the one .gnu_debuglink records, over any length.
std::uint32_t crc32Of(std::span<const std::uint8_t> bytes) {
    return static_cast<std::uint32_t>(crc32_z(0, bytes.data(), bytes.size()));
}

// `folder` and `name` joined by one slash.
std::string joined(std::string_view folder, std::string_view name) {
    while (folder.size() > 1 && folder.back() == '/') folder.remove_suffix(1);
    std::string path(folder);
    if (path.empty() || path.back() != '/') path += '/';
    path += name.starts_with('/') ? name.substr(1) : name;
    return path;
}

// A name with no folder in it: one that can only be looked up where asked.
bool isPlainFileName(std::string_view name) {
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string_view::npos;
}

Refusal refusedFile(std::string reason) { return Refusal{RefusalKind::DebugFileRefused, std::move(reason)}; }

// A candidate that isn't there is passed over; the file given must be there.
enum class Missing : std::uint8_t { PassedOver, Refused };

// The file at `path` mapped read-only; nothing when no file is there.
Expected<std::optional<platform::MappedFile>, Refusal> mapIfThere(const std::string& path, Missing missing) {
    using Mapped = Expected<std::optional<platform::MappedFile>, Refusal>;
    const platform::SystemResult<platform::File> file = platform::File::openForReading(path);
    if (!file) {
        if (missing == Missing::PassedOver && file.error().meansNoSuchFile()) return Mapped(std::nullopt);
        return failure(refusedFile("cannot open " + path + ": " + file.error().describe()));
    }
    auto mapped = platform::MappedFile::map(*file, nullptr);
    if (!mapped) return failure(refusedFile("cannot map " + path + ": " + mapped.error().error.describe()));
    return Mapped(std::move(*mapped));
}

// The debug file at `path`, mapped and checked; nothing when it isn't there.
Expected<std::optional<DebugInfoSource>, Refusal> checkedDebugFile(const std::string& path,
                                                                   const image::DebugLinks& links, Missing missing) {
    using Found = Expected<std::optional<DebugInfoSource>, Refusal>;
    auto mapped = mapIfThere(path, missing);
    if (!mapped) return failure(mapped.error());
    if (!*mapped) return Found(std::nullopt);
    if (auto checked = checkDebugFile((*mapped)->bytes(), links, path); !checked) return failure(checked.error());
    return Found(DebugInfoSource::ofDebugFile(std::move(**mapped), path));
}

std::optional<std::string> directoryOf(const std::string& imagePath) {
    if (imagePath == "-") return std::nullopt;
    const platform::SystemResult<std::string> absolute = platform::File::absolutePath(imagePath);
    if (!absolute) return std::nullopt;
    const std::size_t slash = absolute->rfind('/');
    if (slash == std::string::npos) return std::nullopt;
    return absolute->substr(0, slash == 0 ? 1 : slash);
}

}  // namespace

std::vector<std::string> debugFileCandidates(const image::DebugLinks& links,
                                             const std::optional<std::string>& imageDirectory,
                                             std::string_view debugDirectory) {
    std::vector<std::string> paths;
    if (links.link && isPlainFileName(links.link->fileName) && imageDirectory) {
        const std::string& name = links.link->fileName;
        paths.push_back(joined(*imageDirectory, name));
        paths.push_back(joined(joined(*imageDirectory, ".debug"), name));
        paths.push_back(joined(joined(debugDirectory, *imageDirectory), name));
    }
    if (links.buildId.size() >= 2) {
        const std::span<const std::uint8_t> id(links.buildId);
        paths.push_back(
            joined(debugDirectory, ".build-id/" + lowerHex(id.first(1)) + "/" + lowerHex(id.subspan(1)) + ".debug"));
    }
    return paths;
}

Checked checkDebugFile(std::span<const std::uint8_t> debugFile, const image::DebugLinks& links, std::string_view path) {
    const auto own = image::readDebugLinks(debugFile);
    if (!own) return failure(refusedFile(std::string(path) + ": " + std::string(image::defectMessage(own.error()))));
    if (!links.buildId.empty() && !own->buildId.empty() && own->buildId != links.buildId) {
        return failure(refusedFile(std::string(path) + " is of another build: its build-id is " +
                                   lowerHex(own->buildId) + ", the image's " + lowerHex(links.buildId)));
    }
    if (links.link) {
        const std::uint32_t crc = crc32Of(debugFile);
        if (crc != links.link->crc) {
            return failure(refusedFile(std::string(path) + " is of another build: its CRC-32 is " + crcText(crc) +
                                       ", the image's .gnu_debuglink asks for " + crcText(links.link->crc)));
        }
    }
    return {};
}

Source debugInfoSource(const std::string& imagePath, std::span<const std::uint8_t> image,
                       const DebugFileChoice& choice) {
    const auto links = image::readDebugLinks(image);
    if (!links) {
        return failure(
            Refusal{RefusalKind::Malformed, imagePath + ": " + std::string(image::defectMessage(links.error()))});
    }
    if (choice.debugFile) {
        auto given = checkedDebugFile(*choice.debugFile, *links, Missing::Refused);
        if (!given) return failure(given.error());
        return std::move(**given);
    }
    if (links->hasOwnDebugInfo) return DebugInfoSource::ofImage(image);

    const std::vector<std::string> candidates =
        debugFileCandidates(*links, directoryOf(imagePath), choice.debugDirectory);
    std::string refusals;
    for (const std::string& path : candidates) {
        auto found = checkedDebugFile(path, *links, Missing::PassedOver);
        if (found && *found) return std::move(**found);
        if (found) continue;
        if (!refusals.empty()) refusals += "; ";
        refusals += found.error().reason;
    }
    if (!refusals.empty()) return failure(refusedFile(refusals));
    std::string reason = "no debug info";
    for (const std::string& path : candidates) {
        reason += &path == &candidates.front() ? ", nor a separate debug file at " : ", ";
        reason += path;
    }
    return failure(Refusal{RefusalKind::NoDebugInfo, std::move(reason)});
}

Expected<DebugInfo, Refusal> openDebugInfo(const std::string& imagePath, std::span<const std::uint8_t> image,
                                           const DebugFileChoice& choice) {
    const auto source = debugInfoSource(imagePath, image, choice);
    if (!source) return failure(source.error());
    // DebugInfo keeps a copy of the bytes: the debug file's mapping may go.
    return DebugInfo::open(source->bytes());
}

}  // namespace zemrik::debuginfo
