#include "tests/soak/hosted_camera.h"

#include <gtest/gtest.h>

#include "tests/filter/class_object_camera.h"

namespace orlin::soak {

HostedCamera::HostedCamera(Check check)
    : check_(std::move(check)),
      created_(filter::test::CreateCameraFromClassObject(filter_)),
      host_(filter_.Get(), u"Orlin Camera",
            [this](const BYTE* data, LONG size) { return OnSample(data, size); }) {
  EXPECT_EQ(created_, S_OK) << "could not create the filter";
  EXPECT_EQ(host_.Status(), S_OK) << "could not " << view::HostStepText(host_.FailedStep());
}

HostedCamera::~HostedCamera() {
  if (Connected()) {
    EXPECT_EQ(Stop(), S_OK);
  }
}

HRESULT HostedCamera::Run() { return host_.Run(); }

HRESULT HostedCamera::Stop() {
  const auto start = std::chrono::steady_clock::now();
  const HRESULT hr = host_.Stop();
  last_stop_ = std::chrono::steady_clock::now() - start;
  return hr;
}

HRESULT HostedCamera::OnSample(const BYTE* data, LONG size) {
  if (check_) check_(data, size);
  std::lock_guard lock(mutex_);
  ++delivered_;
  delivered_changed_.notify_all();
  return S_OK;
}

std::uint64_t HostedCamera::Delivered() const {
  std::lock_guard lock(mutex_);
  return delivered_;
}

bool HostedCamera::WaitForMoreThan(std::uint64_t count, std::chrono::milliseconds timeout) const {
  std::unique_lock lock(mutex_);
  return delivered_changed_.wait_for(lock, timeout, [&] { return delivered_ > count; });
}

}  // namespace orlin::soak
