// The connections between the mediator and the main video widget that the dialogs rely on, as
// the main window makes them (the record-dialog paths included), for the tests and the driver.
#ifndef CORVIX_TESTS_DIALOG_WIRING_H
#define CORVIX_TESTS_DIALOG_WIRING_H

class CameraController;
class VideoWidget;

// Camera reports to the mediator and the mediator's requests to the widget.
void wireReports(VideoWidget* video, CameraController* c);
void wireRequests(VideoWidget* video, CameraController* c);
// The record settings paths.
void wireRecordPaths(VideoWidget* video, CameraController* c);

#endif
