#!/usr/bin/env python3
"""Writes the seed corpora of the fuzz harnesses into fuzz/corpus/<harness>/.

    fuzz/make_corpus.py [BUILD_DIR]

With a build directory, the image reader's seeds are made from its real
builds of the sample (debug sections stripped, symbols kept). The debug info
reader's are built here from the sample with the installed compilers.

Run it again after changing a seed here; regression inputs found by fuzzing
are added to the corpus directories as files of their own and kept.
"""

import pathlib
import shutil
import struct
import subprocess
import sys

CORPUS = pathlib.Path(__file__).resolve().parent / "corpus"


def write(harness, name, data):
    directory = CORPUS / harness
    directory.mkdir(parents=True, exist_ok=True)
    (directory / name).write_bytes(data if isinstance(data, bytes) else data.encode("latin-1"))


def pe_image(sections, image_base=0x400000, lfanew=0x80, optional_header_size=0xE0, magic=0x10B,
             declared_count=None, size=0x400):
    """A PE32 image: DOS header, PE signature, file header, optional header
    and the section table; each section is (VirtualAddress, VirtualSize,
    PointerToRawData[, SizeOfRawData]), SizeOfRawData by default VirtualSize."""
    table = lfanew + 24 + optional_header_size
    image = bytearray(max(size, table + 40 * len(sections), 0x40))
    image[0:2] = b"MZ"
    struct.pack_into("<I", image, 0x3C, lfanew)
    struct.pack_into("<I", image, lfanew, 0x00004550)
    count = len(sections) if declared_count is None else declared_count
    struct.pack_into("<H", image, lfanew + 6, count)
    struct.pack_into("<H", image, lfanew + 20, optional_header_size)
    struct.pack_into("<H", image, lfanew + 24, magic)
    struct.pack_into("<I", image, lfanew + 0x34, image_base)
    for index, (virtual_address, virtual_size, raw, *raw_size) in enumerate(sections):
        header = table + 40 * index
        struct.pack_into("<III", image, header + 8, virtual_size, virtual_address, (raw_size or [virtual_size])[0])
        struct.pack_into("<I", image, header + 20, raw)
    for offset in range(0x200, len(image)):
        image[offset] = offset & 0xFF
    return bytes(image)


def field_conversion():
    for name, text in {
        "hex": "2C0", "prefixed": "0x40", "upper_prefix": "+0X1f", "negative": "  -1",
        "negative_prefixed": "-0x10", "prefix_alone": "0x", "prefix_no_digit": "0xZ", "trailing": "1A2Cg",
        "wraps": "123456789ABC", "decimal": "257", "blanks": " \t\r\n\v\f", "zero": "0", "sign_alone": "-",
        "prefix_twice": "0x0x5",
    }.items():
        write("fuzz_field_conversion", name, text)


def translate():
    base = 0x400000
    two = [(0x1000, 0x200, 0x200), (0x3000, 0x100, 0x300)]
    image = pe_image(two)
    seeds = {
        "section_start": (base + 0x1000, image),
        "section_end": (base + 0x1200, image),
        "gap": (base + 0x2000, image),
        "headers": (base + 0x80, image),
        "below_base": (base - 1, image),
        "beyond_sections": (base + 0x5000, image),
        "no_sections": (base + 0x10, pe_image([])),
        "pe32_plus": (base + 0x1000, pe_image(two, magic=0x20B)),
        "short_optional_header": (base + 0x1000, pe_image(two, optional_header_size=0x10)),
        "table_past_end": (base + 0x1000, pe_image(two, declared_count=200)),
        "lfanew_past_end": (base, image[:0x3C] + struct.pack("<I", 0x7FFFFFF0) + image[0x40:0x100]),
        "truncated": (base + 0x1000, image[:0x120]),
        "raw_past_end": (base + 0x1000, pe_image([(0x1000, 0x200, 0xFFFFFFF0)])),
        "past_raw_data": (base + 0x1101, pe_image([(0x1000, 0x200, 0x200, 0x100)])),
        "bss": (base + 0x3000, pe_image(two + [(0x3000, 0x100, 0, 0)])),
        "text": (0x41414141, b"MZ this is no image at all"),
        "empty": (0, b""),
    }
    for name, (address, data) in seeds.items():
        write("fuzz_translate", name, struct.pack("<I", address & 0xFFFFFFFF) + data)


