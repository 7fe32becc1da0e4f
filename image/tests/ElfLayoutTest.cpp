// The reader's ELF constants and field positions are its own (the Windows
// builds have no <elf.h>); where the system has one, they must be its.
#include "image/ElfFormat.h"

#if __has_include(<elf.h>)
#include <elf.h>

#include <cstddef>

namespace zemrik::image::elf {

static_assert(kClassPosition == EI_CLASS && kDataPosition == EI_DATA);
static_assert(kClass32 == ELFCLASS32 && kClass64 == ELFCLASS64);
static_assert(kDataLittle == ELFDATA2LSB && kDataBig == ELFDATA2MSB);
static_assert(kShtNote == SHT_NOTE && kPtNote == PT_NOTE && kNtGnuBuildId == NT_GNU_BUILD_ID);
static_assert(kShtNull == SHT_NULL && kShtSymtab == SHT_SYMTAB && kShtStrtab == SHT_STRTAB);
static_assert(kShtNobits == SHT_NOBITS && kShtDynsym == SHT_DYNSYM && kShtSymtabShndx == SHT_SYMTAB_SHNDX);
static_assert(kShfAlloc == SHF_ALLOC && kShfExecinstr == SHF_EXECINSTR);
static_assert(kShnUndef == SHN_UNDEF && kShnLoreserve == SHN_LORESERVE && kShnXindex == SHN_XINDEX);
static_assert(kPtLoad == PT_LOAD && kPfX == PF_X);
static_assert(kSttObject == STT_OBJECT && kSttFunc == STT_FUNC && kSttSection == STT_SECTION);
static_assert(kSttFile == STT_FILE && kSttCommon == STT_COMMON && kSttTls == STT_TLS);
static_assert(kSttGnuIfunc == STT_GNU_IFUNC);

#define ZEMRIK_SAME_LAYOUT(layout, Ehdr, Shdr, Phdr, Sym, Word)                                                \
    static_assert(layout.wordSize == sizeof(Word));                                                            \
    static_assert(layout.headerSize == sizeof(Ehdr) && layout.phoff == offsetof(Ehdr, e_phoff));               \
    static_assert(layout.shoff == offsetof(Ehdr, e_shoff) && layout.phentsize == offsetof(Ehdr, e_phentsize)); \
    static_assert(layout.phnum == offsetof(Ehdr, e_phnum) && layout.shentsize == offsetof(Ehdr, e_shentsize)); \
    static_assert(layout.shnum == offsetof(Ehdr, e_shnum) && layout.shstrndx == offsetof(Ehdr, e_shstrndx));   \
    static_assert(layout.sectionHeaderSize == sizeof(Shdr) && layout.shName == offsetof(Shdr, sh_name));       \
    static_assert(layout.shType == offsetof(Shdr, sh_type) && layout.shFlags == offsetof(Shdr, sh_flags));     \
    static_assert(layout.shAddr == offsetof(Shdr, sh_addr) && layout.shOffset == offsetof(Shdr, sh_offset));   \
    static_assert(layout.shSize == offsetof(Shdr, sh_size) && layout.shLink == offsetof(Shdr, sh_link));       \
    static_assert(layout.shEntsize == offsetof(Shdr, sh_entsize));                                             \
    static_assert(layout.programHeaderSize == sizeof(Phdr) && layout.pType == offsetof(Phdr, p_type));         \
    static_assert(layout.pFlags == offsetof(Phdr, p_flags) && layout.pOffset == offsetof(Phdr, p_offset));     \
    static_assert(layout.pVaddr == offsetof(Phdr, p_vaddr) && layout.pFilesz == offsetof(Phdr, p_filesz));     \
    static_assert(layout.pMemsz == offsetof(Phdr, p_memsz));                                                   \
    static_assert(layout.symbolSize == sizeof(Sym) && layout.stName == offsetof(Sym, st_name));                \
    static_assert(layout.stValue == offsetof(Sym, st_value) && layout.stSize == offsetof(Sym, st_size));       \
    static_assert(layout.stInfo == offsetof(Sym, st_info) && layout.stShndx == offsetof(Sym, st_shndx));       \
    static_assert(layout.shAddralign == offsetof(Shdr, sh_addralign) && layout.pAlign == offsetof(Phdr, p_align))

ZEMRIK_SAME_LAYOUT(kElf32Layout, Elf32_Ehdr, Elf32_Shdr, Elf32_Phdr, Elf32_Sym, Elf32_Addr);
ZEMRIK_SAME_LAYOUT(kElf64Layout, Elf64_Ehdr, Elf64_Shdr, Elf64_Phdr, Elf64_Sym, Elf64_Addr);

}  // namespace zemrik::image::elf
#endif
