#include "platform/MappedFile.h"

namespace zemrik::platform {

Expected<MappedFile, MappingFailure> MappedFile::map(const File& file, const char* name) {
    using Result = Expected<MappedFile, MappingFailure>;
    SystemResult<FileMapping> mapping = FileMapping::create(file, MappingAccess::ReadOnly, 0, name);
    if (!mapping) return Result::failure({MappingStep::CreateMapping, mapping.error()});
    SystemResult<MappedView> view = MappedView::map(*mapping);
    if (!view) return Result::failure({MappingStep::MapView, view.error()});
    return MappedFile(std::move(*mapping), std::move(*view));
}

}  // namespace zemrik::platform
