#pragma once

// Shown by --version and in the About box.
inline constexpr const char* kVersionZelvor = "1.1";
