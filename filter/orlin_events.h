// Events "Orlin Camera" sends its graph beyond the system's own, for a host
// that knows them (orlin-view). An application passes over codes it does not
// know, so they cost the others nothing.
#pragma once

#include "orlin/dshow.h"

namespace orlin::filter {

// The system granted the stream's socket less receive buffer than the format
// asks for (Linux caps it at net.core.rmem_max): a frame's burst of chunks
// overflows it and raw frames arrive broken. Sent once per start, when
// streaming begins. param1: the bytes asked for; param2: the bytes granted.
inline constexpr LONG kEventReceiveBufferShort = EC_USER + 0x0101;

// The stream's state or diagnosis changed (stream_status.h); ask the filter's
// IOrlinStreamStatus for the sentence. param1: the new StreamState; param2: 0.
inline constexpr LONG kEventStreamStatusChanged = EC_USER + 0x0102;

}  // namespace orlin::filter
