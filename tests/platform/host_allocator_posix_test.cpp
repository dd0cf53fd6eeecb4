// Where our allocator is stricter than the platform's: a sample is handed back
// only by its own last Release, so a stray ReleaseBuffer cannot put a sample
// that is still in use back into the pool.
#include <gtest/gtest.h>

#include "orlin/dshow.h"

namespace {

TEST(MemoryAllocatorGuard, RefusesToTakeBackASampleStillHeld) {
  IMemAllocator* allocator = nullptr;
  ASSERT_EQ(CoCreateInstance(CLSID_MemoryAllocator, nullptr, CLSCTX_INPROC_SERVER,
                             IID_IMemAllocator, reinterpret_cast<void**>(&allocator)),
            S_OK);
  ALLOCATOR_PROPERTIES request{1, 16, 1, 0};
  ALLOCATOR_PROPERTIES actual{};
  ASSERT_EQ(allocator->SetProperties(&request, &actual), S_OK);
  ASSERT_EQ(allocator->Commit(), S_OK);
  IMediaSample* sample = nullptr;
  ASSERT_EQ(allocator->GetBuffer(&sample, nullptr, nullptr, 0), S_OK);
  EXPECT_EQ(allocator->ReleaseBuffer(sample), E_INVALIDARG);
  EXPECT_EQ(allocator->ReleaseBuffer(nullptr), E_POINTER);
  IMediaSample* second = nullptr;
  EXPECT_EQ(allocator->GetBuffer(&second, nullptr, nullptr, AM_GBF_NOWAIT), VFW_E_TIMEOUT);
  EXPECT_EQ(sample->Release(), 0u);
  allocator->Decommit();
  EXPECT_EQ(allocator->Release(), 0u);
}

}  // namespace
