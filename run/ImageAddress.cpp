#include "run/ImageAddress.h"

#include "platform/MappedFile.h"

namespace zemrik {

std::string_view refusalMessage(TranslationRefusal refusal) {
    switch (refusal) {
    case TranslationRefusal::CannotCreateMapping: return "Cannot create the file mapping, try with the offset !";
    case TranslationRefusal::CannotMapView: return "Cannot map the file, try with the offset !";
    case TranslationRefusal::NotPeFile: return "Not a PE file !";
    case TranslationRefusal::BelowImageBase: return "RVA < image base !";
    case TranslationRefusal::BeyondLastSection: return "RVA beyond the last section !";
    case TranslationRefusal::NotPe32Image: return "Not a 32-bit PE file !";
    case TranslationRefusal::NoFileData: return "No data in the file at this RVA !";
    }
    return "Not a PE file !";
}

Translation translateImageAddress(const platform::File& file, std::uint32_t address) {
    const auto mapped = platform::MappedFile::map(file, "RVA mapping!");
    if (!mapped) {
        return failure(mapped.error().step == platform::MappingStep::CreateMapping
                           ? TranslationRefusal::CannotCreateMapping
                           : TranslationRefusal::CannotMapView);
    }
    return image::translateDialogRva(mapped->bytes(), address);
}

}  // namespace zemrik
