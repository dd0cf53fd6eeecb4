// The state machine and the worker's command handshake: what Pause, Run and Stop
// start and stop, how the stream ends, and how commands out of place are answered.
#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>

#include "filter/framework/base_object.h"
#include "tests/framework/test_objects.h"

namespace orlin::framework::test {
namespace {

using Worker = FrameworkTest;

FILTER_STATE StateOf(IBaseFilter* filter) {
  FILTER_STATE state = State_Running;
  EXPECT_EQ(filter->GetState(0, &state), S_OK);
  return state;
}

// A sample from the pin's allocator, to see whether it is committed.
HRESULT TryGetBuffer(CBaseOutputPin& pin) {
  IMediaSample* sample = nullptr;
  const HRESULT hr = pin.Allocator()->GetBuffer(&sample, nullptr, nullptr, AM_GBF_NOWAIT);
  if (sample != nullptr) sample->Release();
  return hr;
}

TEST_F(Worker, PauseOfAnUnconnectedFilterStartsNothing) {
  EXPECT_EQ(Filter()->Pause(), S_OK);
  EXPECT_EQ(StateOf(Filter()), State_Paused);
  EXPECT_FALSE(Stream()->ThreadExists());
  EXPECT_EQ(Stream()->creates.load(), 0);
  EXPECT_EQ(Filter()->Stop(), S_OK);
}

TEST_F(Worker, PauseStartsProducingAndStopEndsTheWorkerBeforeReturning) {
  ConnectOrFail();
  ASSERT_EQ(Filter()->Pause(), S_OK);
  EXPECT_TRUE(Stream()->ThreadExists());
  EXPECT_TRUE(WaitUntil([&] { return sink->samples.load() >= 3; }));
  // Pause again and Run send the worker nothing: it keeps its one start.
  EXPECT_EQ(Filter()->Pause(), S_OK);
  EXPECT_EQ(Filter()->Run(0), S_OK);
  EXPECT_EQ(StateOf(Filter()), State_Running);
  EXPECT_EQ(Filter()->Pause(), S_OK);
  const int before = sink->samples.load();
  EXPECT_TRUE(WaitUntil([&] { return sink->samples.load() > before; }))
      << "Running to Paused must not hold the worker back";
  EXPECT_EQ(Stream()->creates.load(), 1);

  ASSERT_EQ(Filter()->Stop(), S_OK);
  EXPECT_EQ(StateOf(Filter()), State_Stopped);
  EXPECT_FALSE(Stream()->ThreadExists());
  EXPECT_EQ(Stream()->destroys.load(), 1);
  EXPECT_EQ(Stream()->ExitCode(), 0u);
  EXPECT_EQ(sink->end_of_streams.load(), 0);
  const int fills = Stream()->fills.load();
  EXPECT_EQ(sink->samples.load(), fills);
  EXPECT_EQ(TryGetBuffer(*Stream()), VFW_E_NOT_COMMITTED);
}

TEST_F(Worker, RunFromStoppedPausesFirst) {
  ConnectOrFail();
  ASSERT_EQ(Filter()->Run(1000), S_OK);
  EXPECT_EQ(StateOf(Filter()), State_Running);
  EXPECT_TRUE(WaitUntil([&] { return sink->samples.load() >= 1; }));
  EXPECT_EQ(Filter()->Stop(), S_OK);
  EXPECT_EQ(Stream()->destroys.load(), 1);
}

TEST_F(Worker, FillBufferFalseOnItsThirdCallEndsTheStreamInOrder) {
  ASSERT_EQ(Filter()->JoinFilterGraph(&graph, nullptr), S_OK);
  Stream()->fill = [](int call) { return call == 3 ? S_FALSE : S_OK; };
  ConnectOrFail();
  ASSERT_EQ(Filter()->Pause(), S_OK);
  ASSERT_TRUE(WaitUntil([&] { return sink->end_of_streams.load() == 1; }));
  EXPECT_EQ(sink->samples.load(), 2);
  EXPECT_TRUE(graph.Events().empty());
  EXPECT_EQ(Filter()->Stop(), S_OK);
  EXPECT_EQ(Stream()->fills.load(), 3) << "an ended stream stays idle";
  EXPECT_EQ(sink->end_of_streams.load(), 1);
  EXPECT_EQ(Stream()->destroys.load(), 1);
}

TEST_F(Worker, FillBufferFailureEndsTheStreamAndAbortsTheGraphOnce) {
  ASSERT_EQ(Filter()->JoinFilterGraph(&graph, nullptr), S_OK);
  Stream()->fill = [](int) { return E_FAIL; };
  ConnectOrFail();
  ASSERT_EQ(Filter()->Pause(), S_OK);
  ASSERT_TRUE(WaitUntil([&] { return !graph.Events().empty(); }));
  EXPECT_EQ(Filter()->Stop(), S_OK);
  const std::vector<TestGraph::Event> events = graph.Events();
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].code, EC_ERRORABORT);
  EXPECT_EQ(events[0].param1, static_cast<LONG_PTR>(E_FAIL));
  EXPECT_EQ(events[0].param2, 0);
  EXPECT_EQ(sink->end_of_streams.load(), 1);
  EXPECT_EQ(sink->samples.load(), 0);
}

