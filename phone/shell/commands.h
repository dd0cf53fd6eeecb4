// The main screen's commands: the left soft key, and the right soft key's menu.
#pragma once

#include <array>

namespace orlin::phone::shell {

enum class Command { kClose = 40001, kVideoFormat = 40005, kDestination = 40006, kCompression = 40007 };

inline constexpr char kCloseKey[] = "Close";
inline constexpr char kSettingsKey[] = "Settings";
inline constexpr char kOkKey[] = "OK";
inline constexpr char kCancelKey[] = "Cancel";

struct MenuItem {
  const char* text;
  Command command;
};

// The Settings menu, top to bottom.
inline constexpr std::array<MenuItem, 3> kSettingsMenu{{
    {"Video Format", Command::kVideoFormat},
    {"Destination Address", Command::kDestination},
    {"Compression", Command::kCompression},
}};

}  // namespace orlin::phone::shell
