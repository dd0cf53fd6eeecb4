// The memory allocator's contract as our source pin and downstream filters use
// it: properties, commit and decommit, blocking GetBuffer, samples that return
// to the pool at their last Release, and an allocator that outlives its holder
// while samples are out.
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "orlin/dshow.h"
#include "tests/support/wait.h"

namespace {

using namespace std::chrono_literals;

class MemoryAllocatorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    ASSERT_EQ(CoCreateInstance(CLSID_MemoryAllocator, nullptr, CLSCTX_INPROC_SERVER,
                               IID_IMemAllocator, reinterpret_cast<void**>(&allocator_)),
              S_OK);
  }

  // Every sample has been released by the end of each test, so this is the
  // last reference and destroys the allocator.
  void TearDown() override {
    if (allocator_ != nullptr) {
      allocator_->Decommit();
      EXPECT_EQ(allocator_->Release(), 0u);
    }
    CoUninitialize();
  }

  ALLOCATOR_PROPERTIES Configure(LONG count, LONG size, LONG align = 1, LONG prefix = 0) {
    ALLOCATOR_PROPERTIES request{count, size, align, prefix};
    ALLOCATOR_PROPERTIES actual{};
    EXPECT_EQ(allocator_->SetProperties(&request, &actual), S_OK);
    return actual;
  }

  IMediaSample* Take() {
    IMediaSample* sample = nullptr;
    EXPECT_EQ(allocator_->GetBuffer(&sample, nullptr, nullptr, 0), S_OK);
    return sample;
  }

  HRESULT TryTake() {
    IMediaSample* sample = nullptr;
    const HRESULT hr = allocator_->GetBuffer(&sample, nullptr, nullptr, AM_GBF_NOWAIT);
    if (sample != nullptr) sample->Release();
    return hr;
  }

  IMemAllocator* allocator_ = nullptr;
};

// True while thread `tid` of this process sleeps in the kernel (state S in
// its stat line, after the parenthesised name).
bool Sleeping(pid_t tid) {
  std::ifstream stat("/proc/self/task/" + std::to_string(tid) + "/stat");
  std::string line;
  std::getline(stat, line);
  const std::size_t name_end = line.rfind(')');
  return name_end != std::string::npos && name_end + 2 < line.size() && line[name_end + 2] == 'S';
}

// A GetBuffer on a thread of its own. Once the thread has said it is calling
// and sleeps, it waits inside GetBuffer: nothing else it does can block.
struct BlockedGetBuffer {
  explicit BlockedGetBuffer(IMemAllocator* allocator)
      : thread([this, allocator] {
          tid = ::gettid();
          calling = true;
          hr = allocator->GetBuffer(&sample, nullptr, nullptr, 0);
          done = true;
        }) {}
  ~BlockedGetBuffer() {
    if (thread.joinable()) thread.join();
  }
  bool Waiting() {
    return orlin::test::WaitUntil([&] { return done || (calling && Sleeping(tid)); }) && !done;
  }

  std::atomic<pid_t> tid{0};
  std::atomic<bool> calling{false};
  std::atomic<bool> done{false};
  HRESULT hr = E_FAIL;
  IMediaSample* sample = nullptr;
  std::thread thread;
};

TEST_F(MemoryAllocatorTest, SetPropertiesRoundsBufferAndPrefixUpToTheAlignment) {
  const ALLOCATOR_PROPERTIES actual = Configure(3, 1000, 16, 10);
  EXPECT_EQ(actual.cBuffers, 3);
  EXPECT_EQ(actual.cbBuffer, 1014);  // 1000 + 10 rounded to 1024, less the prefix
  EXPECT_EQ(actual.cbAlign, 16);
  EXPECT_EQ(actual.cbPrefix, 10);
  ALLOCATOR_PROPERTIES stored{};
  EXPECT_EQ(allocator_->GetProperties(&stored), S_OK);
  EXPECT_EQ(std::memcmp(&stored, &actual, sizeof stored), 0);
}

