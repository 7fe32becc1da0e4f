// The icon of a message the run asks a front end to show.
#pragma once

namespace zemrik {

// The icon of a message box shown by the front end.
enum class MessageIcon { None, Error, Information };

}  // namespace zemrik
