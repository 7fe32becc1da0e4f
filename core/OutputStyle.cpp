#include "core/OutputStyle.h"

namespace zemrik {
namespace {

// Every character of every printed table comes from these rows.
constexpr OutputStyle kC[kStyleColumnCount] = {
    {0, 6, 3, ", ", "0x%02lX", "static unsigned char table[%d] = {\r\n\t", "\r\n\t", "0x%02lX };"},
    {0, 5, 3, ", ", "%3lu", "static unsigned char table[%d] = {\r\n\t", "\r\n\t", "%3lu };"},
    {0, 8, 3, ", ", "0x%04lX", "static unsigned short table[%d] = {\r\n\t", "\r\n\t", "0x%04lX };"},
    {0, 7, 3, ", ", "%5lu", "static unsigned short table[%d] = {\r\n\t", "\r\n\t", "%5lu };"},
    {0, 12, 3, ", ", "0x%08lX", "static unsigned long table[%d] = {\r\n\t", "\r\n\t", "0x%08lX };"},
    {0, 12, 3, ", ", "%10lu", "static unsigned long table[%d] = {\r\n\t", "\r\n\t", "%10lu };"},
};

constexpr OutputStyle kAsm[kStyleColumnCount] = {
    {0, 6, 6, ", ", "%03lXh", "table\tdb ", "\r\n\tdb ", "%03lXh"},
    {0, 5, 6, ", ", "%3lu", "table\tdb ", "\r\n\tdb ", "%3lu"},
    {0, 8, 6, ", ", "%05lXh", "table\tdw ", "\r\n\tdw ", "%05lXh"},
    {0, 7, 6, ", ", "%5lu", "table\tdw ", "\r\n\tdw ", "%5lu"},
    {0, 12, 6, ", ", "%09lXh", "table\tdd ", "\r\n\tdd ", "%09lXh"},
    {0, 12, 6, ", ", "%10lu", "table\tdd ", "\r\n\tdd ", "%10lu"},
};

constexpr OutputStyle kDelphi[kStyleColumnCount] = {
    {-1, 5, 3, ", ", "$%02lX", "CONST table : array[0..%d] of byte = (\r\n\t", "\r\n\t", "$%02lX);"},
    {-1, 4, 3, ", ", "%2lu", "CONST table : array[0..%d] of byte = (\r\n\t", "\r\n\t", "%2lu);"},
    {-1, 7, 3, ", ", "$%04lX", "CONST table : array[0..%d] of WORD = (\r\n\t", "\r\n\t", "$%04lX);"},
    {-1, 7, 3, ", ", "%5lu", "CONST table : array[0..%d] of WORD = (\r\n\t", "\r\n\t", "%5lu);"},
    {-1, 11, 3, ", ", "$%08lX", "CONST table : array[0..%d] of longint = (\r\n\t", "\r\n\t", "$%08lX);"},
    {-1, 12, 3, ", ", "%10lu", "CONST table : array[0..%d] of longint = (\r\n\t", "\r\n\t", "%10lu);"},
};

// Data Str prints two hex digits per byte whatever the decimal option says.
constexpr OutputStyle kDataStr = {0, 2, 2, "", "%02lX", "", "\r\n", "%02X"};

}  // namespace

const StyleTable styleTable = {
    &kC[0],      &kC[1],      &kC[2],    &kC[3],    &kC[4],      &kC[5],      &kAsm[0],    &kAsm[1],
    &kAsm[2],    &kAsm[3],    &kAsm[4],  &kAsm[5],  &kDelphi[0], &kDelphi[1], &kDelphi[2], &kDelphi[3],
    &kDelphi[4], &kDelphi[5], &kDataStr, &kDataStr, &kDataStr,   &kDataStr,   &kDataStr,   &kDataStr,
};

}  // namespace zemrik