def walk():
    table = bytes(range(256)) * 2
    # language, element size (0 bytes, 1 words, 2 dwords), flags (1 decimal,
    # 2 big-endian, the bits above: where two pieces part, in 64ths of the
    # table), items per line - 1, then the table.
    seeds = {
        "c_bytes_hex": (0, 0, 0, 7, table[:64]),
        "c_words_dec": (0, 1, 1, 7, table[:64]),
        "c_dwords_be": (0, 2, 2, 3, table[:64]),
        "asm_bytes": (1, 0, 0, 1, table[:5]),
        "asm_one_per_line": (1, 1, 0, 0, table[:8]),
        "delphi_bytes_dec": (2, 0, 1, 2, bytes([7, 200, 9, 10])),
        "delphi_outgrows": (2, 0, 1, 254, bytes([200]) * 300),
        "delphi_dwords_dec": (2, 2, 1, 9, table[:40]),
        "datastr": (3, 0, 0, 1, bytes([0xA1, 0xB2, 0xC3, 0xD4, 0xE5])),
        "datastr_reversed": (3, 2, 3, 1, bytes([0xA1, 0xB2, 0xC3, 0xD4, 0xE5])),
        "one_element": (0, 2, 0, 0, table[:4]),
        "two_elements": (3, 0, 2, 0, table[:2]),
        "long_lines": (0, 0, 0, 199, table[:450]),
        "asm_pieces_at_a_line_end": (1, 0, 32 << 2, 3, table[:16]),
        "reversed_pieces": (3, 0, 2 | (21 << 2), 4, table[:30]),
    }
    for name, (language, size, flags, per_line, data) in seeds.items():
        write("fuzz_walk", name, bytes([language, size, flags, per_line]) + data)


def typed_walk():
    table = bytes(range(256)) * 4
    # row (0 C, 1 asm, 2 Delphi, 3 Data Str, 4 Rust, 5 Go, 6 Python, 7 C#,
    # 8 GNU as), element type (0 u8 ... 9 f64), flags (1 decimal, 2
    # big-endian, 4 LF, 8 --length, 16 fixed types, 32 --const), items per
    # line - 1, piece length - 1, then --record's and --dims's texts (a length
    # byte and the text), then the table.
    seeds = {
        "c_u8": (0, 0, 0, 11, 4, "", "", table[:64]),
        "rust_f64_be": (4, 9, 2, 3, 2, "", "", table[:64]),
        "go_i16_dec": (5, 5, 1 | 8, 7, 5, "", "", table[:64]),
        "c_record": (0, 0, 16, 1, 1, "id:u16,_:u8,v:i8[3],s:f32", "", table[:120]),
        "asm_record": (1, 0, 1, 3, 2, "a:u64,b:f64[2]", "", table[:96]),
        "gas_record_dims": (8, 0, 2, 0, 3, "a:u16,b:i16", "2x3", table[:24]),
        "delphi_dims": (2, 2, 1 | 4, 4, 6, "", "2x3x4", table[:96]),
        "csharp_dims": (7, 8, 0, 2, 1, "", "4x4", table[:64]),
        "python_record_dims": (6, 0, 0, 2, 2, "x:i8,y:u32[2]", "3x1", table[:27]),
        "datastr_refuses": (3, 0, 0, 1, 1, "a:u8", "", table[:8]),
        "bad_spec": (0, 0, 0, 1, 1, "a:u8,a:u9[0]", "", table[:8]),
    }
    for name, (row, type_, flags, per_line, piece, record, dims, data) in seeds.items():
        head = bytes([row, type_, flags, per_line, piece, len(record)]) + record.encode() + bytes([len(dims)])
        write("fuzz_typed", name, head + dims.encode() + data)


