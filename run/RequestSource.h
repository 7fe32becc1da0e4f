// RequestSource: what building a run's request needs of a front end (its
// fields, lists, check boxes and input file). The dialog and zemrik-cli serve it.
#pragma once

#include <optional>
#include <string>

#include "core/OutputStyle.h"
#include "forms/ByteForm.h"
#include "platform/File.h"
#include "run/FileFailure.h"
#include "run/MessageIcon.h"
#include "typed/TypedWalk.h"

namespace zemrik {

// A table printed by the typed walk instead of the style table: the language
// row and the options, whose size, items per line and byte order the run
// fills in once they have passed its checks.
// With a byte form other than the array, the table is bytes and items per
// line are bytes per line.
struct TypedChoice {
    const typed::LanguageRow* row = nullptr;
    typed::TypedOptions options;
    forms::ByteForm form = forms::ByteForm::Array;
    std::string embedPath;  // with ByteForm::Embed: the path as printed
};

enum class NumberField { TableSize, Address, ItemsPerLine };
// "Big Endian" is no field of the request: the worker asks RunHost for it when
// the run starts.
enum class CheckBox { DumpToFile, Decimal, Rva };

// What buildRunRequest needs of a front end: the dialog's fields and choices,
// and the places it reports to. The dialog, the command line and the tests
// each serve it.
class RequestSource {
public:
    virtual ~RequestSource() = default;

    virtual std::string loadedPath() = 0;
    // The input file, opened anew for each request: by default the file at
    // loadedPath(), read-only and shared with other readers. A front end that
    // holds its input itself (standard input, read into memory) hands it over.
    virtual platform::SystemResult<platform::File> openInputFile() {
        return platform::File::openForReading(loadedPath());
    }
    // Index of the list's selection, -1 when nothing is selected.
    virtual int itemsSelection() = 0;
    virtual int languageSelection() = 0;
    // The field's whole text; buildRunRequest keeps at most 255 characters of it.
    virtual std::string fieldText(NumberField field) = 0;
    virtual bool isChecked(CheckBox box) = 0;
    // A row of the front end's own to print with instead of the style
    // table's; it must outlive the run.
    virtual const OutputStyle* ownStyle() { return nullptr; }
    // A typed table instead of the Items list's and the style rows: its
    // element width is what the size must be divisible by. Nothing for the
    // dialog's tables.
    virtual std::optional<TypedChoice> typedChoice() { return std::nullopt; }

    // The loaded file can't be used: the File box shows `text`; `failure`
    // says why, for a front end that can tell its user more than the box.
    virtual void setFileBoxText(const std::string& text, const FileFailure& failure) = 0;
    virtual void setFileSizeBoxText(const std::string& text) = 0;
    // A message box owned by the dialog, OK button only; returns when closed.
    virtual void showMessage(const std::string& text, const std::string& caption, MessageIcon icon) = 0;
};

}  // namespace zemrik
