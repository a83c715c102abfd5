#pragma once

#include <string_view>

namespace dravik::sys {

// Writes every byte to the descriptor, again after an interrupted or short
// write; gives 0, or the errno of the write that failed (EIO for one that
// makes no progress, which would never end).
int WriteAll(int fd, std::string_view bytes);

}  // namespace dravik::sys
