// Console output as usual, plus a closing table that sets our codec's speed
// beside libjpeg-turbo's for every frame size and reduction level.
#pragma once

#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <vector>

namespace orlin::bench {

// What a benchmark measured; its name says which coder, size and level.
struct BenchKey {
  std::string coder;  // "ours" or "jpeg"
  std::string step;   // "encode" or "decode"
  std::string size;   // "640x480"
  int level;          // reduction level; -1 for libjpeg-turbo
  bool operator<(const BenchKey& other) const;
};

std::string BenchName(const BenchKey& key);

class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override;
  // The summary table, built from the medians of the repetitions.
  void PrintRatios(std::FILE* out) const;

 private:
  struct Figures {
    std::vector<double> fps;
    double bytes = 0;
    double psnr = 0;
  };
  const Figures* Find(const BenchKey& key) const;
  std::map<std::string, Figures> figures_;  // by benchmark name
};

}  // namespace orlin::bench
