#include "bench/end_to_end/pc_host.h"

#include <pthread.h>
#include <time.h>

#include <cstdio>

#include "bench/end_to_end/frame_stamp.h"
#include "filter/com_server/server.h"
#include "filter/orlin_filter.h"

namespace orlin::bench {
namespace {

double ThreadCpuSeconds() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

// The filter from the server's class object, as COM creates it after loading
// the library.
HRESULT CreateCamera(ComRef<IBaseFilter>& filter) {
  ComRef<IClassFactory> factory;
  HRESULT hr = filter::ServerGetClassObject(filter::CLSID_OrlinCamera, IID_IClassFactory,
                                            factory.ReceiveVoid());
  if (FAILED(hr)) return hr;
  return factory->CreateInstance(nullptr, IID_IBaseFilter, filter.ReceiveVoid());
}

}  // namespace

PcHost::PcHost(int width, std::size_t chunks, std::size_t chunkBytes)
    : width_(width),
      chunks_(chunks),
      chunk_bytes_(chunkBytes),
      created_(CreateCamera(filter_)),
      host_(filter_.Get(), u"Orlin Camera",
            [this](const BYTE* data, LONG size) { return OnSample(data, size); }) {
  if (FAILED(created_)) {
    std::fprintf(stderr, "end_to_end_bench: could not create the filter (0x%08X)\n",
                 static_cast<unsigned>(created_));
  } else if (host_.Status() != S_OK) {
    std::fprintf(stderr, "end_to_end_bench: could not %s (0x%08X)\n",
                 view::HostStepText(host_.FailedStep()), static_cast<unsigned>(host_.Status()));
  }
  deliveries_.reserve(100000);  // nothing allocated while timing; no sample comes before Run
}

HRESULT PcHost::OnSample(const BYTE* data, LONG size) {
  const auto when = Clock::now();
  // The last stamp lies at the start of the last chunk (or piece, which may be
  // shorter than the others).
  const std::uint32_t number = size >= LONG((chunks_ - 1) * chunk_bytes_ + 4) && size >= width_ * kStampBlock
                                  ? ReadWholeFrameNumber(data, width_, chunks_, chunk_bytes_)
                                  : 0;
  const double cpu = ThreadCpuSeconds();
  std::lock_guard lock(mutex_);
  deliveries_.push_back({number, when, cpu});
  delivered_.notify_all();
  return S_OK;
}

std::vector<Delivery> PcHost::Deliveries() const {
  std::lock_guard lock(mutex_);
  return deliveries_;
}

std::size_t PcHost::Count() const {
  std::lock_guard lock(mutex_);
  return deliveries_.size();
}

bool PcHost::WaitForCount(std::size_t count, std::chrono::milliseconds timeout) const {
  std::unique_lock lock(mutex_);
  return delivered_.wait_for(lock, timeout, [&] { return deliveries_.size() >= count; });
}

}  // namespace orlin::bench
