// IOrlinStreamStatus: what "Orlin Camera" knows about its stream, for a host
// that asks (orlin-view). Header only: a host needs nothing of the filter but
// this and the interface ID. The filter also sends kEventStreamStatusChanged
// (orlin_events.h) when the state or the diagnosis changes.
#pragma once

#include <cstdint>

#include "orlin/com.h"

namespace orlin::filter {

enum class StreamState : std::uint32_t {
  kStopped = 0,    // not streaming
  kWaiting = 1,    // streaming, no frame has arrived since the start
  kReceiving = 2,  // frames that match the settings arrive (or arrived last)
  kMismatch = 3,   // what arrives does not match the settings: see the diagnosis
};

// What the sample delivered last holds.
enum class SampleContent : std::uint32_t {
  kNothing = 0,  // no sample yet this run
  kFrame = 1,    // a new frame, whole, from the stream
  kRepeat = 2,   // the picture before it again (a fill without a whole frame)
  kCard = 3,     // the status card
  kMisread = 4,  // a stream that does not match, as the Parts leave it (no card)
};

inline constexpr int kDiagnosisChars = 256;

struct OrlinStreamStatus {
  StreamState state;
  SampleContent lastSample;
  std::uint64_t samplesDelivered;  // this run, the last one included
  std::uint64_t framesReceived;    // whole matching frames this run
  // One sentence: what arrives, what the PC expects, and the fix; empty while
  // a matching stream flows. Terminated UTF-16.
  WCHAR diagnosis[kDiagnosisChars];
};

// {4E0B7A52-91C3-4D8F-A6E2-3F5C19D07B84}
inline constexpr IID IID_IOrlinStreamStatus = {
    0x4e0b7a52, 0x91c3, 0x4d8f, {0xa6, 0xe2, 0x3f, 0x5c, 0x19, 0xd0, 0x7b, 0x84}};

// Answered by the filter (IBaseFilter's object). GetStreamStatus may be called
// from any thread, the streaming thread included (inside the downstream
// Receive of a sample, where it describes that sample).
struct IOrlinStreamStatus : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE GetStreamStatus(OrlinStreamStatus* status) = 0;
};

// ---- The sender filter (the AcceptFrom setting) ----

// The senders the filter keeps a count for, first seen first; datagrams from
// any later one count in `otherDatagrams`.
inline constexpr int kForeignSenderSlots = 8;

struct OrlinForeignSender {
  std::uint32_t address;    // IPv4, network byte order
  std::uint64_t datagrams;  // dropped from it this run, on the stream and announcement ports
};

struct OrlinSenderFilter {
  // The address frames are taken from (IPv4, network order) when `filtering`;
  // with it off every sender is taken and nothing below is counted.
  BOOL filtering;
  std::uint32_t acceptFrom;
  std::uint32_t senders;          // entries of `sender` in use
  std::uint64_t otherDatagrams;   // dropped from senders past the slots
  OrlinForeignSender sender[kForeignSenderSlots];
};

// {F9A9CB66-3DD7-4423-A068-EE8B45B0AA85}
inline constexpr IID IID_IOrlinSenderFilter = {
    0xf9a9cb66, 0x3dd7, 0x4423, {0xa0, 0x68, 0xee, 0x8b, 0x45, 0xb0, 0xaa, 0x85}};

// Answered by the filter beside IOrlinStreamStatus, from any thread: who was
// kept out this run (since the last Run or Pause from Stopped), so that a host
// can tell its user that another program or host sends to the port. A struct
// of its own, so that IOrlinStreamStatus's never grows under an older host.
struct IOrlinSenderFilter : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE GetSenderFilter(OrlinSenderFilter* filter) = 0;
};

}  // namespace orlin::filter
