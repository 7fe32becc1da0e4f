#!/usr/bin/env python3
"""zemrik-cli's tables, compiled or run by the real tools, mean the file's bytes.

For every language and element size, tables in hex and decimal, little- and
big-endian, are cut from random bytes (with the extreme values of each size
at the start) and put into one program per language, which writes each
array's elements back out as little-endian bytes of their width (for C, the
array's own bytes). Those must equal the file's bytes, each element's bytes
reversed where the table was read big-endian. Tables drawn at random also
carry --length, whose constant the program checks against the count, and
--const where the language takes it. Java and JavaScript print every type
through their typed rows; a record table (padding, an array field,
big-endian) and a 2-D table are read back by C, Go, Python, Java and
JavaScript. Debug builds of the sample and of a few shaped tables (gcc,
clang, and MinGW's i686 and x86_64 PE images, compressed or stripped bare
with a debug link) give --symbol NAME alone, whose declarations compile
beside the originals (C, and Rust for the shaped ones) with the originals'
values.

Usage: compile_output.py ZEMRIK_CLI   (ZEMRIK_COMPILE_SEED=N repeats a run)
Exit 0 all passed, 1 a failure, 77 skipped: a tool is missing and this user
cannot have scripts/install-deps.sh install it (as root, or with CI set, a
missing tool is a failure).
"""

import ctypes
import math
import os
import random
import shutil
import struct
import subprocess
import sys
import tempfile

SKIPPED = 77
SIZES = (1, 2, 4)
ITEMS = {1: "bytes", 2: "words", 4: "dwords"}
# (label, options): hex and decimal, each in both byte orders.
VARIANTS = (
    ("hex", []),
    ("dec", ["--decimal"]),
    ("hex-be", ["--big-endian"]),
    ("dec-be", ["--decimal", "--big-endian"]),
)
# The languages that take --const (the others refuse it).
CONST_LANGUAGES = ("c", "delphi", "rust", "csharp")
# The largest value, the sign bit and zero of every size, read either way.
EDGE_BYTES = bytes.fromhex("FFFFFFFF 80000000 00000080 7FFFFFFF 00000000 FF00FF00".replace(" ", ""))


class Table:
    """One table: where it is, how it is printed, what it must mean."""

    def __init__(self, name, size, variant, options, offset, count, data):
        self.name = name
        self.size = size
        self.variant = variant
        self.options = options
        self.offset = offset
        self.count = count
        raw = data[offset:offset + count * size]
        if "--big-endian" in options:
            raw = b"".join(raw[i:i + size][::-1] for i in range(0, len(raw), size))
        self.expected = raw  # little-endian elements of the table's width


def find_tool(name):
    # The Debian packages that scripts/install-deps.sh installs come first.
    return shutil.which(name, path="/usr/bin") or shutil.which(name)


def tool_version(command):
    try:
        out = subprocess.run(command, capture_output=True, text=True, timeout=60)
    except OSError:
        return "?"
    lines = (out.stdout or out.stderr).strip().splitlines()
    return lines[0].strip() if lines else "?"