def request_run():
    def seed(items, language, boxes, address, size, per_line, content):
        fields = b"".join(bytes([len(text)]) + text.encode() for text in (address, size, per_line))
        # Selections are stored plus one: 0 means no selection.
        return bytes([items + 1, language + 1, boxes]) + fields + content

    dump, decimal, rva, big_endian, missing, streamed = 1, 2, 4, 8, 16, 32
    content = bytes(range(256))
    image = pe_image([(0x1000, 0x100, 0x200)], size=0x300)
    seeds = {
        "c_bytes": seed(0, 0, 0, "0", "40", "8", content),
        "dump_to_file": seed(0, 0, dump, "0", "3", "8", bytes([1, 2, 3])),
        "words_decimal": seed(1, 2, decimal, "10", "0x20", "4", content),
        "datastr_big_endian": seed(2, 3, big_endian, "1", "5", "2", content),
        "rva": seed(0, 1, rva, "401010", "10", "4", image),
        "rva_text_file": seed(0, 0, rva, "401010", "10", "4", b"plain text, no image"),
        "rva_empty_file": seed(0, 0, rva, "0", "1", "1", b""),
        "table_past_end": seed(0, 0, 0, "F0", "20", "8", content),
        "whole_file": seed(0, 0, 0, "0", "100", "16", content),
        "no_items": seed(-1, 0, 0, "0", "4", "8", content),
        "no_language": seed(0, -1, 0, "0", "4", "8", content),
        "empty_size": seed(0, 0, 0, "0", "", "8", content),
        "bad_size": seed(0, 0, 0, "0", "0xZ", "8", content),
        "bad_items": seed(0, 0, 0, "0", "4", "x", content),
        "not_divisible": seed(1, 0, 0, "0", "3", "8", content),
        "per_line_256": seed(0, 0, 0, "0", "4", "256", content),
        "size_minus_one": seed(0, 0, 0, "0", "-1", "8", content),
        "missing_file": seed(0, 0, missing, "0", "4", "8", content),
        "delphi_outgrows_file": seed(0, 2, dump | decimal, "0", "100", "255", bytes([200]) * 256),
        "streamed_asm_words": seed(1, 1, streamed, "2", "40", "3", content),
        "streamed_reversed": seed(0, 3, streamed | big_endian, "7", "31", "5", content),
    }
    for name, data in seeds.items():
        write("fuzz_request_run", name, data)


def image(build_dir):
    """Each sample build twice: queried at its table's address for the
    table's size, and at address 0."""
    sample = pathlib.Path(build_dir) / "sample"
    builds = {
        "pe32": ("crc32.exe", "i686-w64-mingw32-", "_crc32_table"),
        "pe32_plus": ("crc32_64.exe", "x86_64-w64-mingw32-", "crc32_table"),
        "elf64": ("crc32.elf", "", "crc32_table"),
        "elf32": ("crc32_32.elf", "", "crc32_table"),
    }
    scratch = CORPUS / "stripped.tmp"
    for name, (file, tools, symbol) in builds.items():
        if not (sample / file).exists() or not shutil.which(tools + "strip"):
            print(f"skipping {name}: {sample / file} or {tools}strip missing")
            continue
        subprocess.run([tools + "strip", "--strip-debug", "-o", str(scratch), str(sample / file)], check=True)
        data = scratch.read_bytes()
        scratch.unlink()
        listing = subprocess.run([tools + "nm", "-S", str(sample / file)], check=True, capture_output=True,
                                 text=True).stdout
        address = next(int(line.split()[0], 16) for line in listing.splitlines() if line.endswith(" " + symbol))
        write("fuzz_image", name + "_table", struct.pack("<QI", address, 0x400) + data)
        write("fuzz_image", name + "_zero", struct.pack("<QI", 0, 1) + data)
        if name.startswith("elf"):
            # Stripped as a distribution strips it: linked to its debug file.
            subprocess.run(["objcopy", "--strip-debug", "--add-gnu-debuglink=" + str(sample / file),
                            str(sample / file), str(scratch)], check=True)
            write("fuzz_image", name + "_debuglink", struct.pack("<QI", 0, 1) + scratch.read_bytes())
            scratch.unlink()


def debug_info():
    """The sample built with debug info by each compiler and format the reader
    takes, linked (an object's debug info waits for relocations), then cut to
    its debug sections as a separate debug file is: small seeds, the same
    DWARF."""
    source = pathlib.Path(__file__).resolve().parent.parent / "sample" / "crc32_table.c"
    builds = {
        "gcc_dwarf5": ["gcc", "-g"],
        "gcc_dwarf4": ["gcc", "-gdwarf-4"],
        "clang_dwarf5": ["clang", "-g"],
        "gcc_m32": ["gcc", "-m32", "-g"],
        "gcc_zlib": ["gcc", "-g", "-gz=zlib"],
    }
    linked = CORPUS / "linked.tmp"
    scratch = CORPUS / "debug.tmp"
    for name, command in builds.items():
        # Paths relative to the checkout: the same seeds from any clone.
        relative = ["-fdebug-prefix-map=" + str(source.parent.parent) + "=."]
        if subprocess.run(command + relative + ["-o", str(linked), str(source)], capture_output=True).returncode:
            print(f"skipping {name}: {' '.join(command)} can't build the sample")
            continue
        subprocess.run(["objcopy", "--only-keep-debug", "-R", ".symtab", "-R", ".strtab", str(linked),
                        str(scratch)], check=True)
        write("fuzz_debuginfo", "sample_" + name + "_debug", scratch.read_bytes())
        linked.unlink()
        scratch.unlink()


if __name__ == "__main__":
    if len(sys.argv) > 1:
        image(sys.argv[1])
    field_conversion()
    translate()
    walk()
    typed_walk()
    request_run()
    debug_info()
