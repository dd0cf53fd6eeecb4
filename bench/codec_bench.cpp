// Encodes and decodes the test frames with our codec at every reduction level
// and with libjpeg-turbo at quality 75, on one thread, and ends with a table of
// our speed relative to libjpeg-turbo's. The test frames are 176x144, 320x240
// and 640x480; the 1280x720 and 1920x1080 frames are the 640x480 pictures
// tiled, every other copy mirrored, so their detail per pixel is a camera's.
//
//   codec_bench [--benchmark_repetitions=5] [--benchmark_filter=640x480]
#include <benchmark/benchmark.h>

#include <cstdio>
#include <vector>

#include "bench/bench_frames.h"
#include "bench/jpeg_coder.h"
#include "bench/ratio_reporter.h"
#include "codec/codec.h"

namespace orlin::bench {
namespace {

constexpr int kJpegQuality = 75;

using Bytes = std::vector<std::uint8_t>;

// Room for any frame at any level, plus the two readable bytes the decoder
// may look at past a payload.
std::size_t PayloadCapacity(int width, int height) { return 2 * codec::PictureBytes(width, height) + 16; }

Bytes Encode(const Bytes& frame, int width, int height, int level) {
  Bytes payload(PayloadCapacity(width, height), 0);
  std::int32_t length = static_cast<std::int32_t>(payload.size() - 2);
  if (codec::CompressFrame(frame.data(), width, height, level, payload.data(), &length) != codec::kCodecOk) {
    std::fprintf(stderr, "codec_bench: CompressFrame failed\n");
    std::exit(1);
  }
  payload.resize(std::size_t(length) + 2, 0);
  return payload;
}

void Decode(const Bytes& payload, int level, Bytes& picture, int width, int height) {
  const auto length = static_cast<std::int32_t>(payload.size() - 2);
  if (codec::DecompressFrame(payload.data(), length, level == 3, picture.data(), width, height) != codec::kCodecOk) {
    std::fprintf(stderr, "codec_bench: DecompressFrame failed\n");
    std::exit(1);
  }
}

// Average bytes per frame and PSNR of the three pictures at one level.
void QualityOfOurs(int width, int height, int level, double& bytes, double& psnr) {
  bytes = psnr = 0;
  Bytes decoded(codec::PictureBytes(width, height));
  for (const Bytes& frame : FramesOfSize(width, height)) {
    const Bytes payload = Encode(frame, width, height, level);
    Decode(payload, level, decoded, width, height);
    bytes += double(payload.size() - 2) / kPictureCount;
    psnr += Psnr(frame, decoded) / kPictureCount;
  }
}

void SetCounters(benchmark::State& state, double bytes, double psnr) {
  state.counters["fps"] = benchmark::Counter(double(state.iterations()) * kPictureCount, benchmark::Counter::kIsRate);
  state.counters["bytes"] = bytes;
  state.counters["psnr"] = psnr;
}

void OurEncode(benchmark::State& state, int width, int height, int level) {
  const auto& frames = FramesOfSize(width, height);
  Bytes output(PayloadCapacity(width, height));
  for (auto _ : state) {
    for (const Bytes& frame : frames) {
      std::int32_t length = static_cast<std::int32_t>(output.size());
      benchmark::DoNotOptimize(codec::CompressFrame(frame.data(), width, height, level, output.data(), &length));
      benchmark::ClobberMemory();
    }
  }
  double bytes, psnr;
  QualityOfOurs(width, height, level, bytes, psnr);
  SetCounters(state, bytes, psnr);
}

void OurDecode(benchmark::State& state, int width, int height, int level) {
  std::vector<Bytes> payloads;
  for (const Bytes& frame : FramesOfSize(width, height)) payloads.push_back(Encode(frame, width, height, level));
  Bytes picture(codec::PictureBytes(width, height));
  for (auto _ : state) {
    for (const Bytes& payload : payloads) {
      Decode(payload, level, picture, width, height);
      benchmark::ClobberMemory();
    }
  }
  double bytes, psnr;
  QualityOfOurs(width, height, level, bytes, psnr);
  SetCounters(state, bytes, psnr);
}

// libjpeg-turbo's bytes per frame and PSNR for the same pictures.
void QualityOfJpeg(JpegCoder& jpeg, int width, int height, double& bytes, double& psnr) {
  bytes = psnr = 0;
  Bytes decoded(codec::PictureBytes(width, height));
  for (const Bytes& frame : FramesOfSize(width, height)) {
    bytes += double(jpeg.Compress(frame.data())) / kPictureCount;
    jpeg.Decompress(jpeg.Compressed(), decoded.data());
    psnr += Psnr(frame, decoded) / kPictureCount;
  }
}

void JpegEncode(benchmark::State& state, int width, int height) {
  JpegCoder jpeg(width, height, kJpegQuality);
  const auto& frames = FramesOfSize(width, height);
  for (auto _ : state) {
    for (const Bytes& frame : frames) benchmark::DoNotOptimize(jpeg.Compress(frame.data()));
  }
  double bytes, psnr;
  QualityOfJpeg(jpeg, width, height, bytes, psnr);
  SetCounters(state, bytes, psnr);
}

void JpegDecode(benchmark::State& state, int width, int height) {
  JpegCoder jpeg(width, height, kJpegQuality);
  std::vector<Bytes> compressed;
  for (const Bytes& frame : FramesOfSize(width, height)) {
    jpeg.Compress(frame.data());
    compressed.push_back(jpeg.Compressed());
  }
  Bytes picture(codec::PictureBytes(width, height));
  for (auto _ : state) {
    for (const Bytes& jpegFrame : compressed) {
      jpeg.Decompress(jpegFrame, picture.data());
      benchmark::ClobberMemory();
    }
  }
  double bytes, psnr;
  QualityOfJpeg(jpeg, width, height, bytes, psnr);
  SetCounters(state, bytes, psnr);
}

void RegisterAll() {
  for (const FrameSize& size : kFrameSizes) {
    const int w = size.width, h = size.height;
    const std::string name = SizeName(w, h);
    FramesOfSize(w, h);  // load outside the timed loops
    for (int level = 0; level <= 3; ++level) {
      benchmark::RegisterBenchmark(BenchName({"ours", "encode", name, level}).c_str(), OurEncode, w, h, level);
      benchmark::RegisterBenchmark(BenchName({"ours", "decode", name, level}).c_str(), OurDecode, w, h, level);
    }
    benchmark::RegisterBenchmark(BenchName({"jpeg", "encode", name, -1}).c_str(), JpegEncode, w, h);
    benchmark::RegisterBenchmark(BenchName({"jpeg", "decode", name, -1}).c_str(), JpegDecode, w, h);
  }
}

}  // namespace
}  // namespace orlin::bench

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  std::printf("1280x720 and 1920x1080: the 640x480 test pictures tiled, every other copy mirrored\n");
  orlin::bench::RegisterAll();
  orlin::bench::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.PrintRatios(stdout);
  benchmark::Shutdown();
  return 0;
}
