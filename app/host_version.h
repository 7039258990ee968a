// The version and date of this TarvixStudio, as the about box and the clone files show them.
#pragma once

inline constexpr const char* host_version_text = "01.34";
inline constexpr const char* host_version_date = "07.08.2019";
