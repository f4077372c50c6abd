#include "ShotRegistry.h"

void ShotRegistry::add(const QString& name, const QString& description, Factory factory,
                       bool onDarkBackground) {
    m_entries.push_back(Entry{name, description, std::move(factory), onDarkBackground});
}

const ShotRegistry::Entry* ShotRegistry::find(const QString& name) const {
    for (const Entry& entry : m_entries) {
        if (entry.name.compare(name, Qt::CaseInsensitive) == 0) {
            return &entry;
        }
    }
    return nullptr;
}

QStringList ShotRegistry::names() const {
    QStringList list;
    for (const Entry& entry : m_entries) {
        list << entry.name;
    }
    return list;
}