TEST_F(Worker, DownstreamRefusalStopsProductionQuietly) {
  ASSERT_EQ(Filter()->JoinFilterGraph(&graph, nullptr), S_OK);
  sink->receive_result = S_FALSE;
  ConnectOrFail();
  ASSERT_EQ(Filter()->Pause(), S_OK);
  ASSERT_TRUE(WaitUntil([&] { return sink->samples.load() == 1; }));
  EXPECT_EQ(Filter()->Stop(), S_OK);
  EXPECT_EQ(Stream()->fills.load(), 1);
  EXPECT_EQ(sink->end_of_streams.load(), 0);
  EXPECT_TRUE(graph.Events().empty());
}

TEST_F(Worker, CommandsOutOfPlaceAreAnsweredNeverDropped) {
  EXPECT_EQ(static_cast<HRESULT>(Stream()->CallWorker(CSourceStream::CMD_INIT)), E_FAIL)
      << "no worker to ask";
  ASSERT_TRUE(Stream()->Create());
  EXPECT_FALSE(Stream()->Create()) << "one worker at a time";
  EXPECT_EQ(static_cast<HRESULT>(Stream()->CallWorker(CSourceStream::CMD_STOP)), E_UNEXPECTED);
  EXPECT_EQ(Stream()->creates.load(), 0) << "the worker still waits for CMD_INIT";
  EXPECT_EQ(static_cast<HRESULT>(Stream()->CallWorker(CSourceStream::CMD_INIT)), S_OK);
  EXPECT_EQ(static_cast<HRESULT>(Stream()->CallWorker(7)), E_NOTIMPL);
  EXPECT_EQ(static_cast<HRESULT>(Stream()->CallWorker(CSourceStream::CMD_INIT)), E_NOTIMPL);
  EXPECT_EQ(static_cast<HRESULT>(Stream()->CallWorker(CSourceStream::CMD_STOP)), S_OK);
  EXPECT_EQ(static_cast<HRESULT>(Stream()->CallWorker(CSourceStream::CMD_EXIT)), S_OK);
  Stream()->Close();
  EXPECT_FALSE(Stream()->ThreadExists());
  EXPECT_EQ(Stream()->destroys.load(), 1);
}

TEST_F(Worker, CommandsWhileProducingAreAnsweredAndProductionGoesOn) {
  ConnectOrFail();
  ASSERT_EQ(Filter()->Pause(), S_OK);
  EXPECT_EQ(static_cast<HRESULT>(Stream()->CallWorker(CSourceStream::CMD_EXIT)), E_UNEXPECTED);
  EXPECT_EQ(static_cast<HRESULT>(Stream()->CallWorker(CSourceStream::CMD_INIT)), E_UNEXPECTED);
  EXPECT_EQ(static_cast<HRESULT>(Stream()->CallWorker(9)), E_UNEXPECTED);
  EXPECT_EQ(static_cast<HRESULT>(Stream()->CallWorker(CSourceStream::CMD_RUN)), S_OK);
  const int before = sink->samples.load();
  EXPECT_TRUE(WaitUntil([&] { return sink->samples.load() > before + 2; }));
  EXPECT_EQ(Filter()->Stop(), S_OK);
  EXPECT_EQ(Stream()->destroys.load(), 1);
}

