#ifndef CORVIX_INFO_ROW_H
#define CORVIX_INFO_ROW_H

#include <QWidget>

class QLabel;

// A title and a value side by side ("设备名称   USB Camera"); the value is blue when highlighted.
class InfoRow : public QWidget {
    Q_OBJECT
public:
    explicit InfoRow(const QString& title, QWidget* parent = nullptr, bool highlighted = false);

    void setValue(const QString& text);
    QString value() const;
    QLabel* titleLabel() const { return m_title; }
    QLabel* valueLabel() const { return m_value; }

private:
    QLabel* m_title = nullptr;
    QLabel* m_value = nullptr;
};

#endif
