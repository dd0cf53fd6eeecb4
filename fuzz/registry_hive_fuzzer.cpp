// The settings hive's ".reg" parser on arbitrary text. Whatever it accepts must
// write back as text that it reads again to the same hive, and the settings
// read from such a file must obey the derived rules.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/posix/win32/registry_hive.h"
#include "settings/video_format_settings.h"

namespace {

std::string g_hiveFile;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  g_hiveFile = "/tmp/orlin-registry-fuzz-" + std::to_string(::getpid()) + ".reg";
  ::setenv("ORLIN_PC_REGISTRY", g_hiveFile.c_str(), 1);
  std::atexit([] { std::remove(g_hiveFile.c_str()); });
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  namespace registry = orlin::platform::registry;
  const std::string_view text(reinterpret_cast<const char*>(data), size);

  // UTF-8 that converts must convert back unchanged.
  if (const auto wide = registry::Utf16FromUtf8(text)) {
    if (registry::Utf8FromUtf16(*wide) != text) std::abort();
  }

  registry::Hive hive;
  if (registry::ParseRegFile(text, hive).has_value()) return 0;
  const std::string written = registry::FormatRegFile(hive);
  registry::Hive again;
  if (registry::ParseRegFile(written, again).has_value()) std::abort();
  if (registry::FormatRegFile(again) != written) std::abort();

  // A hive that holds the settings key, as the PC's hive file, read as the
  // filter reads its settings.
  static const registry::KeyPath settingsKey =
      registry::SplitPath(u"SOFTWARE\\Tessaly\\Orlin\\VideoFormat");
  if (hive.Find(settingsKey) == nullptr) return 0;
  if (std::FILE* file = std::fopen(g_hiveFile.c_str(), "wb")) {
    std::fwrite(data, 1, size, file);
    std::fclose(file);
    const orlin::settings::VideoFormatSettings settings = orlin::settings::LoadFilterSettings();
    if (settings.BitsPerPixel < 8 && settings.PixelCorrection != 0) std::abort();
    if (settings.BitsPerPixel < 12 && settings.SwapUV != 0) std::abort();
  }
  return 0;
}