TEST_F(Worker, FailedThreadCreationFailsPauseAndALaterPauseStartsAgain) {
  ConnectOrFail();
  Stream()->create_result = E_ACCESSDENIED;
  EXPECT_EQ(Filter()->Pause(), E_ACCESSDENIED);
  EXPECT_EQ(StateOf(Filter()), State_Stopped);
  EXPECT_EQ(Stream()->destroys.load(), 1);
  EXPECT_EQ(Stream()->ExitCode(), 1u);
  EXPECT_FALSE(Stream()->ThreadExists()) << "the ended worker must be forgotten";
  EXPECT_EQ(TryGetBuffer(*Stream()), VFW_E_NOT_COMMITTED) << "the buffers must be given back";

  Stream()->create_result = S_OK;
  ASSERT_EQ(Filter()->Pause(), S_OK);
  EXPECT_TRUE(WaitUntil([&] { return sink->samples.load() >= 1; }));
  EXPECT_EQ(Filter()->Stop(), S_OK);
  EXPECT_EQ(Stream()->creates.load(), 2);
  EXPECT_EQ(Stream()->destroys.load(), 2);
}

TEST_F(Worker, ReleaseWithoutStopEndsTheWorkerThatIsInsideItsFill) {
  // Like the camera's receive: each fill waits a time-out for data that never comes.
  std::atomic<bool> inside{false};
  Stream()->fill = [&inside](int) {
    inside = true;
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    return S_OK;
  };
  ConnectOrFail();
  ASSERT_EQ(Filter()->Run(0), S_OK);
  ASSERT_TRUE(WaitUntil([&] { return inside.load(); }));
  // The sink lets go of the pin, as a host tearing its graph down without Stop:
  // the caller's reference is the last one.
  sink->Disconnect();
  EXPECT_EQ(Filter()->Release(), 0u);
  filter = nullptr;
  EXPECT_EQ(CBaseObject::ObjectsActive(), 0);
}

TEST_F(Worker, GetStateAnswersWhileAStopWaitsForTheWorker) {
  // The fill holds the worker until Stop has sent its command (Stop then holds
  // the state lock) and the state has been asked for, or a bail-out passes.
  TestStream* stream = Stream();
  std::atomic<bool> in_fill{false}, stop_waiting{false}, answered{false}, answered_in_fill{false};
  stream->fill = [&, stream](int call) {
    if (call != 1) return S_OK;
    in_fill = true;
    stop_waiting = WaitUntil([&] { return stream->CheckRequest(nullptr); });
    WaitUntil([&] { return answered.load(); });
    answered_in_fill = answered.load();
    return S_OK;
  };
  ConnectOrFail();
  ASSERT_EQ(Filter()->Run(0), S_OK);
  // Stop only once the worker is in that fill: on a loaded machine a Stop sent
  // sooner ends the stream before the fill, and nothing waits.
  ASSERT_TRUE(WaitUntil([&] { return in_fill.load(); }));
  HRESULT stopped = E_UNEXPECTED;
  std::thread stopper([&] { stopped = Filter()->Stop(); });
  EXPECT_TRUE(WaitUntil([&] { return stop_waiting.load(); }));
  EXPECT_EQ(StateOf(Filter()), State_Running) << "the state changes once the worker has stopped";
  answered = true;
  stopper.join();
  EXPECT_TRUE(answered_in_fill.load()) << "GetState waited for the Stop";
  EXPECT_EQ(stopped, S_OK);
  EXPECT_EQ(StateOf(Filter()), State_Stopped);
}

TEST_F(Worker, ThousandPauseStopCyclesOfAConnectedSource) {
  ConnectOrFail();
  constexpr int kCycles = 1000;
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < kCycles; ++i) {
    ASSERT_EQ(Filter()->Pause(), S_OK) << "cycle " << i;
    ASSERT_EQ(Filter()->Stop(), S_OK) << "cycle " << i;
  }
  const auto elapsed = std::chrono::steady_clock::now() - start;
  const double micros =
      std::chrono::duration<double, std::micro>(elapsed).count() / static_cast<double>(kCycles);
  std::printf("[ timing   ] %.1f us per Pause/Stop cycle\n", micros);
  RecordProperty("microseconds_per_cycle", static_cast<int>(micros));
  EXPECT_EQ(Stream()->creates.load(), kCycles);
  EXPECT_EQ(Stream()->destroys.load(), kCycles);
  EXPECT_FALSE(Stream()->ThreadExists());
}

}  // namespace
}  // namespace orlin::framework::test