TEST_F(MemoryAllocatorTest, SetPropertiesRefusesBadRequestsAndClearsTheResult) {
  ALLOCATOR_PROPERTIES actual{};
  ALLOCATOR_PROPERTIES zero_align{1, 100, 0, 0};
  ALLOCATOR_PROPERTIES odd_align{1, 100, 3, 0};
  ALLOCATOR_PROPERTIES negative{1, -1, 1, 0};
  ALLOCATOR_PROPERTIES huge{1, 0x7FFFFFFF, 1, 1};
  EXPECT_EQ(allocator_->SetProperties(nullptr, &actual), E_POINTER);
  EXPECT_EQ(allocator_->SetProperties(&zero_align, nullptr), E_POINTER);
  actual.cBuffers = 99;
  EXPECT_EQ(allocator_->SetProperties(&zero_align, &actual), VFW_E_BADALIGN);
  EXPECT_EQ(actual.cBuffers, 0);
  EXPECT_EQ(allocator_->SetProperties(&odd_align, &actual), VFW_E_BADALIGN);
  EXPECT_EQ(allocator_->SetProperties(&negative, &actual), E_INVALIDARG);
  EXPECT_EQ(allocator_->SetProperties(&huge, &actual), E_OUTOFMEMORY);
  // Each buffer fits, all of them together do not: refused without trying.
  ALLOCATOR_PROPERTIES too_many{3, 0x40000000, 1, 0};
  EXPECT_EQ(allocator_->SetProperties(&too_many, &actual), S_OK);
  EXPECT_EQ(allocator_->Commit(), E_OUTOFMEMORY);
}

TEST_F(MemoryAllocatorTest, PropertiesAreFixedWhileCommittedOrWhileSamplesAreOut) {
  Configure(1, 64);
  ASSERT_EQ(allocator_->Commit(), S_OK);
  ALLOCATOR_PROPERTIES request{2, 128, 1, 0};
  ALLOCATOR_PROPERTIES actual{};
  EXPECT_EQ(allocator_->SetProperties(&request, &actual), VFW_E_ALREADY_COMMITTED);
  IMediaSample* sample = Take();
  ASSERT_EQ(allocator_->Decommit(), S_OK);
  EXPECT_EQ(allocator_->SetProperties(&request, &actual), VFW_E_BUFFERS_OUTSTANDING);
  sample->Release();
  EXPECT_EQ(allocator_->SetProperties(&request, &actual), S_OK);
  EXPECT_EQ(actual.cbBuffer, 128);
}

TEST_F(MemoryAllocatorTest, GetBufferFailsUntilCommittedAndCommitNeedsASize) {
  IMediaSample* sample = reinterpret_cast<IMediaSample*>(&sample);
  EXPECT_EQ(allocator_->GetBuffer(&sample, nullptr, nullptr, 0), VFW_E_NOT_COMMITTED);
  EXPECT_EQ(sample, nullptr);
  EXPECT_EQ(allocator_->GetBuffer(nullptr, nullptr, nullptr, 0), E_POINTER);
  EXPECT_EQ(allocator_->Commit(), VFW_E_SIZENOTSET);
  Configure(1, 16);
  EXPECT_EQ(allocator_->Commit(), S_OK);
  EXPECT_EQ(allocator_->Commit(), S_OK);
  EXPECT_EQ(TryTake(), S_OK);
  EXPECT_EQ(allocator_->Decommit(), S_OK);
  EXPECT_EQ(allocator_->Decommit(), S_OK);
  EXPECT_EQ(TryTake(), VFW_E_NOT_COMMITTED);
}

TEST_F(MemoryAllocatorTest, BuffersAreDistinctAlignedAndHoldTheirSizeAndPrefix) {
  const ALLOCATOR_PROPERTIES actual = Configure(3, 100, 64, 16);
  ASSERT_EQ(allocator_->Commit(), S_OK);
  std::vector<IMediaSample*> samples;
  for (int i = 0; i < 3; ++i) samples.push_back(Take());
  EXPECT_EQ(TryTake(), VFW_E_TIMEOUT);
  for (std::size_t i = 0; i < samples.size(); ++i) {
    BYTE* data = nullptr;
    ASSERT_EQ(samples[i]->GetPointer(&data), S_OK);
    EXPECT_EQ(samples[i]->GetSize(), actual.cbBuffer);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(data - actual.cbPrefix) % 64, 0u);
    std::memset(data - actual.cbPrefix, static_cast<int>(i + 1), actual.cbPrefix + actual.cbBuffer);
  }
  for (std::size_t i = 0; i < samples.size(); ++i) {
    BYTE* data = nullptr;
    samples[i]->GetPointer(&data);
    for (LONG b = -actual.cbPrefix; b < actual.cbBuffer; ++b) ASSERT_EQ(data[b], i + 1);
    samples[i]->Release();
  }
}

