// What the three settings dialogs hold and do, apart from how they are drawn:
// each starts from the capture, changes with the user's keys, and ends with
// OK or Cancel, which call the capture as the phone's dialogs do.
#pragma once

#include <string>
#include <vector>

#include "phone/camera_capture.h"
#include "phone/shell/edit_box.h"

namespace orlin::phone::shell {

inline constexpr char kSelectVideoFormat[] = "Select Video Format:";
inline constexpr char kDestinationAddress[] = "Destination Address:";
inline constexpr char kCompressionText[] = "Compression";
inline constexpr char kPixelCorrectionText[] = "PixelCorrection";
inline constexpr char kNumberOfReductions[] = "Number of Reductions:";

// Dialog 201. Its start stops the camera and detects the formats; whichever
// way it ends after a good start, the capture restarts.
class VideoFormatDialog {
 public:
  explicit VideoFormatDialog(CameraCapture& capture) : capture_(capture) {}

  // False when the list could not be made: the dialog ends at once and does
  // nothing else (no restart).
  bool Start();
  const std::vector<std::string>& Lines() const { return lines_; }
  int Selection() const { return selection_; }  // -1: no line selected
  // Moves the selection by `delta` lines, staying inside the list; from no
  // selection, down selects the first line and up the last.
  void MoveSelection(int delta);
  void Select(int index);

  // OK: the selected format is stored (nothing without a selection), then the
  // capture restarts with the format in force.
  void Ok();
  // Cancel, the dialog's own cancel and Back: the capture restarts unchanged.
  void Cancel();

 private:
  CameraCapture& capture_;
  std::vector<std::string> lines_;
  int selection_ = -1;
};

// Dialog 202: one edit box of at most 31 characters.
class DestinationDialog {
 public:
  static constexpr std::size_t kMaxChars = 31;

  explicit DestinationDialog(CameraCapture& capture) : capture_(capture) {}

  bool Start();
  EditBox& Edit() { return edit_; }
  // Stores the text and makes it the destination if it resolves ("%s not
  // found" otherwise, and the frames keep going where they went). The box
  // shows what is not ASCII as '?': while it shows the stored text unedited,
  // the stored text itself is stored again, never the '?'s.
  void Ok();
  void Cancel() {}

 private:
  CameraCapture& capture_;
  WideText stored_;
  EditBox edit_{kMaxChars, false};
};

// Dialog 203: two check boxes and the number of reductions.
class CompressionDialog {
 public:
  enum class Control { kCompression, kPixelCorrection, kReductions };

  explicit CompressionDialog(CameraCapture& capture) : capture_(capture) {}

  // Shows what is in force: compression ticked only when the sender really
  // compresses, all clear and 0 with no sender.
  bool Start();
  bool CompressionChecked() const { return compression_; }
  bool PixelCorrectionChecked() const { return pixel_correction_; }
  EditBox& Reductions() { return reductions_; }

  Control Focus() const { return focus_; }
  void FocusNext(int delta);
  // Space on a check box ticks or clears it.
  void Toggle();
  void SetChecks(bool compression, bool pixelCorrection) {
    compression_ = compression;
    pixel_correction_ = pixelCorrection;
  }

  // Stores the three settings and applies them to the running sender.
  void Ok();
  void Cancel() {}

 private:
  CameraCapture& capture_;
  bool compression_ = false;
  bool pixel_correction_ = false;
  // Ten digits hold any 32-bit number.
  EditBox reductions_{10, true};
  Control focus_ = Control::kCompression;
};

}  // namespace orlin::phone::shell
