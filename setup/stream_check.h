// Whether frames of a stored format can reach the camera, and how. A format
// the filter refuses (settings::RefusedFormat: no whole byte per frame, or
// compressed frames in fewer than 12 bits per pixel) never starts; a format
// that asks for Compression in a picture the codec cannot code gets frames
// that are not compressed. The setup still stores such a format (its ranges
// allow it) but says so. Frames too large for the stream's one-datagram and
// counted-chunk forms go out in pieces, which the phone must send: the dialog
// says that in a line of its own.
#pragma once

#include "settings/stream_form.h"
#include "settings/video_format_settings.h"
#include "setup/setup_entries.h"
#include "setup/setup_text.h"

namespace orlin::setup {

// Empty when the format can stream as entered; else a warning that says why
// it cannot and what to change.
WideText StreamWarning(const settings::VideoFormatSettings& settings);

// "Frames go in pieces: the phone must send large frames." ("may go
// in" where the payload's size decides); empty when no frame does. No
// sizes: it stands under the fields, or under the line of what was saved,
// and fits the dialog's width. `level` is the phone's reduction level when
// known.
WideText LargeFramesLine(const settings::VideoFormatSettings& settings,
                         int level = settings::kAnyLevel);
// The same line for what the dialog's controls hold, as they change; empty
// while they are not a format that can be saved.
WideText LargeFramesLine(const SetupEntries& entries);

}  // namespace orlin::setup
