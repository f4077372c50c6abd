#ifndef CORVIX_RECORD_SETTINGS_STORE_H
#define CORVIX_RECORD_SETTINGS_STORE_H

#include <QString>

class CameraController;

// The recording choices kept between runs: length limit, keep-audio and microphone (by name).
// A missing or damaged value means the default (10 minutes, sound on, default microphone).
class RecordSettingsStore {
public:
    // Hands the remembered choices to the mediator; call once at start-up, after the mediator
    // is wired to the video widget.
    static void restore(CameraController* controller);

    static int minutes();
    static bool keepAudio();
    static QString microphone();
    static void saveMinutes(int minutes);
    static void saveKeepAudio(bool keep);
    // An empty name forgets the choice (the default microphone).
    static void saveMicrophone(const QString& name);

    // The limits offered, in minutes.
    static bool isOfferedMinutes(int minutes);
};

#endif