class Run:
    def __init__(self, cli, work, data, rng):
        self.cli = cli
        self.work = work
        self.data = data
        self.rng = rng
        self.failures = []
        self.skips = []
        self.matrix = []

    def cli_text(self, table, language, extra):
        arguments = [self.cli, "-l", language, "-i", ITEMS[table.size], "-a", "%X" % table.offset,
                     "-s", "%X" % (table.count * table.size), "-n", str(table.per_line)]
        arguments += table.options + extra
        if language != "datastr":
            arguments += ["--name", table.name]
            if table.length:
                arguments.append("--length")
            if table.const and language in CONST_LANGUAGES:
                arguments.append("--const")
        if table.lf:
            arguments.append("--lf")
        arguments.append(os.path.join(self.work, "input.bin"))
        out = subprocess.run(arguments, capture_output=True, timeout=60)
        if out.returncode != 0:
            raise RuntimeError("zemrik-cli %s: exit %d: %s" % (" ".join(arguments[1:]), out.returncode,
                                                              out.stderr.decode(errors="replace")))
        return out.stdout.decode("ascii")

    def tables(self, upper_case_names=False, sizes=SIZES, variants=VARIANTS):
        tables = []
        for size in sizes:
            for index, (label, options) in enumerate(variants):
                name = "t%d_%s" % (size, label.replace("-", "_"))
                if upper_case_names:
                    name = name.upper()
                # The first table of each size starts at the extreme values.
                count = self.rng.randint(len(EDGE_BYTES) // size, 48) if index == 0 else self.rng.randint(1, 48)
                offset = 0 if index == 0 else self.rng.randrange(0, len(self.data) - count * size)
                table = Table(name, size, label, options, offset, count, self.data)
                table.per_line = self.rng.randint(1, 20)
                table.lf = self.rng.random() < 0.5
                table.length = self.rng.random() < 0.5
                table.const = self.rng.random() < 0.5
                tables.append(table)
        return tables

    def compare(self, language, tool, tables, output, widths, notes=None):
        """`widths` maps an element size to the width the program stores it
        in, `notes` to what the matrix says of it."""
        notes = notes or {}
        position = 0
        for table in tables:
            width = widths.get(table.size, table.size)
            got = output[position:position + table.count * width]
            position += table.count * width
            cell = "%s %s" % (ITEMS[table.size], table.variant)
            if width == table.size:
                ok = got == table.expected
                result = "bytes equal" if ok else "MISMATCH"
                if ok and table.size in notes:
                    result += "; " + notes[table.size]
            else:
                # The type is wider than the element: the values must still match.
                values = [int.from_bytes(got[i:i + width], "little") for i in range(0, len(got), width)]
                wanted = [int.from_bytes(table.expected[i:i + table.size], "little")
                          for i in range(0, len(table.expected), table.size)]
                ok = values == wanted
                result = ("values equal, %d-byte elements; %s" % (width, notes.get(table.size, ""))) if ok else "MISMATCH"
            self.matrix.append((language, cell, tool, result))
            if not ok:
                self.failures.append("%s %s (%s): the program's bytes differ from the file's" %
                                     (language, cell, table.name))
        if position != len(output):
            self.failures.append("%s: the program wrote %d bytes, %d expected" % (language, len(output), position))

    def build_and_run(self, language, file_name, source, compile_command, run_command, environment=None):
        """Writes the source into a folder of its own, compiles it there (when
        `compile_command` is given) and runs it: its output, or None on failure."""
        directory = tempfile.mkdtemp(dir=self.work)
        with open(os.path.join(directory, file_name), "w", newline="") as f:
            f.write(source)
        if compile_command and self.execute(language, compile_command, directory, environment) is None:
            return None
        out = self.execute(language, run_command(directory), directory)
        return None if out is None else out.stdout

    def execute(self, language, command, cwd, environment=None):
        out = subprocess.run(command, cwd=cwd, env=environment, capture_output=True, timeout=300)
        if out.returncode != 0:
            self.failures.append("%s: %s failed (exit %d):\n%s%s" % (
                language, command[0], out.returncode, out.stdout.decode(errors="replace"),
                out.stderr.decode(errors="replace")))
            return None
        return out


def need(run, language, *tools):
    """The tools' paths, or None after recording a skip or a failure."""
    paths = [find_tool(tool) for tool in tools]
    missing = [tool for tool, path in zip(tools, paths) if path is None]
    if not missing:
        return paths
    message = "%s: %s not installed (scripts/install-deps.sh installs it)" % (language, ", ".join(missing))
    if os.geteuid() == 0 or os.environ.get("CI"):
        run.failures.append(message)
    else:
        run.skips.append(message + "; run it as root to test " + language)
    for tool in missing:
        run.matrix.append((language, "all", tool, "SKIPPED: not installed"))
    return None


def check_c(run, fixed):
    language = "c --fixed-types" if fixed else "c"
    tools = need(run, language, "gcc")
    if not tools:
        return
    extra = ["--fixed-types"] if fixed else []
    tables = run.tables()
    source = "#include <stdint.h>\n#include <stdio.h>\n\n"
    source += "".join(run.cli_text(t, "c", extra) + "\n" for t in tables)
    source += "\nint main(void) {\n"
    source += "".join("    if (%s_len != %d) return 1;\n" % (t.name, t.count) for t in tables if t.length)
    source += "".join("    fwrite(%s, sizeof %s, 1, stdout);\n" % (t.name, t.name) for t in tables)
    source += "    return 0;\n}\n"
    output = run.build_and_run(language, "tables.c", source,
                               [tools[0], "-std=c11", "-Wall", "-Wextra", "-pedantic", "-Werror", "-o", "check",
                                "tables.c"], lambda directory: [os.path.join(directory, "check")])
    if output is None:
        return
    widths = {}
    notes = {}
    if not fixed and ctypes.sizeof(ctypes.c_ulong) != 4:
        widths = {4: ctypes.sizeof(ctypes.c_ulong)}
        notes = {4: "unsigned long is %d bytes here: --fixed-types (uint32_t) makes the bytes exact" % widths[4]}
    run.compare(language, "gcc " + tool_version([tools[0], "-dumpfullversion"]), tables, output, widths, notes)


def check_asm(run):
    tools = need(run, "asm", "nasm")
    if not tools:
        return
    tables = run.tables()
    source = "".join(run.cli_text(t, "asm", []) + "\n" for t in tables)
    # A wrong length makes one count negative, which nasm refuses.
    source += "".join("times %s_len - %d db 0\ntimes %d - %s_len db 0\n" % (t.name, t.count, t.count, t.name)
                      for t in tables if t.length)
    # A flat binary holds exactly the bytes the directives define.
    output = run.build_and_run("asm", "tables.asm", source,
                               [tools[0], "-f", "bin", "-w+all", "-Werror", "-o", "tables.bin", "tables.asm"],
                               lambda directory: ["cat", os.path.join(directory, "tables.bin")])
    if output is not None:
        run.compare("asm", tool_version([tools[0], "-v"]), tables, output, {})


def check_delphi(run, fixed):
    language = "delphi --fixed-types" if fixed else "delphi"
    tools = need(run, language, "fpc")
    if not tools:
        return
    extra = ["--fixed-types"] if fixed else []
    tables = run.tables()
    source = "program check;\n\n" + "".join(run.cli_text(t, "delphi", extra) + "\n" for t in tables)
    # Through a variable: a comparison of two constants warns of unreachable code.
    source += "\nvar output: File;\n  count: LongInt;\nbegin\n"
    source += "".join("  count := %d;\n  if %s_len <> count then Halt(1);\n" % (t.count, t.name)
                      for t in tables if t.length)
    source += "  Assign(output, ParamStr(1));\n  Rewrite(output, 1);\n"
    source += "".join("  BlockWrite(output, %s, SizeOf(%s));\n" % (t.name, t.name) for t in tables)
    source += "  Close(output);\nend.\n"
    directory = tempfile.mkdtemp(dir=run.work)
    with open(os.path.join(directory, "check.pas"), "w", newline="") as f:
        f.write(source)
    built = run.execute(language, [tools[0], "-Mdelphi", "-vw", "-ocheck", "check.pas"], directory)
    if built is None:
        return
    warnings = [line for line in built.stdout.decode(errors="replace").splitlines() if "Warning:" in line]
    notes = {}
    if fixed and warnings:
        run.failures.append("%s: fpc warned:\n%s" % (language, "\n".join(warnings)))
    if not fixed and warnings:
        # longint is signed: values above 7FFFFFFF warn but keep their bytes.
        notes = {4: "fpc warned %d times (longint is signed): --fixed-types (LongWord) compiles clean" % len(warnings)}
    if run.execute(language, [os.path.join(directory, "check"), "tables.bin"], directory) is None:
        return
    with open(os.path.join(directory, "tables.bin"), "rb") as f:
        output = f.read()
    run.compare(language, "fpc " + tool_version([tools[0], "-iV"]), tables, output, {}, notes)


def check_rust(run):
    tools = need(run, "rust", "rustc")
    if not tools:
        return
    tables = run.tables(upper_case_names=True)
    source = "use std::io::Write;\n\n" + "".join(run.cli_text(t, "rust", []) + "\n" for t in tables)
    source += "\nfn main() {\n    let mut out: Vec<u8> = Vec::new();\n"
    source += "".join("    assert_eq!(%s_LEN, %d);\n" % (t.name, t.count) for t in tables if t.length)
    source += "".join("    for v in %s.iter() {\n        out.extend_from_slice(&v.to_le_bytes());\n    }\n" % t.name
                      for t in tables)
    source += "    std::io::stdout().write_all(&out).unwrap();\n}\n"
    output = run.build_and_run("rust", "check.rs", source,
                               [tools[0], "--edition", "2021", "-D", "warnings", "-o", "check", "check.rs"],
                               lambda directory: [os.path.join(directory, "check")])
    if output is not None:
        run.compare("rust", tool_version([tools[0], "--version"]), tables, output, {})


def check_go(run):
    tools = need(run, "go", "go")
    if not tools:
        return
    tables = run.tables()
    source = 'package main\n\nimport (\n\t"bytes"\n\t"encoding/binary"\n\t"os"\n)\n\n'
    source += "".join(run.cli_text(t, "go", []) + "\n" for t in tables)
    source += "\nfunc main() {\n\tvar out bytes.Buffer\n"
    source += "".join("\tif %s_len != %d {\n\t\tos.Exit(1)\n\t}\n" % (t.name, t.count) for t in tables if t.length)
    source += "".join("\tbinary.Write(&out, binary.LittleEndian, %s[:])\n" % t.name for t in tables)
    source += "\tos.Stdout.Write(out.Bytes())\n}\n"
    environment = dict(os.environ, GO111MODULE="off", GOPROXY="off", GOFLAGS="")
    if "HOME" not in environment:
        environment["GOCACHE"] = os.path.join(run.work, "gocache")
    output = run.build_and_run("go", "check.go", source, [tools[0], "build", "-o", "check", "check.go"],
                               lambda directory: [os.path.join(directory, "check")], environment)
    if output is not None:
        run.compare("go", tool_version([tools[0], "version"]), tables, output, {})


def check_python(run):
    tools = need(run, "python", "python3")
    if not tools:
        return
    tables = run.tables()
    formats = {1: "B", 2: "H", 4: "I"}
    source = "import struct\nimport sys\n\n" + "".join(run.cli_text(t, "python", []) + "\n" for t in tables)
    source += "".join("\nassert %s_len == %d" % (t.name, t.count) for t in tables if t.length)
    # struct refuses a value out of the element's range.
    source += "\nsys.stdout.buffer.write(b''.join([\n"
    source += "".join("    struct.pack('<%%d%s' %% len(%s), *%s),\n" % (formats[t.size], t.name, t.name)
                      for t in tables)
    source += "]))\n"
    output = run.build_and_run("python", "check.py", source, None, lambda directory: [tools[0], "check.py"])
    if output is not None:
        run.compare("python", tool_version([tools[0], "--version"]), tables, output, {})


def check_csharp(run):
    tools = need(run, "csharp", "mcs", "mono")
    if not tools:
        return
    tables = run.tables()
    source = "using System;\nusing System.IO;\n\nclass Check {\n"
    source += "".join(run.cli_text(t, "csharp", []) + "\n" for t in tables)
    source += """
    static void Put(Stream o, byte[] t) { o.Write(t, 0, t.Length); }
    static void Put(Stream o, ushort[] t) { foreach (var v in t) o.Write(BitConverter.GetBytes(v), 0, 2); }
    static void Put(Stream o, uint[] t) { foreach (var v in t) o.Write(BitConverter.GetBytes(v), 0, 4); }

    static void Main() {
"""
    # Through a variable: a comparison of two constants warns of unreachable code.
    if any(t.length for t in tables):
        source += "        int count;\n"
    source += "".join("        count = %d;\n        if (%s_len != count) Environment.Exit(1);\n" % (t.count, t.name)
                      for t in tables if t.length)
    source += """        using (var o = Console.OpenStandardOutput()) {
"""
    source += "".join("            Put(o, %s);\n" % t.name for t in tables)
    source += "        }\n    }\n}\n"
    output = run.build_and_run("csharp", "check.cs", source, [tools[0], "-warnaserror+", "-out:check.exe", "check.cs"],
                               lambda directory: [tools[1], os.path.join(directory, "check.exe")])
    if output is not None:
        run.compare("csharp", tool_version([tools[0], "--version"]), tables, output, {})


def check_gas(run):
    tools = need(run, "gas", "as", "objcopy")
    if not tools:
        return
    tables = run.tables()
    source = "".join(run.cli_text(t, "gas", []) + "\n" for t in tables)
    source += "".join('.if %s_len != %d\n.error "wrong length"\n.endif\n' % (t.name, t.count)
                      for t in tables if t.length)
    # The directives put the bytes into .text; objcopy takes out exactly those.
    output = run.build_and_run("gas", "tables.s", source, None, lambda directory: [
        "sh", "-c", '"$0" --fatal-warnings -o tables.o tables.s && "$1" -O binary -j .text tables.o tables.bin '
        '&& cat tables.bin', tools[0], tools[1]])
    if output is not None:
        run.compare("gas", tool_version([tools[0], "--version"]), tables, output, {})


def check_datastr(run):
    tools = need(run, "datastr", "xxd")
    if not tools:
        return
    # Data Str prints bytes; big-endian reverses the whole table.
    tables = run.tables(sizes=(1,), variants=(("hex", []), ("hex-be", ["--big-endian"])))
    for table in tables:
        if "--big-endian" in table.options:
            table.expected = table.expected[::-1]
    output = b""
    for table in tables:
        text = run.cli_text(table, "datastr", [])
        out = subprocess.run([tools[0], "-r", "-p"], input=text.encode(), capture_output=True, timeout=60)
        output += out.stdout
    run.compare("datastr", "xxd -r -p " + tool_version([tools[0], "-v"]), tables, output, {})


# Typed tables: the types only the typed walk prints, each with its edges
# (min, max, 0, -1; -0.0, the smallest subnormal, the largest finite value,
# +-inf, NaN) beside random values, hex and decimal, both byte orders.
TYPED = ("u64", "i8", "i16", "i32", "i64", "f32", "f64")
TYPED_FORMATS = {"u8": "B", "u16": "H", "u32": "I", "u64": "Q", "i8": "b", "i16": "h", "i32": "i", "i64": "q", "f32": "I", "f64": "Q"}
TYPED_WIDTHS = {"u8": 1, "u16": 2, "u32": 4, "u64": 8, "i8": 1, "i16": 2, "i32": 4, "i64": 8, "f32": 4, "f64": 8}
C_TYPES = {"u64": "uint64_t", "i8": "int8_t", "i16": "int16_t", "i32": "int32_t", "i64": "int64_t", "f32": "float",
           "f64": "double"}


def typed_values(rng, type_name):
    """The type's edge values then random ones, as little-endian bytes."""
    width = TYPED_WIDTHS[type_name]
    bits = width * 8
    if type_name == "f32":
        values = [0x80000000, 1, 0x7F7FFFFF, 0x7F800000, 0xFF800000, 0x7FC00000, 0, 0x80800000]
    elif type_name == "f64":
        values = [1 << 63, 1, 0x7FEFFFFFFFFFFFFF, 0x7FF0000000000000, 0xFFF0000000000000, 0x7FF8000000000000, 0,
                  0x8010000000000000]
    elif type_name[0] == "u":
        values = [0, (1 << bits) - 1, 1]
    else:
        values = [-(1 << (bits - 1)), (1 << (bits - 1)) - 1, 0, -1, 1]
    if type_name[0] == "f":
        # Random finite values of every exponent.
        values += [rng.getrandbits(bits) & ~(0x7F800000 if width == 4 else 0x7FF0000000000000) |
                   (rng.randrange(1, 255 if width == 4 else 2047) << (23 if width == 4 else 52)) for _ in range(10)]
    elif type_name[0] == "u":
        values += [rng.getrandbits(bits) for _ in range(10)]
    else:
        values += [rng.getrandbits(bits) - (1 << (bits - 1)) for _ in range(10)]
    return struct.pack("<%d%s" % (len(values), TYPED_FORMATS[type_name]), *values)


def canonical(type_name, data):
    """NaN payloads are not kept everywhere: every NaN compares as one."""
    if type_name[0] != "f":
        return data
    width = TYPED_WIDTHS[type_name]
    out = b""
    for i in range(0, len(data), width):
        value = struct.unpack("<" + ("f" if width == 4 else "d"), data[i:i + width])[0]
        out += b"NaN!" * (width // 4) if math.isnan(value) else data[i:i + width]
    return out


class TypedTables:
    """Every typed table, its bytes in one input file of its own."""

    def __init__(self, run, types=TYPED, file_name="typed.bin"):
        self.run = run
        self.path = os.path.join(run.work, file_name)
        self.tables = []  # (type, notation, order, offset, size, little-endian bytes)
        data = b""
        for type_name in types:
            little = typed_values(run.rng, type_name)
            width = TYPED_WIDTHS[type_name]
            big = b"".join(little[i:i + width][::-1] for i in range(0, len(little), width))
            for notation in ("hex", "dec"):
                for order, stored in (("le", little), ("be", big)):
                    self.tables.append((type_name, notation, order, len(data), len(stored), little))
                    data += stored
        with open(self.path, "wb") as f:
            f.write(data)

    def text(self, language, index, name, extra=()):
        type_name, notation, order, offset, size, _ = self.tables[index]
        arguments = [self.run.cli, "-l", language, "-i", type_name, "-a", "%X" % offset, "-s", "%X" % size, "-n", "5",
                     "--lf", "--name", name] + list(extra)
        if notation == "dec":
            arguments.append("--decimal")
        if order == "be":
            arguments.append("--big-endian")
        out = subprocess.run(arguments + [self.path], capture_output=True, timeout=60)
        if out.returncode != 0:
            raise RuntimeError("zemrik-cli %s: exit %d: %s" % (" ".join(arguments[1:]), out.returncode,
                                                              out.stderr.decode(errors="replace")))
        return out.stdout.decode("ascii")

    def compare(self, language, tool, output):
        position = 0
        for type_name, notation, order, _, size, little in self.tables:
            got = output[position:position + size]
            position += size
            ok = canonical(type_name, got) == canonical(type_name, little)
            self.run.matrix.append((language, "%s %s-%s" % (type_name, notation, order), tool,
                                    "values equal" if ok else "MISMATCH"))
            if not ok:
                self.run.failures.append("%s %s %s %s: the program's values differ from the file's" %
                                         (language, type_name, notation, order))
        if position != len(output):
            self.run.failures.append("%s: the program wrote %d bytes, %d expected" % (language, len(output), position))


def check_typed_c(run, typed, fixed):
    language = "typed c --fixed-types" if fixed else "typed c"
    tools = need(run, language, "gcc", "g++")
    if not tools:
        return
    extra = ["--fixed-types"] if fixed else []
    source = "#include <math.h>\n#include <stdint.h>\n#include <stdio.h>\n\n"
    body = ""
    for index, table in enumerate(typed.tables):
        source += typed.text("c", index, "t%d" % index, extra) + "\n"
        # Through the fixed-width type: the classic names may be wider.
        body += "    for (size_t k = 0; k < sizeof t%d / sizeof t%d[0]; ++k) {\n" % (index, index)
        body += "        %s v = (%s)t%d[k];\n        fwrite(&v, sizeof v, 1, stdout);\n    }\n" % (
            C_TYPES[table[0]], C_TYPES[table[0]], index)
    source += "\nint main(void) {\n" + body + "    return 0;\n}\n"
    for compiler, flags in ((tools[0], ["-std=c11", "-Wall", "-Wextra", "-pedantic", "-Werror", "-x", "c"]),
                            (tools[1], ["-std=c++17", "-Wall", "-Werror", "-x", "c++"])):
        output = run.build_and_run(language, "tables.c", source, [compiler] + flags + ["-o", "check", "tables.c", "-lm"],
                                   lambda directory: [os.path.join(directory, "check")])
        if output is not None:
            typed.compare(language, os.path.basename(compiler) + " " + tool_version([compiler, "-dumpfullversion"]),
                          output)


def check_typed_rust(run, typed):
    tools = need(run, "typed rust", "rustc")
    if not tools:
        return
    source = "use std::io::Write;\n\n"
    body = ""
    for index, _ in enumerate(typed.tables):
        source += typed.text("rust", index, "T%d" % index) + "\n"
        body += "    for v in T%d.iter() {\n        out.extend_from_slice(&v.to_le_bytes());\n    }\n" % index
    source += "\nfn main() {\n    let mut out: Vec<u8> = Vec::new();\n" + body
    source += "    std::io::stdout().write_all(&out).unwrap();\n}\n"
    output = run.build_and_run("typed rust", "check.rs", source,
                               [tools[0], "--edition", "2021", "-D", "warnings", "-o", "check", "check.rs"],
                               lambda directory: [os.path.join(directory, "check")])
    if output is not None:
        typed.compare("typed rust", tool_version([tools[0], "--version"]), output)


def check_typed_go(run, typed):
    tools = need(run, "typed go", "go")
    if not tools:
        return
    source = 'package main\n\nimport (\n\t"bytes"\n\t"encoding/binary"\n\t"math"\n\t"os"\n)\n\nvar _ = math.Pi\n\n'
    body = ""
    for index, _ in enumerate(typed.tables):
        source += typed.text("go", index, "t%d" % index) + "\n"
        body += "\tbinary.Write(&out, binary.LittleEndian, t%d[:])\n" % index
    source += "\nfunc main() {\n\tvar out bytes.Buffer\n" + body + "\tos.Stdout.Write(out.Bytes())\n}\n"
    environment = dict(os.environ, GO111MODULE="off", GOPROXY="off", GOFLAGS="")
    if "HOME" not in environment:
        environment["GOCACHE"] = os.path.join(run.work, "gocache")
    output = run.build_and_run("typed go", "check.go", source, [tools[0], "build", "-o", "check", "check.go"],
                               lambda directory: [os.path.join(directory, "check")], environment)
    if output is not None:
        typed.compare("typed go", tool_version([tools[0], "version"]), output)


def check_typed_python(run, typed):
    tools = need(run, "typed python", "python3")
    if not tools:
        return
    formats = dict(TYPED_FORMATS, f32="f", f64="d")
    source = "import struct\nimport sys\n\nout = b''\n"
    for index, table in enumerate(typed.tables):
        source += typed.text("python", index, "t%d" % index) + "\n"
        source += "out += struct.pack('<%%d%s' %% len(t%d), *t%d)\n" % (formats[table[0]], index, index)
    source += "sys.stdout.buffer.write(out)\n"
    output = run.build_and_run("typed python", "check.py", source, None, lambda directory: [tools[0], "check.py"])
    if output is not None:
        typed.compare("typed python", tool_version([tools[0], "--version"]), output)


def check_typed_csharp(run, typed):
    tools = need(run, "typed csharp", "mcs", "mono")
    if not tools:
        return
    source = "using System;\nusing System.IO;\n\nclass Check {\n"
    for type_name in ("byte", "sbyte", "short", "int", "long", "ulong", "float", "double"):
        source += "    static void Put(Stream o, %s[] t) { foreach (var v in t) { var b = %s; o.Write(b, 0, b.Length); } }\n" % (
            type_name, "new byte[] { (byte)v }" if type_name in ("byte", "sbyte") else "BitConverter.GetBytes(v)")
    body = ""
    for index, _ in enumerate(typed.tables):
        source += typed.text("csharp", index, "t%d" % index) + "\n"
        body += "            Put(o, t%d);\n" % index
    source += "    static void Main() {\n        using (var o = Console.OpenStandardOutput()) {\n" + body
    source += "        }\n    }\n}\n"
    output = run.build_and_run("typed csharp", "check.cs", source,
                               [tools[0], "-warnaserror+", "-out:check.exe", "check.cs"],
                               lambda directory: [tools[1], os.path.join(directory, "check.exe")])
    if output is not None:
        typed.compare("typed csharp", tool_version([tools[0], "--version"]), output)


def check_typed_delphi(run, typed):
    tools = need(run, "typed delphi", "fpc")
    if not tools:
        return
    source = "program check;\n\nuses Math;\n\n"
    source += "".join(typed.text("delphi", index, "t%d" % index) + "\n" for index, _ in enumerate(typed.tables))
    source += "\nvar output: File;\nbegin\n  Assign(output, ParamStr(1));\n  Rewrite(output, 1);\n"
    source += "".join("  BlockWrite(output, t%d, SizeOf(t%d));\n" % (index, index) for index, _ in enumerate(typed.tables))
    source += "  Close(output);\nend.\n"
    directory = tempfile.mkdtemp(dir=run.work)
    with open(os.path.join(directory, "check.pas"), "w", newline="") as f:
        f.write(source)
    built = run.execute("typed delphi", [tools[0], "-Mdelphi", "-vw", "-ocheck", "check.pas"], directory)
    if built is None or run.execute("typed delphi", [os.path.join(directory, "check"), "tables.bin"], directory) is None:
        return
    # fpc reads a hex literal as Int64: a UInt64 of $8000000000000000 or more
    # warns of a range check, and keeps its bits. Any other warning fails.
    warnings = [line for line in built.stdout.decode(errors="replace").splitlines() if "Warning:" in line]
    known = [line for line in warnings if "must be between 0 and 18446744073709551615" in line]
    if len(known) != len(warnings):
        run.failures.append("typed delphi: fpc warned:\n" + "\n".join(set(warnings) - set(known)))
    with open(os.path.join(directory, "tables.bin"), "rb") as f:
        typed.compare("typed delphi", "fpc " + tool_version([tools[0], "-iV"]), f.read())
    if known:
        run.matrix.append(("typed delphi", "u64 hex", "fpc", "%d range-check warnings (UInt64 hex >= $8000000000000000), "
                           "bits kept" % len(known)))


def check_typed_assemblers(run, typed):
    """nasm and GNU as: floats are their bit patterns; both must give the bytes."""
    tools = need(run, "typed asm", "nasm")
    if tools:
        source = "".join(typed.text("asm", index, "t%d" % index) + "\n" for index, _ in enumerate(typed.tables))
        output = run.build_and_run("typed asm", "tables.asm", source,
                                   [tools[0], "-f", "bin", "-w+all", "-Werror", "-o", "tables.bin", "tables.asm"],
                                   lambda directory: ["cat", os.path.join(directory, "tables.bin")])
        if output is not None:
            typed.compare("typed asm", tool_version([tools[0], "-v"]), output)
    tools = need(run, "typed gas", "as", "objcopy")
    if tools:
        source = "".join(typed.text("gas", index, "t%d" % index) + "\n" for index, _ in enumerate(typed.tables))
        output = run.build_and_run("typed gas", "tables.s", source, None, lambda directory: [
            "sh", "-c", '"$0" --fatal-warnings -o tables.o tables.s && "$1" -O binary -j .text tables.o tables.bin '
            '&& cat tables.bin', tools[0], tools[1]])
        if output is not None:
            typed.compare("typed gas", tool_version([tools[0], "--version"]), output)


def check_typed_java_and_javascript(run):
    """Every table of Java and JavaScript goes through their typed rows, bytes
    to dwords too."""
    typed = TypedTables(run, ("u8", "u16", "u32") + TYPED, "typed_all.bin")
    tools = need(run, "java", "javac", "java")
    if tools:
        puts = {1: "put", 2: "putShort", 4: "putInt", 8: "putLong"}
        source = "class Check {\n"
        body = ""
        for index, table in enumerate(typed.tables):
            source += typed.text("java", index, "T%d" % index) + "\n"
            put = {"f32": "putFloat", "f64": "putDouble"}.get(table[0], puts[TYPED_WIDTHS[table[0]]])
            body += "        for (var v : T%d) b.%s(v);\n" % (index, put)
        total = sum(table[4] for table in typed.tables)
        source += ("    public static void main(String[] a) {\n        var b = java.nio.ByteBuffer.allocate(%d)"
                   ".order(java.nio.ByteOrder.LITTLE_ENDIAN);\n" % total + body +
                   "        System.out.write(b.array(), 0, b.position());\n        System.out.flush();\n    }\n}\n")
        output = run.build_and_run("java", "Check.java", source, [tools[0], "-Xlint:all", "-Werror", "Check.java"],
                                   lambda directory: [tools[1], "-cp", directory, "Check"])
        if output is not None:
            typed.compare("java", tool_version([tools[0], "-version"]), output)
    tools = need(run, "javascript", "node")
    if tools:
        source = "'use strict';\nconst out = [];\n"
        for index, _ in enumerate(typed.tables):
            source += typed.text("javascript", index, "t%d" % index) + "\n"
            source += "out.push(Buffer.from(t%d.buffer));\n" % index
        source += "process.stdout.write(Buffer.concat(out));\n"
        output = run.build_and_run("javascript", "check.js", source, None, lambda directory: [tools[0], "check.js"])
        if output is not None:
            typed.compare("javascript", tool_version([tools[0], "--version"]), output)


# A record with padding and an array field, read big-endian, and a 2-D table.
RECORD = (("id", "u16", 1), ("_", "u8", 1), ("scale", "f32", 1), ("v", "i16", 3), ("off", "u32", 1))
RECORD_COUNT = 5
DIMS = (4, 6)


def check_shapes(run):
    """--record and --dims through zemrik-cli, read back by C, Go, Python, Java and JavaScript."""
    stored = b""
    wanted = b""
    for _ in range(RECORD_COUNT):
        for name, type_name, count in RECORD:
            for _ in range(count):
                if type_name == "f32":
                    # A finite float: every exponent but the all-ones one.
                    value = struct.pack("<I", run.rng.getrandbits(32) & 0x807FFFFF | run.rng.randrange(0, 255) << 23)
                else:
                    value = bytes(run.rng.randrange(256) for _ in range(TYPED_WIDTHS[type_name]))
                stored += value[::-1]
                if name != "_":
                    wanted += value
    dims = bytes(run.rng.randrange(256) for _ in range(DIMS[0] * DIMS[1] * 4))
    path = os.path.join(run.work, "shapes.bin")
    with open(path, "wb") as f:
        f.write(stored + dims)
    wanted += dims
    spec = ",".join("%s:%s%s" % (name, type_name, "[%d]" % count if count > 1 else "") for name, type_name, count in RECORD)

    def text(language, extra):
        record = [run.cli, "-l", language, "--lf", "--record", spec, "--big-endian", "--name", "rec",
                  "-s", "%X" % len(stored)] + extra + [path]
        grid = [run.cli, "-l", language, "--lf", "-i", "i32", "--decimal", "--dims", "%dx%d" % DIMS, "--name", "grid",
                "-a", "%X" % len(stored)] + extra + [path]
        texts = [subprocess.run(arguments, capture_output=True, timeout=60) for arguments in (record, grid)]
        for arguments, out in zip((record, grid), texts):
            if out.returncode != 0:
                raise RuntimeError("zemrik-cli %s: exit %d: %s" % (" ".join(arguments[1:]), out.returncode,
                                                                  out.stderr.decode(errors="replace")))
        return "\n".join(out.stdout.decode("ascii") for out in texts) + "\n"

    def compare(language, tool, output):
        ok = output == wanted
        run.matrix.append((language, "record, 2-D", tool, "bytes equal" if ok else "MISMATCH"))
        if not ok:
            run.failures.append("%s: the record and 2-D tables' bytes differ from the file's" % language)

    printed = [(name, type_name, count) for name, type_name, count in RECORD if name != "_"]
    tools = need(run, "shapes c", "gcc", "g++")
    if tools:
        body = "    for (size_t k = 0; k < %d; ++k) {\n" % RECORD_COUNT
        for name, _, count in printed:
            body += "        fwrite(&rec[k].%s, sizeof rec[k].%s, 1, stdout);\n" % (name, name)
        body += "    }\n    fwrite(grid, sizeof grid, 1, stdout);\n"
        source = "#include <stdint.h>\n#include <stdio.h>\n\n" + text("c", ["--fixed-types"])
        source += "\nint main(void) {\n" + body + "    return 0;\n}\n"
        for compiler, flags in ((tools[0], ["-std=c11", "-Wall", "-Wextra", "-pedantic", "-Werror", "-x", "c"]),
                                (tools[1], ["-std=c++17", "-Wall", "-Werror", "-x", "c++"])):
            output = run.build_and_run("shapes c", "shapes.c", source,
                                       [compiler] + flags + ["-o", "check", "shapes.c"],
                                       lambda directory: [os.path.join(directory, "check")])
            if output is not None:
                compare("c", os.path.basename(compiler) + " " + tool_version([compiler, "-dumpfullversion"]), output)
    tools = need(run, "shapes go", "go")
    if tools:
        source = 'package main\n\nimport (\n\t"encoding/binary"\n\t"os"\n)\n\n' + text("go", [])
        source += "\nfunc main() {\n\tbinary.Write(os.Stdout, binary.LittleEndian, rec)\n"
        source += "\tbinary.Write(os.Stdout, binary.LittleEndian, grid)\n}\n"
        environment = dict(os.environ, GO111MODULE="off", GOPROXY="off", GOFLAGS="")
        if "HOME" not in environment:
            environment["GOCACHE"] = os.path.join(run.work, "gocache")
        output = run.build_and_run("shapes go", "shapes.go", source, [tools[0], "build", "-o", "check", "shapes.go"],
                                   lambda directory: [os.path.join(directory, "check")], environment)
        if output is not None:
            compare("go", tool_version([tools[0], "version"]), output)
    tools = need(run, "shapes python", "python3")
    if tools:
        formats = "".join(dict(TYPED_FORMATS, f32="f")[type_name] * count for _, type_name, count in printed)
        source = "import struct\nimport sys\n\n" + text("python", [])
        source += "out = b''\nfor r in rec:\n    flat = []\n"
        source += "    for f in r:\n        flat += list(f) if isinstance(f, tuple) else [f]\n"
        source += "    out += struct.pack('<%s', *flat)\nfor row in grid:\n" % formats
        source += "    out += struct.pack('<%di', *row)\nsys.stdout.buffer.write(out)\n" % DIMS[1]
        output = run.build_and_run("shapes python", "shapes.py", source, None,
                                   lambda directory: [tools[0], "shapes.py"])
        if output is not None:
            compare("python", tool_version([tools[0], "--version"]), output)


    tools = need(run, "shapes java", "javac", "java")
    if tools:
        puts = {"u8": "put", "u16": "putShort", "i16": "putShort", "u32": "putInt", "i32": "putInt", "f32": "putFloat"}
        body = "        for (var r : rec) {\n"
        for name, type_name, count in printed:
            if count > 1:
                body += "            for (var x : r.%s()) b.%s(x);\n" % (name, puts[type_name])
            else:
                body += "            b.%s(r.%s());\n" % (puts[type_name], name)
        body += "        }\n        for (var row : grid) for (var x : row) b.putInt(x);\n"
        source = "class Shapes {\n" + text("java", []) + "    public static void main(String[] a) {\n"
        source += ("        var b = java.nio.ByteBuffer.allocate(%d).order(java.nio.ByteOrder.LITTLE_ENDIAN);\n" %
                   len(wanted)) + body
        source += "        System.out.write(b.array(), 0, b.position());\n        System.out.flush();\n    }\n}\n"
        output = run.build_and_run("shapes java", "Shapes.java", source,
                                   [tools[0], "-Xlint:all", "-Werror", "Shapes.java"],
                                   lambda directory: [tools[1], "-cp", directory, "Shapes"])
        if output is not None:
            compare("java", tool_version([tools[0], "-version"]), output)
    tools = need(run, "shapes javascript", "node")
    if tools:
        setters = {"u8": "Uint8", "u16": "Uint16", "i16": "Int16", "u32": "Uint32", "f32": "Float32"}
        source = "'use strict';\n" + text("javascript", []) + "const out = [];\n"
        source += ("function put(width, type, x) {\n    const d = new DataView(new ArrayBuffer(width));\n"
                   "    d['set' + type](0, x, true);\n    out.push(Buffer.from(d.buffer));\n}\n")
        source += "for (const r of rec) {\n"
        for name, type_name, count in printed:
            # A plain number field holds the float's own value, not a nearby double.
            if type_name == "f32":
                source += "    if (Math.fround(r.%s) !== r.%s) process.exit(1);\n" % (name, name)
            value = "for (const x of r.%s) put(%d, '%s', x);" if count > 1 else "put(%d, '%s', r.%s);"
            arguments = ((name, TYPED_WIDTHS[type_name], setters[type_name]) if count > 1 else
                         (TYPED_WIDTHS[type_name], setters[type_name], name))
            source += "    " + value % arguments + "\n"
        source += "}\nfor (const row of grid) {\n    if (!(row instanceof Int32Array)) process.exit(1);\n"
        source += "    out.push(Buffer.from(row.buffer));\n}\nprocess.stdout.write(Buffer.concat(out));\n"
        output = run.build_and_run("shapes javascript", "shapes.js", source, None,
                                   lambda directory: [tools[0], "shapes.js"])
        if output is not None:
            compare("javascript", tool_version([tools[0], "--version"]), output)


def check_typed(run):
    typed = TypedTables(run)
    check_typed_c(run, typed, False)
    check_typed_c(run, typed, True)
    check_typed_delphi(run, typed)
    check_typed_rust(run, typed)
    check_typed_go(run, typed)
    check_typed_python(run, typed)
    check_typed_csharp(run, typed)
    check_typed_assemblers(run, typed)


# Tables named by --symbol alone in a debug build: the sample's CRC table and
# these, beside a program that prints every value of the originals and of the
# printed declarations, member by member (a float as its bits).
SHAPES_SOURCE = r"""#include <stdint.h>
#include <stdio.h>
extern const unsigned int crc32_table[256];
struct op { uint16_t type; uint32_t offset; float scale; int8_t v[3]; double weight; };
const struct op ops[3] = {{1, 2, 3.5f, {-1, 2, -128}, -0.25}, {65535, 0xFFFFFFFF, -1e30f, {127, 0, 1}, 1e300}};
const struct op spare_ops[2] = {{7, 8, 0.125f, {1, 2, 3}, 2.5}};
const int16_t grid[3][4] = {{-32768, 32767, 0, 1}, {-1, 2, -3, 4}};
float sine[5] = {0.0f, 0.5f, -0.5f, 1e-40f, 3.4e38f};
const uint64_t wide[2][2][2] = {{{0, 18446744073709551615u}, {1, 9223372036854775808u}}};
"""
# (name, dimensions, record fields as (name, array) or None)
OP_FIELDS = (("type", False), ("offset", False), ("scale", False), ("v", True), ("weight", False))
SHAPES = (("crc32_table", 1, None), ("ops", 1, OP_FIELDS), ("grid", 2, None), ("sine", 1, None), ("wide", 3, None),
          ("spare_ops", 1, OP_FIELDS))
# A member Rust reserves, declared with a _ after it.
RUST_FIELD_NAMES = {"type": "type_"}
DUMP_MACROS = r"""#include <stdint.h>
#include <stdio.h>
#include <string.h>
static void put_i(long long v) { printf("%lld\n", v); }
static void put_u(unsigned long long v) { printf("%llu\n", v); }
static void put_f(float v) { uint32_t b; memcpy(&b, &v, 4); printf("%u\n", (unsigned)b); }
static void put_d(double v) { uint64_t b; memcpy(&b, &v, 8); printf("%llu\n", (unsigned long long)b); }
#define PUT(x) _Generic((x), float: put_f, double: put_d, uint64_t: put_u, default: put_i)(x)
"""


def dump_function(function):
    """The same C text walks the originals and the printed tables."""
    body = "void %s(void) {\n" % function
    for name, dims, fields in SHAPES:
        element = name + "[0]" * dims
        body += "    { const __typeof__(%s) *e = (const void *)&%s;\n" % (element, name)
        body += "      for (size_t i = 0; i < sizeof %s / sizeof *e; i++) {" % name
        if fields is None:
            body += " PUT(e[i]);"
        for field, array in fields or ():
            if array:
                body += " for (size_t k = 0; k < sizeof e[i].%s / sizeof e[i].%s[0]; k++) PUT(e[i].%s[k]);" % (
                    field, field, field)
            else:
                body += " PUT(e[i].%s);" % field
        body += " } }\n"
    return body + "}\n"


def rust_dump(name, dims, fields):
    """The Rust program's walk of one printed table, as dump_function's."""
    loops, item = "", name
    for depth in range(dims):
        loops += "for e%d in %s.iter() { " % (depth, item)
        item = "e%d" % depth
    if fields is None:
        inner = "put(%s);" % item
    else:
        inner = " ".join("for x in %s.%s.iter() { put(x); }" % (item, RUST_FIELD_NAMES.get(f, f)) if array
                         else "put(&%s.%s);" % (item, RUST_FIELD_NAMES.get(f, f)) for f, array in fields)
    return "    " + loops + inner + " }" * dims + "\n"


RUST_PUT = """trait Put { fn text(&self) -> String; }
macro_rules! ints { ($($t:ty),*) => { $(impl Put for $t { fn text(&self) -> String { self.to_string() } })* } }
ints!(u8, u16, u32, u64, i8, i16, i32, i64);
impl Put for f32 { fn text(&self) -> String { self.to_bits().to_string() } }
impl Put for f64 { fn text(&self) -> String { self.to_bits().to_string() } }
fn put<T: Put>(v: &T) { println!("{}", v.text()); }
"""


def check_debug_info(run):
    tools = need(run, "debug info", "gcc")
    if not tools:
        return
    sample = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "..", "sample", "crc32_table.c")
    directory = tempfile.mkdtemp(dir=run.work)
    with open(os.path.join(directory, "shapes.c"), "w") as f:
        f.write(SHAPES_SOURCE + DUMP_MACROS + dump_function("dump_original"))
    # (label, compiler, the program's file name, commands on it after the
    # build, zemrik-cli's options to find its debug info)
    gcc = tools[0]
    builds = [("gcc -g", [gcc, "-g", "-O2"], "program", [], []),
              ("gcc -gdwarf-4", [gcc, "-gdwarf-4", "-O2"], "dwarf4", [], []),
              ("gcc -m32 -g", [gcc, "-m32", "-g", "-O2"], "m32", [], []),
              ("gcc -g -gz", [gcc, "-g", "-gz", "-O2"], "zlib", [], [])]
    if find_tool("clang"):
        builds.append(("clang -gdwarf-4", [find_tool("clang"), "-gdwarf-4", "-O2"], "clang", [], []))
    # Stripped, with the debug file beside it (.gnu_debuglink), or under a
    # build-id path in a debug folder of its own.
    objcopy = find_tool("objcopy")
    if objcopy:
        builds.append(("gcc -g, debug file beside", [gcc, "-g", "-O2"], "beside",
                       [[objcopy, "--only-keep-debug", "beside", "beside.debug"],
                        [objcopy, "--strip-debug", "--add-gnu-debuglink=beside.debug", "beside"]], []))
        builds.append(("gcc -g, build-id path", [gcc, "-g", "-O2", "-Wl,--build-id"], "byid",
                       [[objcopy, "--only-keep-debug", "byid", "byid.debug"], [objcopy, "--strip-debug", "byid"],
                        ["sh", "-c", 'id=$(readelf -n byid | sed -n "s/.*Build ID: //p") && '
                         'mkdir -p dbg/.build-id/$(echo $id | cut -c1-2) && '
                         'mv byid.debug dbg/.build-id/$(echo $id | cut -c1-2)/$(echo $id | cut -c3-).debug']],
                       ["--debug-dir", "dbg"]))
    # MinGW's PE images carry DWARF in long-named sections. Its linker has no
    # -gz: objcopy compresses them (.zdebug_*), and makes a separate debug
    # file (itself a PE) and the .gnu_debuglink to it; stripped of its
    # symbols too, the program's tables are found at the debug info's addresses.
    for triple, arch in (("i686-w64-mingw32", "i686"), ("x86_64-w64-mingw32", "x86_64")):
        cross_gcc, cross_objcopy = find_tool(triple + "-gcc"), find_tool(triple + "-objcopy")
        if not cross_gcc or not cross_objcopy:
            continue
        name = arch + ".exe"
        builds.append(("%s MinGW -g" % arch, [cross_gcc, "-g", "-O2"], name, [], []))
        if arch == "i686":
            builds.append(("i686 MinGW, debuglink", [cross_gcc, "-g", "-O2"], "linked.exe",
                           [[cross_objcopy, "--only-keep-debug", "linked.exe", "linked.debug"],
                            [cross_objcopy, "--strip-all", "--add-gnu-debuglink=linked.debug", "linked.exe"]], []))
        else:
            builds.append(("x86_64 MinGW, compressed", [cross_gcc, "-g", "-O2"], "compressed.exe",
                           [[cross_objcopy, "--compress-debug-sections", "compressed.exe"]], []))
    for label, compiler, name, objcopies, finding in builds:
        program = os.path.join(directory, name)
        if run.execute("debug info", compiler + ["-o", program, sample, "shapes.c"], directory) is None:
            continue
        if any(run.execute("debug info", command, directory) is None for command in objcopies):
            continue
        listing = subprocess.run([run.cli, "--list-symbols"] + finding + [name], cwd=directory,
                                 capture_output=True).stdout.decode()
        if not listing.startswith("Address") or " Type " not in listing.splitlines()[0]:
            run.skips.append("debug info: this zemrik-cli reads no debug info (built without libdw)")
            return
        # Every table in one output, the record type the two op tables share
        # declared once, each after its comment.
        symbols = [argument for name, _, _ in SHAPES for argument in ("--symbol", name)]
        out = subprocess.run([run.cli] + symbols + finding + ["-l", "c", "--lf", "--provenance", name], cwd=directory,
                             capture_output=True)
        if out.returncode != 0:
            run.failures.append("debug info %s: %s" % (label, out.stderr.decode(errors="replace")))
            return
        printed = out.stdout.decode("ascii")
        if printed.count("typedef struct") != 1 or printed.count("// %s, SHA-256 " % name) != len(SHAPES):
            run.failures.append("debug info %s: not one record type and a comment per table:\n%s" % (label, printed))
        with open(os.path.join(directory, "printed.c"), "w") as f:
            f.write(DUMP_MACROS + printed + dump_function("dump_printed"))
        with open(os.path.join(directory, "main.c"), "w") as f:
            f.write("#include <stdio.h>\nvoid dump_original(void);\nvoid dump_printed(void);\n"
                    "int main(void) { dump_original(); puts(\"--\"); dump_printed(); return 0; }\n")
        checker = os.path.join(directory, "check")
        built = run.execute("debug info", [gcc, "-std=c11", "-Wall", "-Wextra", "-pedantic", "-Werror",
                                           "-Dmain=sample_main", "-c", sample, "-o", "sample.o"], directory)
        built = built and run.execute("debug info", [gcc, "-std=c11", "-Wall", "-Wextra", "-Werror", "-o", checker,
                                                     "sample.o", "shapes.c", "printed.c", "main.c"], directory)
        out = built and run.execute("debug info", [checker], directory)
        if not out:
            continue
        original, _, got = out.stdout.decode().partition("--\n")
        ok = original == got and original.count("\n") == 256 + 3 * 7 + 12 + 5 + 8 + 2 * 7
        run.matrix.append(("debug info c", "--symbol", label, "values equal" if ok else "MISMATCH"))
        if not ok:
            run.failures.append("debug info %s: the printed tables' values differ from the originals" % label)
        rustc = need(run, "debug info rust", "rustc")
        if rustc and label == "gcc -g":
            # The printed names keep the C variables' case: their allowances
            # must keep rustc -D warnings quiet.
            source = RUST_PUT
            rust_symbols = [argument for name, _, _ in SHAPES[1:] for argument in ("--symbol", name)]
            source += subprocess.run([run.cli] + rust_symbols + ["-l", "rust", "--lf", program],
                                     capture_output=True).stdout.decode("ascii") + "\n"
            source += "fn main() {\n" + "".join(rust_dump(*shape) for shape in SHAPES[1:]) + "}\n"
            rust_out = run.build_and_run("debug info rust", "check.rs", source,
                                         [rustc[0], "--edition", "2021", "-D", "warnings", "-o", "check", "check.rs"],
                                         lambda d: [os.path.join(d, "check")])
            if rust_out is not None:
                ok = rust_out.decode() == "".join(original.splitlines(keepends=True)[256:])
                run.matrix.append(("debug info rust", "--symbol", label, "values equal" if ok else "MISMATCH"))
                if not ok:
                    run.failures.append("debug info rust: the printed tables' values differ from the originals")
        fpc = need(run, "debug info delphi", "fpc")
        if fpc and label == "gcc -g":
            declaration = subprocess.run([run.cli, "--symbol", "crc32_table", "-l", "delphi", "--lf", program],
                                         capture_output=True).stdout.decode("ascii")
            source = ("program check;\n\n" + declaration + "\n\nvar i: Integer;\nbegin\n"
                      "  for i := Low(crc32_table) to High(crc32_table) do WriteLn(crc32_table[i]);\nend.\n")
            pascal_out = run.build_and_run("debug info delphi", "check.pas", source,
                                           [fpc[0], "-Mdelphi", "-ocheck", "check.pas"],
                                           lambda d: [os.path.join(d, "check")])
            if pascal_out is not None:
                ok = pascal_out.decode() == "".join(original.splitlines(keepends=True)[:256])
                run.matrix.append(("debug info delphi", "--symbol", label, "values equal" if ok else "MISMATCH"))
                if not ok:
                    run.failures.append("debug info delphi: crc32_table's values differ from the original's")


# The byte forms' escape traps: NUL, a short octal escape before an octal
# digit and before an 8, a hex escape before hex digits, both quotes, a
# backquote, backslashes, ??= and ??/ (trigraphs), high bytes, a blank that
# may start a line, CR LF, a lone CR, a tab.
FORM_TRAPS = b"\x007\x018\x01A\x7ff\"'`\\??=??/\xff\x80 \r\n\r\t\x00"
GAS_RUN = ('"$0" --fatal-warnings -o tables.o tables.s && "$1" -O binary -j .text tables.o tables.bin '
           '&& cat tables.bin')
C_WARNINGS = ["-Wall", "-Wextra", "-pedantic", "-Werror", "-Wno-overlength-strings"]


def c_program(texts, names):
    # The literal's array holds one more byte, its NUL, than the table.
    return ("#include <stdio.h>\n\n" + texts + "\nint main(void) {\n" +
            "".join("    if (sizeof %s != %s_len + 1) return 1;\n    fwrite(%s, 1, %s_len, stdout);\n" % (n, n, n, n)
                    for n in names) + "    return 0;\n}\n")


def embed_c_program(texts, names):
    return ("#include <stdio.h>\n\n" + texts + "\nint main(void) {\n" +
            "".join("    fwrite(%s, 1, sizeof %s, stdout);\n" % (n, n) for n in names) + "    return 0;\n}\n")


# (label, language, form option, tools, upper-case names, program from the
# tables' texts and names, file name, compile command, run command).
FORM_CHECKS = (
    ("c literal", "c", "--string-literal", ("gcc",), False, c_program, "check.c",
     lambda t: [t[0], "-std=c11"] + C_WARNINGS + ["-o", "check", "check.c"], lambda t, d: [os.path.join(d, "check")]),
    ("c++ literal", "c", "--string-literal", ("g++",), False, c_program, "check.cpp",
     lambda t: [t[0], "-std=c++17"] + C_WARNINGS + ["-o", "check", "check.cpp"],
     lambda t, d: [os.path.join(d, "check")]),
    ("rust literal", "rust", "--string-literal", ("rustc",), True,
     lambda texts, names: "use std::io::Write;\n\n" + texts + "\nfn main() {\n    let mut out = std::io::stdout();\n" +
     "".join("    out.write_all(&%s).unwrap();\n" % n for n in names) + "}\n", "check.rs",
     lambda t: [t[0], "--edition", "2021", "-D", "warnings", "-o", "check", "check.rs"],
     lambda t, d: [os.path.join(d, "check")]),
    ("go literal", "go", "--string-literal", ("go",), False,
     lambda texts, names: 'package main\n\nimport "os"\n\n' + texts + "\nfunc main() {\n" +
     "".join("\tos.Stdout.Write(%s)\n" % n for n in names) + "}\n", "check.go",
     lambda t: [t[0], "build", "-o", "check", "check.go"], lambda t, d: [os.path.join(d, "check")]),
    ("python literal", "python", "--string-literal", ("python3",), False,
     lambda texts, names: "import sys\n\n" + texts + "\nsys.stdout.buffer.write(%s)\n" % " + ".join(names),
     "check.py", None, lambda t, d: [t[0], "check.py"]),
    ("asm literal", "asm", "--string-literal", ("nasm",), False, lambda texts, names: texts, "tables.asm",
     lambda t: [t[0], "-f", "bin", "-w+all", "-Werror", "-o", "tables.bin", "tables.asm"],
     lambda t, d: ["cat", os.path.join(d, "tables.bin")]),
    ("gas literal", "gas", "--string-literal", ("as", "objcopy"), False, lambda texts, names: texts, "tables.s", None,
     lambda t, d: ["sh", "-c", GAS_RUN, t[0], t[1]]),
    ("c embed", "c", "--embed", ("clang-19",), False, embed_c_program, "check.c",
     lambda t: [t[0], "-std=c23", "-Wall", "-Wextra", "-Werror", "-o", "check", "check.c"],
     lambda t, d: [os.path.join(d, "check")]),
    ("asm embed", "asm", "--embed", ("nasm",), False, lambda texts, names: texts, "tables.asm",
     lambda t: [t[0], "-f", "bin", "-w+all", "-Werror", "-o", "tables.bin", "tables.asm"],
     lambda t, d: ["cat", os.path.join(d, "tables.bin")]),
    ("gas embed", "gas", "--embed", ("as", "objcopy"), False, lambda texts, names: texts, "tables.s", None,
     lambda t, d: ["sh", "-c", GAS_RUN, t[0], t[1]]),
)


def check_byte_forms(run):
    """--string-literal and --embed: the whole file at the default line width,
    and stretches at an offset, a few bytes to a line, read back by the real
    compiler equal to the file's bytes."""
    data = FORM_TRAPS * 3 + bytes(run.rng.randrange(256) for _ in range(700)) + FORM_TRAPS
    path = os.path.join(run.work, "forms.bin")
    with open(path, "wb") as f:
        f.write(data)
    environment = dict(os.environ, GO111MODULE="off", GOPROXY="off", GOFLAGS="")
    if "HOME" not in environment:
        environment["GOCACHE"] = os.path.join(run.work, "gocache")
    for label, language, form, tool_names, upper, program, file_name, compile_command, run_command in FORM_CHECKS:
        tools = need(run, label, *tool_names)
        if not tools:
            continue
        stretches = [(0, len(data), None)]
        for _ in range(3):
            offset = run.rng.randrange(1, len(FORM_TRAPS) * 3)
            stretches.append((offset, run.rng.randint(1, len(data) - offset), run.rng.randint(1, 9)))
        names = []
        texts = ""
        expected = b""
        for index, (offset, size, per_line) in enumerate(stretches):
            name = ("b%d" % index).upper() if upper else "b%d" % index
            arguments = [run.cli, "-l", language, form, "--name", name, "-a", "%X" % offset, "-s", "%X" % size]
            arguments += (["-n", str(per_line)] if per_line else []) + (["--lf"] if index % 2 else []) + [path]
            out = subprocess.run(arguments, capture_output=True, timeout=60)
            if out.returncode != 0:
                run.failures.append("%s: zemrik-cli %s: exit %d: %s" % (label, " ".join(arguments[1:]), out.returncode,
                                                                        out.stderr.decode(errors="replace")))
                break
            texts += out.stdout.decode("ascii") + "\n"
            names.append(name)
            expected += data[offset:offset + size]
        else:
            output = run.build_and_run(label, file_name, program(texts, names),
                                       compile_command(tools) if compile_command else None,
                                       lambda directory: run_command(tools, directory), environment)
            if output is None:
                continue
            ok = output == expected
            version = [tools[0], "version" if tool_names[0] == "go" else "--version"]
            run.matrix.append((label, "bytes", tool_version(version),
                               "bytes equal" if ok else "MISMATCH"))
            if not ok:
                run.failures.append("%s: the program's bytes differ from the file's" % label)


def main():
    if len(sys.argv) != 2:
        print(__doc__, file=sys.stderr)
        return 2
    seed = int(os.environ.get("ZEMRIK_COMPILE_SEED", random.randrange(1 << 30)))
    rng = random.Random(seed)
    data = EDGE_BYTES + bytes(rng.randrange(256) for _ in range(8192))
    with tempfile.TemporaryDirectory(prefix="zemrik-compile-") as work:
        with open(os.path.join(work, "input.bin"), "wb") as f:
            f.write(data)
        run = Run(os.path.abspath(sys.argv[1]), work, data, rng)
        for check in (lambda: check_c(run, False), lambda: check_c(run, True), lambda: check_asm(run),
                      lambda: check_delphi(run, False), lambda: check_delphi(run, True),
                      lambda: check_rust(run), lambda: check_go(run), lambda: check_python(run),
                      lambda: check_csharp(run), lambda: check_gas(run), lambda: check_datastr(run),
                      lambda: check_typed(run), lambda: check_typed_java_and_javascript(run),
                      lambda: check_shapes(run), lambda: check_debug_info(run), lambda: check_byte_forms(run)):
            check()
    print("seed %d (ZEMRIK_COMPILE_SEED=%d repeats this run)\n" % (seed, seed))
    for language, cell, tool, result in run.matrix:
        print("%-22s %-14s %-44s %s" % (language, cell, tool[:44], result))
    for skip in run.skips:
        print("SKIPPED: " + skip)
    for failure in run.failures:
        print("FAILED: " + failure)
    if run.failures:
        return 1
    return SKIPPED if run.skips else 0


if __name__ == "__main__":
    sys.exit(main())
