// What run/'s tests share to count handles without the system's own.
#pragma once

#include "image/tests/ImageBuilders.h"
#include "platform/File.h"
#include "run/ImageAddress.h"
#include "testing/TestFiles.h"

namespace zemrik::test {

// The first named mapping of a process makes the system keep a handle of its
// own (Windows and Wine open the named-object directory once), which is not a
// leak. One translation before counting keeps it out of the counts.
inline void primeSystemHandles() {
    static const bool primed = [] {
        const TempFile image(PeImageBuilder().build());
        if (const auto file = platform::File::openForReading(image.path())) {
            static_cast<void>(translateImageAddress(*file, 0));
        }
        return true;
    }();
    (void)primed;
}

}  // namespace zemrik::test
