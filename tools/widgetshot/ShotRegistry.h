#ifndef CORVIX_SHOT_REGISTRY_H
#define CORVIX_SHOT_REGISTRY_H

#include <QString>
#include <QStringList>
#include <QVector>

#include <functional>

class QWidget;

// Names the widgets the shot tool can render. Each entry builds its widget, ready to be
// photographed, under the parent it is given.
//
// A new screen joins by a function registerXxxShots(ShotRegistry&) in its own file in this
// folder, called from main.cpp, with the screen's library linked into the tool.
class ShotRegistry {
public:
    using Factory = std::function<QWidget*(QWidget* parent)>;

    struct Entry {
        QString name;
        QString description;
        Factory factory;
        bool onDarkBackground = true;  // drawn on the application's dark background
    };

    void add(const QString& name, const QString& description, Factory factory, bool onDarkBackground = true);
    const Entry* find(const QString& name) const;  // case-insensitive
    QStringList names() const;
    const QVector<Entry>& entries() const { return m_entries; }

private:
    QVector<Entry> m_entries;
};

#endif
