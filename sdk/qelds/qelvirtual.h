// Scripting the built-in virtual cameras of qelds (for tests, demos and benchmarks).
// Not part of the camera library's contract: the application uses only
// qelvirtual_check_environment(), to tell the user why the virtual cameras it asked for are missing.
//
// Virtual cameras exist when the environment variable QEL_VIRTUAL_CAMERAS is set before
// qelcamera_init(): either a count ("1", "3": that many cameras of the default profile) or the
// path of a JSON file holding one profile object or an array of them. They are listed after the
// real cameras. The functions below also work without the variable (they add cameras at run time).
//
// Profile JSON (every key optional; a missing key takes the default profile's value):
// {
//   "name": "Corvix Virtual Camera",        // camera name
//   "vid": 7531, "pid": 258,                // USB vendor / product id (numbers)
//   "firmware": "1.0.1", "mid": "VC-000001",
//   "streams": [                            // one entry per stream (1..3)
//     { "formats": [ { "type": 1,           // media type code (qeldefine.h)
//                      "sizes": [[1920,1080],[1280,720]],
//                      "fps": [30,25,15] } ] }
//   ],
//   "still": [ { "type": 1, "sizes": [[1920,1080]], "fps": [30] } ],   // [] = no still pin
//   "features": [0,1,4,5,7,9,10,12,13,15,16,17,18,19,20,21,22,23,25], // extension-unit codes
//   "masks": { "hand_gesture": [1,1,1], "canvas": [1,1,1], "sub1_ai": [1,1,1,1],
//              "mosaic": [1], "audio_mode": [1,1], "factory_test": [1,1] },
//   "sensors": [1,2,3,4,5,6],               // sensor types
//   "baffles": [1,2,3],                     // acoustic baffle direction codes
//   "properties": { "Pu_Brightness": { "min": -64, "max": 64, "step": 1, "default": 0,
//                                      "auto": false }, ... },   // null = not supported
//   "frequency": true                       // power-line frequency control present
// }
// Rules: media types 1-4 (still pin: 1 or 2); sizes even, 16x8 .. 7680x4320; fps 1-240, listed
// highest first whatever the order given (a format without "fps" offers 30, 25, 15); a missing
// "mid" becomes "VC-" and the camera's handle; masks hold 0/1 values (at most 64); sensor and
// baffle codes are passed through unchecked (a camera may report odd values).
// The default profile: three streams, each with types 1-4 in sizes 1920x1080 (listed first),
// 3840x2160, 2560x1440 (30 fps and below), 1280x720, 960x540, 640x360 (60 fps and below), rates
// 60/30/25/20/15/10/5; a JPEG still pin; every feature code; sensors 1-6; baffles 1-3; all 17
// properties.
#ifndef QEL_VIRTUAL_H
#define QEL_VIRTUAL_H

#include "qelexport.h"

QEL_EXTERN_C_BEGIN

// Faults a test can inject into a virtual camera.
enum QELVirtualFault {
    QELV_FAULT_NONE = 0,            // clear every fault
    QELV_FAULT_CORRUPT_JPEG = 1,    // the next `param` MJPEG frames carry damaged entropy data
    QELV_FAULT_TRUNCATED_JPEG = 2,  // the next `param` MJPEG frames are cut short
    QELV_FAULT_STALL = 3,           // no frames for `param` ms (0: until cleared)
    QELV_FAULT_OPEN_FAILS = 4,      // qelcamera_open fails while set
    QELV_FAULT_VANISH = 5,          // the camera is pulled out now (mid-stream too), as remove_camera
    QELV_FAULT_STILL_NOT_JPEG = 6   // still captures deliver a YUY2 frame instead of a JPEG
};

// Adds a virtual camera with the given profile (NULL or "" = default profile) and fires the
// hot-plug callback. Answers a handle > 0, or 0 when the profile is not valid JSON or breaks
// the rules above (the reason is logged). The camera list is up to date when this returns; the
// callback follows on the library's hot-plug thread.
QEL_API int qelvirtual_add_camera(const char* profileJson);
// Removes the camera (as if unplugged) and fires the hot-plug callback. 1 = ok.
QEL_API int qelvirtual_remove_camera(int handle);
// Replaces a camera's profile; takes effect at its next open (at once while it is closed). 1 = ok.
QEL_API int qelvirtual_set_profile(int handle, const char* profileJson);
QEL_API int qelvirtual_inject_fault(int handle, int fault, int param);
// Removes every virtual camera without firing callbacks (test set-up). 1 = ok.
QEL_API int qelvirtual_reset(void);
// Handle of the virtual camera at camera-list index `cam`, 0 when that camera is not virtual.
QEL_API int qelvirtual_handle_of(int cam);
// Checks QEL_VIRTUAL_CAMERAS without adding cameras: 1 when it is unset or usable; 0 when it is
// neither a count 0-16 nor a readable file of valid profiles, with the reason copied into
// `reason` (cut to `size` bytes including the terminating zero).
QEL_API int qelvirtual_check_environment(char* reason, int size);

QEL_EXTERN_C_END

#endif
