// The setup program's texts, as narrow ASCII literals that both the resource
// script (dialog and string table) and the terminal program take from here.
// Line breaks are single line feeds.
#pragma once

// The programs the texts send the user to: the Windows build names the
// system's regsvr32 and the phone program's file; the Linux build
// (ORLIN_SETUP_LINUX_NAMES, set by its build) names the tools it comes with.
#ifdef ORLIN_SETUP_LINUX_NAMES
#define SETUP_PHONE_PROGRAM "orlin-phone"
#define SETUP_REGISTER_TOOL "orlin-regsvr"
#else
#define SETUP_PHONE_PROGRAM "OrlinPhone.exe"
#define SETUP_REGISTER_TOOL "regsvr32"
#endif

#define SETUP_TITLE "Orlin Camera Setup"
#define SETUP_INTRO_TEXT                                                                       \
  "Start " SETUP_PHONE_PROGRAM " on your device. Choose Settings and you will see a selection list as " \
  "in this illustration. The list shows the video formats, that your device can supply."
#define SETUP_INSTRUCTION_TEXT                                                                  \
  "Select the smallest video format. Read the selected four-character code, width, and "        \
  "height and feed them into the fields below. If necessary, change also the BitsPerPixel and " \
  "special settings."
#define SETUP_FOURCC_LABEL "FourCC:"
#define SETUP_WIDTH_LABEL "Width:"
#define SETUP_HEIGHT_LABEL "Height:"
#define SETUP_BITS_PER_PIXEL_LABEL "BitsPerPixel:"
#define SETUP_SPECIAL_SETTINGS "Special Settings"
#define SETUP_COMPRESSION "Compression"
#define SETUP_PIXEL_CORRECTION "PixelCorrection"
#define SETUP_SWAP_UV "SwapUV"
#define SETUP_OK "OK"
#define SETUP_APPLY "Apply"
#define SETUP_CANCEL "Cancel"
#define SETUP_DETECT "Detect"
#define SETUP_ACCEPT_FROM_LABEL "Accept frames only from:"

#define SETUP_STRING_1 "OrlinSetup"
#define SETUP_STRING_2 "Saving the video format failed. You must have administrator rights."
#define SETUP_STRING_3 "OleInitialize failed."
#define SETUP_STRING_4                                                                     \
  "%1 was not found, but you can register it manually with the command '" SETUP_REGISTER_TOOL \
  " \"%1\"'."                                                                               \
  "\nGetLastError returns %2."
#define SETUP_STRING_5                                                               \
  "%1 was loaded, but the %2 entry point was not found.\n\n%2 may not be exported, " \
  "or a corrupt version of %1 may be in memory. Consider using PView to detect and remove it."
#define SETUP_STRING_6 "%1 in %2 failed. You must have administrator rights."