TEST_F(MemoryAllocatorTest, SampleReturnsToThePoolOnlyAtItsLastRelease) {
  Configure(1, 16);
  ASSERT_EQ(allocator_->Commit(), S_OK);
  IMediaSample* sample = Take();
  EXPECT_EQ(sample->AddRef(), 2u);
  EXPECT_EQ(sample->Release(), 1u);
  EXPECT_EQ(TryTake(), VFW_E_TIMEOUT);
  EXPECT_EQ(sample->Release(), 0u);
  EXPECT_EQ(TryTake(), S_OK);
}

TEST_F(MemoryAllocatorTest, BlockedGetBufferWakesWhenASampleIsReleased) {
  Configure(1, 16);
  ASSERT_EQ(allocator_->Commit(), S_OK);
  IMediaSample* held = Take();
  BlockedGetBuffer waiter(allocator_);
  EXPECT_TRUE(waiter.Waiting());  // on failure carry on: what follows wakes it
  held->Release();
  waiter.thread.join();
  ASSERT_EQ(waiter.hr, S_OK);
  EXPECT_EQ(waiter.sample, held);  // the one buffer, lent again
  waiter.sample->Release();
}

TEST_F(MemoryAllocatorTest, BlockedGetBufferFailsOnDecommitEvenIfCommittedAgain) {
  Configure(1, 16);
  ASSERT_EQ(allocator_->Commit(), S_OK);
  IMediaSample* held = Take();
  BlockedGetBuffer waiter(allocator_);
  EXPECT_TRUE(waiter.Waiting());  // on failure carry on: what follows wakes it
  ASSERT_EQ(allocator_->Decommit(), S_OK);
  ASSERT_EQ(allocator_->Commit(), S_OK);  // reuses the buffer still lent
  waiter.thread.join();
  EXPECT_EQ(waiter.hr, VFW_E_NOT_COMMITTED);
  EXPECT_EQ(waiter.sample, nullptr);
  held->Release();
  EXPECT_EQ(TryTake(), S_OK);
}

TEST_F(MemoryAllocatorTest, SampleOutlivesDecommitAndItsAllocatorsLastHolder) {
  Configure(2, 4096);
  ASSERT_EQ(allocator_->Commit(), S_OK);
  IMediaSample* sample = Take();
  ASSERT_EQ(allocator_->Decommit(), S_OK);
  EXPECT_GE(allocator_->Release(), 1u);  // the sample still holds it
  allocator_ = nullptr;
  BYTE* data = nullptr;
  ASSERT_EQ(sample->GetPointer(&data), S_OK);
  std::memset(data, 0x5A, static_cast<std::size_t>(sample->GetSize()));  // still valid memory
  EXPECT_EQ(sample->Release(), 0u);  // frees buffers and allocator (checked by the sanitizers)
}

TEST_F(MemoryAllocatorTest, SamplesPassBetweenThreadsWhileCommitsComeAndGo) {
  Configure(1, 256);  // one buffer: the producers take turns, one often waiting
  ASSERT_EQ(allocator_->Commit(), S_OK);
  std::atomic<bool> stop{false};
  std::atomic<int> delivered{0};
  auto produce = [&] {
    while (!stop) {
      IMediaSample* sample = nullptr;
      if (FAILED(allocator_->GetBuffer(&sample, nullptr, nullptr, 0))) {
        std::this_thread::sleep_for(1ms);
        continue;
      }
      BYTE* data = nullptr;
      sample->GetPointer(&data);
      std::memset(data, delivered & 0xFF, 256);
      REFERENCE_TIME start = delivered;
      sample->SetTime(&start, nullptr);
      sample->Release();
      ++delivered;
    }
  };
  std::thread first(produce);
  std::thread second(produce);
  for (int i = 0; i < 20; ++i) {
    const int before = delivered;
    EXPECT_TRUE(orlin::test::WaitUntil([&] { return delivered > before; })) << "commit " << i;
    EXPECT_EQ(allocator_->Decommit(), S_OK);
    std::this_thread::sleep_for(1ms);
    EXPECT_EQ(allocator_->Commit(), S_OK);
  }
  stop = true;
  EXPECT_EQ(allocator_->Decommit(), S_OK);  // wakes a producer waiting for a buffer
  first.join();
  second.join();
  EXPECT_GE(delivered, 20);
}

}  // namespace
