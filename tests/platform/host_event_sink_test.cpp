// The recording event sink that tests and orlin-view hand to filters.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "orlin/recording_event_sink.h"

namespace {

using namespace std::chrono_literals;

TEST(RecordingEventSink, RecordsEventsInOrderFromAnyThread) {
  orlin::RecordingEventSink* sink = orlin::RecordingEventSink::Create();
  ASSERT_NE(sink, nullptr);
  IMediaEventSink* face = nullptr;
  ASSERT_EQ(sink->QueryInterface(IID_IMediaEventSink, reinterpret_cast<void**>(&face)), S_OK);
  EXPECT_FALSE(sink->WaitForEvents(1, 10ms));
  std::thread worker([face] {
    std::this_thread::sleep_for(20ms);
    face->Notify(EC_ERRORABORT, static_cast<LONG_PTR>(E_FAIL), 0);
    face->Notify(1, 2, 3);
  });
  EXPECT_TRUE(sink->WaitForEvents(2, 5s));
  worker.join();
  const auto events = sink->Events();
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[0].code, EC_ERRORABORT);
  EXPECT_EQ(events[0].param1, static_cast<LONG_PTR>(E_FAIL));
  EXPECT_EQ(events[0].param2, 0);
  EXPECT_EQ(events[1].param2, 3);
  void* other = &other;
  EXPECT_EQ(sink->QueryInterface(IID_IPin, &other), E_NOINTERFACE);
  EXPECT_EQ(other, nullptr);
  EXPECT_EQ(face->Release(), 1u);
  EXPECT_EQ(sink->Release(), 0u);
}

}  // namespace
