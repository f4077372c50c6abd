// qelds: cameras, formats, streaming, properties and extension-unit features.
//
// Conventions
// - Every function returns a status: 0 is failure, non-zero is success; where the camera
//   model needs exactly 1 the function returns exactly 1 on success.
// - `cam` is the index of a camera in the current camera list (0 .. count-1). A bad camera
//   index, stream, pin, media type, property id or a null output pointer answers 0.
// - Text outputs (`buf`, `name`) are caller buffers of QEL_TEXT_BUFFER_SIZE (256) bytes; the
//   library writes at most 255 bytes and a terminating zero. Texts are local 8-bit (UTF-8 here).
// - Functions other than init/uninit need init() first and answer 0 before it.
// - The "plain" format calls address stream 0; the get_stream_... twins take the stream index
//   right after `cam`; the get_still_pin_... twins address the still pin.
#ifndef QEL_DS_H
#define QEL_DS_H

#include "qeldefine.h"
#include "qelexport.h"

QEL_EXTERN_C_BEGIN

// Hot-plug: called on a library thread once per change of the camera list.
// event is 1 (camera list changed); param is the number of cameras after the change.
typedef void (*qelcamera_device_changed_callback)(int event, int param);

// Preview frames: called on the stream's capture thread once per frame.
// pin 0 is the preview pin (stream 0..n-1), pin 1 the still pin (stream 0).
// timestampUs is the frame's capture time in microseconds of CLOCK_MONOTONIC.
// data is valid only during the call.
typedef void (*qelcamera_preview_callback)(int cam, int pin, int stream, int mediaType, int width,
                                           int height, long timestampUs, unsigned char* data,
                                           int size);

// Life
QEL_API int qelcamera_init(void);
QEL_API int qelcamera_uninit(void);
QEL_API int qelcamera_set_device_changed_callback(qelcamera_device_changed_callback fn);
QEL_API int qelcamera_get_version(char* buf);

// Cameras
QEL_API int qelcamera_get_camera_count(int* count);
QEL_API int qelcamera_get_camera_name(int cam, char* name);  // 1 = ok
QEL_API int qelcamera_open(int cam);                         // 1 = ok
QEL_API int qelcamera_close(int cam);
QEL_API int qelcamera_get_stream_count(int cam, int* count);
// flag 1 = the extension-unit feature `code` is supported (codes: see the camera model).
QEL_API int qelcamera_eu_support(int cam, int code, int* flag);

// Texts
QEL_API int qelcamera_get_mid(int cam, char* buf);         // 1 = ok
QEL_API int qelcamera_get_fw_version(int cam, char* buf);  // 1 = ok
QEL_API int qelcamera_get_camera_vid_pid(int cam, int* vid, int* pid);  // 1 = ok

// Formats of stream 0
QEL_API int qelcamera_get_media_type_count(int cam, int* count);
QEL_API int qelcamera_get_media_type_value(int cam, int index, int* mediaType);
QEL_API int qelcamera_get_resolution_count(int cam, int mediaType, int* count);
QEL_API int qelcamera_get_resolution_value(int cam, int mediaType, int index, int* width, int* height);
QEL_API int qelcamera_get_fps_count(int cam, int mediaType, int width, int height, int* count);
QEL_API int qelcamera_get_fps_value(int cam, int mediaType, int width, int height, int index, int* fps);

// Formats of any stream
QEL_API int qelcamera_get_stream_media_type_count(int cam, int stream, int* count);
QEL_API int qelcamera_get_stream_media_type_value(int cam, int stream, int index, int* mediaType);
QEL_API int qelcamera_get_stream_resolution_count(int cam, int stream, int mediaType, int* count);
QEL_API int qelcamera_get_stream_resolution_value(int cam, int stream, int mediaType, int index, int* width,
                                                  int* height);
QEL_API int qelcamera_get_stream_fps_count(int cam, int stream, int mediaType, int width, int height,
                                           int* count);
QEL_API int qelcamera_get_stream_fps_value(int cam, int stream, int mediaType, int width, int height,
                                           int index, int* fps);

// Formats of the still pin
QEL_API int qelcamera_is_support_still_capture(int cam, int* flag);
QEL_API int qelcamera_get_still_pin_media_type_count(int cam, int* count);
QEL_API int qelcamera_get_still_pin_media_type_value(int cam, int index, int* mediaType);
QEL_API int qelcamera_get_still_pin_resolution_count(int cam, int mediaType, int* count);
QEL_API int qelcamera_get_still_pin_resolution_value(int cam, int mediaType, int index, int* width,
                                                     int* height);
QEL_API int qelcamera_get_still_pin_fps_count(int cam, int mediaType, int width, int height, int* count);
QEL_API int qelcamera_get_still_pin_fps_value(int cam, int mediaType, int width, int height, int index,
                                              int* fps);

// Streaming. `enable` 1 runs the stream at the next start_preview, 0 leaves it out.
// Only enabled streams are started. Streams 1 and up stay enabled for one run: stop_preview turns
// them off again, so single-stream use needs to set stream 0 only. Frame rates are whole frames
// per second.
QEL_API int qelcamera_set_preview_params(int cam, int stream, int enable, int mediaType, int width, int height,
                                         int fps);
