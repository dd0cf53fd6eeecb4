#include "bench/ratio_reporter.h"

#include <algorithm>
#include <cstdio>
#include <tuple>

#include "bench/bench_frames.h"

namespace orlin::bench {
namespace {

double Median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const std::size_t mid = values.size() / 2;
  return values.size() % 2 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
}

}  // namespace

bool BenchKey::operator<(const BenchKey& other) const {
  return std::tie(coder, step, size, level) < std::tie(other.coder, other.step, other.size, other.level);
}

std::string BenchName(const BenchKey& key) {
  std::string name = key.step + "/" + key.coder + "/" + key.size;
  if (key.level >= 0) name += "/level:" + std::to_string(key.level);
  return name;
}

void RatioReporter::ReportRuns(const std::vector<Run>& runs) {
  for (const Run& run : runs) {
    if (run.run_type != Run::RT_Iteration || run.error_occurred) continue;
    Figures& figures = figures_[run.run_name.function_name];
    const auto counter = [&](const char* name) {
      const auto it = run.counters.find(name);
      return it == run.counters.end() ? 0.0 : double(it->second);
    };
    figures.fps.push_back(counter("fps"));
    figures.bytes = counter("bytes");
    figures.psnr = counter("psnr");
  }
  ConsoleReporter::ReportRuns(runs);
}

const RatioReporter::Figures* RatioReporter::Find(const BenchKey& key) const {
  const auto it = figures_.find(BenchName(key));
  return it == figures_.end() ? nullptr : &it->second;
}

void RatioReporter::PrintRatios(std::FILE* out) const {
  std::fprintf(out,
               "\nOurs vs libjpeg-turbo (quality 75, 4:2:0), frames/s (median of repetitions), one core\n"
               "%-8s %5s | %9s %9s %6s | %9s %9s %6s | %8s %8s | %6s %6s\n",
               "size", "level", "enc ours", "enc jpeg", "ratio", "dec ours", "dec jpeg", "ratio", "B/frame",
               "jpeg B", "PSNR", "jpeg");
  for (const FrameSize& size : kFrameSizes) {
    const std::string name = SizeName(size.width, size.height);
    const Figures* jpegEncode = Find({"jpeg", "encode", name, -1});
    const Figures* jpegDecode = Find({"jpeg", "decode", name, -1});
    for (int level = 0; level <= 3; ++level) {
      const Figures* encode = Find({"ours", "encode", name, level});
      const Figures* decode = Find({"ours", "decode", name, level});
      if (!encode && !decode) continue;
      const double oe = encode ? Median(encode->fps) : 0, je = jpegEncode ? Median(jpegEncode->fps) : 0;
      const double od = decode ? Median(decode->fps) : 0, jd = jpegDecode ? Median(jpegDecode->fps) : 0;
      std::fprintf(out, "%-8s %5d | %9.0f %9.0f %6.2f | %9.0f %9.0f %6.2f | %8.0f %8.0f | %6.2f %6.2f\n",
                   name.c_str(), level, oe, je, je > 0 ? oe / je : 0.0, od, jd, jd > 0 ? od / jd : 0.0,
                   encode ? encode->bytes : 0.0, jpegEncode ? jpegEncode->bytes : 0.0, encode ? encode->psnr : 0.0,
                   jpegEncode ? jpegEncode->psnr : 0.0);
    }
  }
}

}  // namespace orlin::bench
