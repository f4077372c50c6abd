#ifndef CORVIX_KIT_SHOTS_H
#define CORVIX_KIT_SHOTS_H

#include <QString>

class QWidget;
class ShotRegistry;
class UniversalButton;

// The widget kit's entries: one per class, and "gallery" with all of them in every state.
void registerKitShots(ShotRegistry& registry);

// Builders shared by the single shots and the gallery.
namespace KitShots {
// Puts a button into a visual state by the events a user would cause ("normal", "hover",
// "pressed", "checked", "checked-left", "disabled"). Runs once the button is on screen.
void driveButton(UniversalButton* button, const QString& state);
UniversalButton* iconButton(QWidget* parent);
UniversalButton* toggleButton(QWidget* parent);
UniversalButton* textButton(QWidget* parent);
QWidget* rightIconButton(QWidget* parent);
QWidget* switchRows(QWidget* parent);
QWidget* infoRows(QWidget* parent);
QWidget* svgIconLabels(QWidget* parent);
QWidget* spinners(QWidget* parent);
QWidget* toasts(QWidget* parent);
QWidget* scrollArea(QWidget* parent);
QWidget* divider(QWidget* parent);
QWidget* gallery(QWidget* parent);
}  // namespace KitShots

#endif
