// The texts a request's checks and a run show, each written once: the dialog
// and zemrik-cli print them character for character, and zemrik-cli finds a
// refusal's hint by its text. The --rva refusals are refusalMessage's
// (run/ImageAddress.h).
#pragma once

namespace zemrik::messages {

// The captions: "Error" shows without an icon (a refused request, no memory
// for the text), "Error !" with the error icon (a file or the system failed).
inline constexpr char kErrorCaption[] = "Error";
inline constexpr char kFailureCaption[] = "Error !";

// What the File box says when the input can't be used.
inline constexpr char kCannotOpenFile[] = "Can't open file !";
inline constexpr char kFileSizeFailed[] = "Error with filesize !";

// The request's checks, in the order they refuse.
inline constexpr char kNoElementSize[] = "You MUST select the size of the elements !";
inline constexpr char kNoLanguage[] = "You MUST select a language !";
inline constexpr char kMissingSize[] = "You MUST enter the size of the table !";
inline constexpr char kUnconvertibleSize[] = "Error converting the table size";
inline constexpr char kMissingOffset[] = "You MUST enter the offset of the table !";
inline constexpr char kUnconvertibleOffset[] = "Error converting the table offset";
inline constexpr char kMissingItemsPerLine[] = "You MUST enter the number of items per line !";
inline constexpr char kUnconvertibleItemsPerLine[] = "Error converting the number of items";
inline constexpr char kNotDivisible[] = "The tablesize must be divisible by the size of elements !";
inline constexpr char kZero[] = "A zero somewhere :)";
inline constexpr char kBiggerThanFile[] = "Hey man, your table is bigger than the file itself !";

// The run's own outcomes.
inline constexpr char kDumped[] = "Table dumped in result.txt";
inline constexpr char kCannotCreateResult[] = "Cannot create Result.txt";
inline constexpr char kCannotCreateMapping[] = "Cannot create Mapping";
inline constexpr char kCannotCutResult[] = "Cannot cut Result.txt to the table's length";
inline constexpr char kNoMemory[] = "Error allocating memory !";
inline constexpr char kReadFailed[] = "Error reading the file !";
inline constexpr char kCannotStart[] = "Cannot start the run !";

}  // namespace zemrik::messages