QEL_API int qelcamera_set_still_pin_params(int cam, int enable, int mediaType, int width, int height, int fps);
QEL_API int qelcamera_set_preview_callback(int cam, qelcamera_preview_callback fn);
QEL_API int qelcamera_start_preview(int cam);  // starts every enabled stream; all or none
QEL_API int qelcamera_stop_preview(int cam);   // joins every capture thread before returning
QEL_API int qelcamera_capture_still_image(int cam);
QEL_API int qelcamera_set_fps(int cam, int stream, int fps);
QEL_API int qelcamera_set_bps(int cam, int stream, int bitsPerSecond);
// GOP length in frames of an encoded stream (H.264, H.265). Where the camera can be asked for
// one, the stream's next frame is also a keyframe (IDR), so a recording can start at once.
// frames 0 keeps the GOP and only asks for that keyframe (answers 0 when the camera cannot).
QEL_API int qelcamera_set_gop(int cam, int stream, int frames);
// Measured over about the last second: frames per second and bytes per second.
QEL_API int qelcamera_get_fps_bps(int cam, int stream, int* fps, int* bytesPerSecond);  // 1 = ok

// Image properties, ids 0-16 (brightness .. focus; see the camera model's property list).
// An id the camera has no control for answers 1 with *supported = 0.
QEL_API int qelcamera_pu_ct_get_range(int cam, int id, int* supported, int* min, int* max, int* step,
                                      int* def, int* autoSupported);
QEL_API int qelcamera_pu_ct_get(int cam, int id, int* value, int* autoMode);
QEL_API int qelcamera_pu_ct_set(int cam, int id, int value, int autoMode);
// Power-line frequency: 1 = 50 Hz, 2 = 60 Hz. get answers 0 when the camera has no such control.
QEL_API int qelcamera_get_frequency(int cam, int* value);
QEL_API int qelcamera_set_frequency(int cam, int value);

// On/off features: value 0 off, non-zero on.
QEL_API int qelcamera_get_flip(int cam, int* value);
QEL_API int qelcamera_set_flip(int cam, int value);
QEL_API int qelcamera_get_mirror(int cam, int* value);
QEL_API int qelcamera_set_mirror(int cam, int value);
QEL_API int qelcamera_get_face_tracking(int cam, int* value);
QEL_API int qelcamera_set_face_tracking(int cam, int value);
QEL_API int qelcamera_get_sound_tracking(int cam, int* value);
QEL_API int qelcamera_set_sound_tracking(int cam, int value);
QEL_API int qelcamera_get_pip(int cam, int* value);
QEL_API int qelcamera_set_pip(int cam, int value);
QEL_API int qelcamera_get_hide_mode(int cam, int* value);
QEL_API int qelcamera_set_hide_mode(int cam, int value);
QEL_API int qelcamera_get_doa_test(int cam, int* value);
QEL_API int qelcamera_set_doa_test(int cam, int value);
// Sensor (lens) choice: value is the index into the sensor list.
QEL_API int qelcamera_get_sensor(int cam, int* value);
QEL_API int qelcamera_set_sensor(int cam, int value);

// Option features. A mask lists the offered options: values[i] = 1 means option i + 1 is offered.
// Callers give room for QEL_MASK_CAPACITY values; *count receives how many were written.
#define QEL_MASK_CAPACITY 64
QEL_API int qelcamera_get_hand_gesture_mask(int cam, int* values, int* count);
QEL_API int qelcamera_get_hand_gesture(int cam, int* value);
QEL_API int qelcamera_set_hand_gesture(int cam, int value);
QEL_API int qelcamera_get_canvas_mask(int cam, int* values, int* count);
QEL_API int qelcamera_get_canvas(int cam, int* value);
QEL_API int qelcamera_set_canvas(int cam, int value);
QEL_API int qelcamera_get_sub1_ai_mask(int cam, int* values, int* count);
QEL_API int qelcamera_get_sub1_ai(int cam, int* value);
QEL_API int qelcamera_set_sub1_ai(int cam, int value);
QEL_API int qelcamera_get_mosaic_mask(int cam, int* values, int* count);
QEL_API int qelcamera_get_mosaic(int cam, int* value);
QEL_API int qelcamera_set_mosaic(int cam, int value);
QEL_API int qelcamera_get_audio_mode_mask(int cam, int* values, int* count);
// Audio mode: two switches and the pickup direction id.
QEL_API int qelcamera_get_audio_mode(int cam, int* on, int* on1, int* id);
QEL_API int qelcamera_set_audio_mode(int cam, int on, int on1, int id);
QEL_API int qelcamera_get_factory_test_mask(int cam, int* values, int* count);
QEL_API int qelcamera_get_factory_test(int cam, int* value);
// values holds `count` 32-bit values (1 .. QEL_MASK_CAPACITY); the first is the test number.
QEL_API int qelcamera_set_factory_test(int cam, const int* values, int count);

// Auto focus
QEL_API int qelcamera_set_auto_focus(int cam, int on);
QEL_API int qelcamera_get_auto_focus(int cam, int* on);
QEL_API int qelcamera_get_auto_focus_mode(int cam, int* mode);

// Sensors and microphone pickup directions
QEL_API int qelcamera_get_sensor_count(int cam, int* count);
QEL_API int qelcamera_get_sensor_type(int cam, int index, int* type);  // 1 = ok; types 1-6
QEL_API int qelcamera_get_acoustic_baffle_count(int cam, int* count);
QEL_API int qelcamera_get_acoustic_baffle_name(int cam, int index, int* code);  // direction code 1-3

// The library's own property dialogs. This library has none and answers 0.
QEL_API int qelcamera_domodal_device_settings_pages(int cam);
QEL_API int qelcamera_domodal_image_settings_pages(int cam);

QEL_EXTERN_C_END

#endif
