// Whether the file system this build runs on ignores the letter case of
// file names: Windows does, the POSIX systems the stand-in runs on do not.
#pragma once

namespace quillon::platform {

#if defined(_WIN32)
inline constexpr bool kFileNamesIgnoreCase = true;
#else
inline constexpr bool kFileNamesIgnoreCase = false;
#endif

}  // namespace quillon::platform
